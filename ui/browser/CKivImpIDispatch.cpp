#include "CKivImpIDispatch.h"

#include "ScriptPayload.h"
#include "ScriptRequest.h"

#include <cmath>
#include <memory>

namespace {

std::unique_ptr<CKivImpIDispatch> g_instance;

// The code argument: a whole number in the 32-bit range.
bool ReadCode(const ScriptValue& value, int& code) {
    const double* number = std::get_if<double>(&value);
    if (!number || !std::isfinite(*number) || std::trunc(*number) != *number ||
        *number < -2147483648.0 || *number > 2147483647.0) {
        return false;
    }
    code = static_cast<int>(*number);
    return true;
}

} // namespace

CKivImpIDispatch* CKivImpIDispatch::Instance() {
    return g_instance.get();
}

CKivImpIDispatch* CKivImpIDispatch::CreateInstance() {
    if (!g_instance) {
        g_instance = std::make_unique<CKivImpIDispatch>();
    }
    return g_instance.get();
}

void CKivImpIDispatch::DeleteInstance() {
    g_instance.reset();
}

int CKivImpIDispatch::DispIdOfName(std::string_view name) {
    if (name == "KivSofeware_notify") {
        return kDispidNotify;
    }
    if (name == "VuzuDoz_Notify") {
        return kDispidVuzuDoz;
    }
    return kDispidUnknown;
}

void CKivImpIDispatch::Invoke(int dispid, const std::vector<ScriptValue>& args) const {
    if (dispid == kDispidNotify) {
        notify(args);
    } else if (dispid == kDispidVuzuDoz) {
        vuzuDozNotify(args);
    }
}

// The code is the next-to-last argument and the data the last.
void CKivImpIDispatch::notify(const std::vector<ScriptValue>& args) const {
    int code = 0;
    if (args.size() < 2 || !ReadCode(args[args.size() - 2], code)) {
        return;
    }
    const std::string* data = std::get_if<std::string>(&args.back());
    if (!data) {
        return;
    }
    if (code == kScriptDownload) {
        DeliverScriptRequest(code, ParseDownloadPayload(*data));
    } else if (code == kScriptOpenStoreUrl) {
        ScriptRequest request;
        request.field[0] = *data;
        DeliverScriptRequest(code, request);
    }
}

void CKivImpIDispatch::vuzuDozNotify(const std::vector<ScriptValue>& args) const {
    const std::string* data = args.empty() ? nullptr : std::get_if<std::string>(&args.back());
    if (!data) {
        return;
    }
    ScriptRequest request;
    request.field[0] = FindQuotedUrl(*data);
    DeliverScriptRequest(kScriptDownload, request);
}
