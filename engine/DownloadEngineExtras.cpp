// The remaining entry points of download_engine.so: URL helpers, per-task request settings,
// the proxy, and the settings this HTTP engine accepts without use or does not support.
#include "download_engine.h"

#include "ApiArguments.h"
#include "EngineRegistry.h"
#include "EngineTask.h"
#include "ResponseHeaders.h"
#include "TempFileNames.h"

#include <curl/curl.h>
#include <sys/random.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

using engine::EngineRegistry;
using engine::TextArgument;

namespace {

constexpr std::size_t kMaxSettingText = 4096;

struct CurlUrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct CurlTextDeleter {
    void operator()(char* text) const { curl_free(text); }
};
using CurlUrl = std::unique_ptr<CURLU, CurlUrlDeleter>;
using CurlText = std::unique_ptr<char, CurlTextDeleter>;

CurlUrl ParseHttpUrl(const char* url, int32_t urlLen) {
    auto text = TextArgument(url, urlLen, engine::kMaxUrl);
    if (!text || !engine::IsAcceptableUrl(*text)) {
        return nullptr;
    }
    CurlUrl handle(curl_url());
    std::string copy(*text);
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, copy.c_str(), 0) != CURLUE_OK) {
        return nullptr;
    }
    return handle;
}

CurlText UrlPart(CURLU* url, CURLUPart part, unsigned flags = 0) {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, flags) != CURLUE_OK) {
        return nullptr;
    }
    return CurlText(text);
}

int WithTask(int32_t taskId, const char* text, int32_t length,
             void (engine::EngineTask::*setter)(std::string)) {
    auto value = TextArgument(text, length, kMaxSettingText);
    if (!value) {
        return DE_ERR_INVALID_ARGUMENT;
    }
    auto task = EngineRegistry::Instance().find(taskId);
    if (!task) {
        return DE_ERR_NO_SUCH_TASK;
    }
    ((*task).*setter)(std::string(*value));
    return DE_OK;
}

} // namespace

extern "C" {

int parse_url(const char* url, int32_t url_len, de_url_info* info) {
    CurlUrl handle = ParseHttpUrl(url, url_len);
    if (!handle || info == nullptr) {
        return DE_ERR_INVALID_ARGUMENT;
    }
    CurlText scheme = UrlPart(handle.get(), CURLUPART_SCHEME);
    CurlText host = UrlPart(handle.get(), CURLUPART_HOST);
    CurlText path = UrlPart(handle.get(), CURLUPART_PATH);
    CurlText port = UrlPart(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    de_url_info parsed{};
    if (!scheme || !host || !path || !port ||
        !engine::CopyOut(scheme.get(), parsed.scheme, sizeof parsed.scheme) ||
        !engine::CopyOut(host.get(), parsed.host, sizeof parsed.host) ||
        !engine::CopyOut(path.get(), parsed.path, sizeof parsed.path)) {
        return DE_ERR_INVALID_ARGUMENT;
    }
    auto portNumber = engine::ParseDecimal(port.get());
    if (!portNumber || *portNumber > 65535) {
        return DE_ERR_INVALID_ARGUMENT;
    }
    parsed.port = static_cast<int32_t>(*portNumber);
    *info = parsed;
    return DE_OK;
}

int is_support_schema(const char* url, int32_t url_len) {
    auto text = TextArgument(url, url_len, engine::kMaxUrl);
    return text && engine::IsAcceptableUrl(*text) ? 1 : 0;
}

int url_info_to_str(const de_url_info* info, char* out, int32_t out_size) {
    if (info == nullptr || out == nullptr || out_size <= 0) {
        return DE_ERR_INVALID_ARGUMENT;
    }
    // The parts may lack their terminator: each is cut at its array size.
    std::string_view scheme(info->scheme, strnlen(info->scheme, sizeof info->scheme));
    std::string_view host(info->host, strnlen(info->host, sizeof info->host));
    std::string_view path(info->path, strnlen(info->path, sizeof info->path));
    std::string text = std::string(scheme) + "://" + std::string(host);
    if (info->port > 0) {
        text += ":" + std::to_string(info->port);
    }
    text += path;
    return engine::CopyOut(text, out, out_size) ? DE_OK : DE_ERR_BUFFER_TOO_SMALL;
}

int parse_filename(const char* url, int32_t url_len, char* out, int32_t out_size) {
    CurlUrl handle = ParseHttpUrl(url, url_len);
    if (!handle) {
        return DE_ERR_INVALID_ARGUMENT;
    }
    CurlText path = UrlPart(handle.get(), CURLUPART_PATH, CURLU_URLDECODE);
    if (!path) {
        return DE_ERR_INVALID_ARGUMENT;
    }
    std::string_view text(path.get());
    std::string_view name = text.substr(text.rfind('/') + 1);
    if (!engine::IsValidFileName(name)) {
        return DE_ERR_BAD_FILE_NAME;
    }
    return engine::CopyOut(name, out, out_size) ? DE_OK : DE_ERR_BUFFER_TOO_SMALL;
}

int set_proxy_info(int32_t kind, const char* host, int32_t host_len, int32_t port, const char* user,
                   int32_t user_len, const char* password, int32_t password_len) {
    auto hostText = TextArgument(host, host_len, 255);
    auto userText = TextArgument(user, user_len, 255);
    auto passwordText = TextArgument(password, password_len, 255);
    if (!hostText || !userText || !passwordText || port < 0 || port > 65535) {
        return DE_ERR_INVALID_ARGUMENT;
    }
    if (kind == DE_PROXY_NONE) {
        EngineRegistry::Instance().setProxy(0, "", "");
        return DE_OK;
    }
    if ((kind != DE_PROXY_HTTP && kind != DE_PROXY_SOCKS5) || hostText->empty()) {
        return DE_ERR_INVALID_ARGUMENT;
    }
    std::string credentials;
    if (!userText->empty()) {
        credentials = std::string(*userText) + ":" + std::string(*passwordText);
    }
    long type = kind == DE_PROXY_HTTP ? CURLPROXY_HTTP : CURLPROXY_SOCKS5_HOSTNAME;
    EngineRegistry::Instance().setProxy(type, std::string(*hostText) + ":" + std::to_string(port),
                                        credentials);
    return DE_OK;
}

int set_cookie(int32_t task_id, const char* cookie, int32_t cookie_len) {
    return WithTask(task_id, cookie, cookie_len, &engine::EngineTask::setCookie);
}

int set_stat_ref_url(int32_t task_id, const char* url, int32_t url_len) {
    return WithTask(task_id, url, url_len, &engine::EngineTask::setReferer);
}

int get_peer_id(char* out, int32_t out_size) {
    static std::once_flag once;
    static char peerId[17];
    std::call_once(once, [] {
        unsigned char bytes[8] = {};
        if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
            return; // stays zero: still a valid, if not random, identity
        }
        for (std::size_t i = 0; i < sizeof bytes; ++i) {
            std::snprintf(peerId + 2 * i, 3, "%02x", bytes[i]);
        }
    });
    if (peerId[0] == '\0') {
        return engine::CopyOut("0000000000000000", out, out_size) ? DE_OK : DE_ERR_BUFFER_TOO_SMALL;
    }
    return engine::CopyOut(peerId, out, out_size) ? DE_OK : DE_ERR_BUFFER_TOO_SMALL;
}

int update_datafile(int32_t task_id) {
    return EngineRegistry::Instance().find(task_id) ? DE_OK : DE_ERR_NO_SUCH_TASK;
}

int set_engine_version(const char*, int32_t) {
    return DE_OK;
}
int set_product_flag(int32_t) {
    return DE_OK;
}
int set_cur_language(int32_t) {
    return DE_OK;
}
int set_product_identifier(const char*, int32_t) {
    return DE_OK;
}
int register_client(const char*, int32_t) {
    return DE_OK;
}
int set_report_strategy(int32_t) {
    return DE_OK;
}
int set_res_use_strategy(int32_t) {
    return DE_OK;
}
int set_thread_num(int32_t count) {
    return count > 0 ? DE_OK : DE_ERR_INVALID_ARGUMENT;
}
int set_upload_speed_limit(int32_t kib_per_second) {
    return kib_per_second >= 0 ? DE_OK : DE_ERR_INVALID_ARGUMENT;
}
int notify_hub_deleted(const char*, int32_t) {
    return DE_OK;
}
int notify_hub_moved(const char*, int32_t, const char*, int32_t) {
    return DE_OK;
}

int set_hub_proxy(const char*, int32_t, int32_t) {
    return DE_ERR_NOT_SUPPORTED;
}
int verify_proxy(int32_t, const char*, int32_t, int32_t) {
    return DE_ERR_NOT_SUPPORTED;
}
int query_part_cid(int32_t, int32_t, char*, int32_t) {
    return DE_ERR_NOT_SUPPORTED;
}
int get_task_gcid(int32_t, char*, int32_t) {
    return DE_ERR_NOT_SUPPORTED;
}
int set_res_query_cid(int32_t, const char*, int32_t) {
    return DE_ERR_NOT_SUPPORTED;
}
int set_complete_file_name(int32_t, const char*, int32_t) {
    return DE_ERR_NOT_SUPPORTED;
}
int set_file_name(int32_t, const char*, int32_t) {
    return DE_ERR_NOT_SUPPORTED;
}
int set_listen_port(int32_t) {
    return DE_ERR_NOT_SUPPORTED;
}

} // extern "C"
