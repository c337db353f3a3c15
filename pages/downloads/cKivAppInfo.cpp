#include "cKivAppInfo.h"

namespace {
std::atomic<std::uint64_t> g_nextSerial{1};
} // namespace

cKivAppInfo::cKivAppInfo() : serial(g_nextSerial.fetch_add(1)) {}

AppRequest cKivAppInfo::request() const {
    AppRequest app;
    app.url = Url;
    app.name = Name;
    app.type = Type;
    app.ver = Ver;
    app.validType = ValidType;
    app.validValue = ValidValue;
    app.packageName = PackageName;
    return app;
}
