// Partner-account login against the login server (POST /ApServlet.ashx, UserLoginNoLock).
// The login dialog calls LoginEntry on its worker thread; start-up runs BackgroundLogin on
// a thread of its own when the dialog is switched off. The last attempt's outcome is kept
// process-wide in LoginResult; the install report sends its UID.
#pragma once

#include <string>
#include <string_view>

namespace webservices {

/// Outcome of the last login attempt. Empty (status 0) until an attempt fills it.
struct LoginResult {
    int status = 0; ///< 1 logged in, 0 not
    std::string uid;
    std::string name;
    std::string message;
};

/// The built-in account the background login falls back to.
inline constexpr std::string_view kBuiltInAccount = "penlow";
inline constexpr std::string_view kBuiltInPassword = "480917";

/// A copy of the process-wide result. Thread-safe.
LoginResult CurrentLoginResult();

/// Logs in with `account` and `password` (UTF-8; each cut to 256 bytes, then
/// percent-encoded). Blocking on the caller's thread; at most a few 1-second socket
/// time-outs. Returns the new status. When the server cannot be reached the result is left
/// as it was; otherwise the status is set to 0, and a reply with status 200 and a BSCO value
/// containing "1" sets it to 1 with UID and NAME; BMSG becomes the message; a non-200
/// status line becomes the message.
int UserLogin(const std::string& account, const std::string& password);

/// The login entry of the dialog and the background login: UserLogin, then true when logged
/// in, with the result's message in `message`.
bool LoginEntry(const std::string& account, const std::string& password, std::string& message);

/// Logs in with User/name and User/word of data/Config.ini (the built-in account's name or
/// password for an empty one); when that fails, once more with the built-in account. The
/// outcome is left in LoginResult only.
void BackgroundLogin();

/// The login request body: "CVER=100&BCMD=UserLoginNoLock&USER=<enc>&PWD=<enc>".
std::string LoginRequestBody(const std::string& account, const std::string& password);

/// Applies a login reply body to `result`: with a "BSCO" tag whose value contains "1",
/// status 1 and UID / NAME when found; with any BSCO, the message from BMSG when found.
void ApplyLoginReply(std::string_view body, LoginResult& result);

/// Replaces the process-wide result (an empty one: as at the start of a run).
void SetLoginResultForTesting(const LoginResult& result);

} // namespace webservices
