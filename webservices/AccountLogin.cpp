// Partner-account login.
#include "AccountLogin.h"

#include "HttpReader.h"
#include "HttpRequestFraming.h"
#include "HttpText.h"
#include "WebServiceEndpoint.h"
#include "WebServiceSocket.h"

#include "platform/config/Config.h"

#include <mutex>

namespace webservices {

namespace {

constexpr std::size_t kCredentialMaxBytes = 256;

struct ResultSlot {
    std::mutex lock;
    LoginResult result; // guarded by lock: written by the login thread, read by the installs
};

ResultSlot& Slot() {
    static ResultSlot* const slot = new ResultSlot;
    return *slot;
}

void Store(const LoginResult& result) {
    std::lock_guard guard(Slot().lock);
    Slot().result = result;
}

// Everything after the connect: send, read, judge. `result` starts as the current result.
void Converse(WebServiceSocket& socket, const Endpoint& login, const std::string& body,
              LoginResult& result) {
    (void)socket.send(FrameLoginRequest(login, body));
    result.status = 0;
    std::string header;
    if (!ReadHttpHeader(socket, header)) {
        return;
    }
    const std::string statusText = HeaderValue(header, "HTTP/1.1").value_or("");
    if (!Contains(statusText, "200")) {
        result.message = statusText;
        return;
    }
    long long length = 0;
    if (!ContentLength(header, length)) {
        return;
    }
    ApplyLoginReply(Utf8ToText(ReadBodyUntilComplete(socket, length)), result);
}

} // namespace

LoginResult CurrentLoginResult() {
    std::lock_guard guard(Slot().lock);
    return Slot().result;
}

void SetLoginResultForTesting(const LoginResult& result) {
    Store(result);
}

std::string LoginRequestBody(const std::string& account, const std::string& password) {
    return "CVER=100&BCMD=UserLoginNoLock&USER=" +
           PercentEncode(Utf8BytePrefix(account, kCredentialMaxBytes)) +
           "&PWD=" + PercentEncode(Utf8BytePrefix(password, kCredentialMaxBytes));
}

void ApplyLoginReply(std::string_view body, LoginResult& result) {
    const std::optional<std::string> score = XmlTagValue(body, "BSCO");
    if (!score) {
        return;
    }
    if (Contains(*score, "1")) {
        result.status = 1;
        if (std::optional<std::string> uid = XmlTagValue(body, "UID")) {
            result.uid = std::move(*uid);
        }
        if (std::optional<std::string> name = XmlTagValue(body, "NAME")) {
            result.name = std::move(*name);
        }
    }
    if (std::optional<std::string> message = XmlTagValue(body, "BMSG")) {
        result.message = std::move(*message);
    }
}

int UserLogin(const std::string& account, const std::string& password) {
    const std::string body = LoginRequestBody(account, password);
    const Endpoint login = GetLoginEndpoint();
    std::optional<WebServiceSocket> socket = ConnectToEndpoint(login);
    if (!socket) {
        return 0;
    }
    LoginResult result = CurrentLoginResult();
    Converse(*socket, login, body, result);
    Store(result);
    return result.status;
}

bool LoginEntry(const std::string& account, const std::string& password, std::string& message) {
    const int status = UserLogin(account, password);
    message = CurrentLoginResult().message;
    return status == 1;
}

void BackgroundLogin() {
    std::string account = config::Read(config::kUser, config::kUserName);
    std::string password = config::Read(config::kUser, config::kUserWord);
    if (account.empty()) {
        account = std::string(kBuiltInAccount);
    }
    if (password.empty()) {
        password = std::string(kBuiltInPassword);
    }
    if (UserLogin(account, password) != 1) {
        (void)UserLogin(std::string(kBuiltInAccount), std::string(kBuiltInPassword));
    }
}

} // namespace webservices
