// One request of a download, driven by a multi handle so that a stop wakes it at once.
#include "HttpTransfer.h"

#include "download_engine.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <string_view>

namespace engine {
namespace {

constexpr long kConnectTimeoutSeconds = 30;
// A transfer slower than 1 byte/s for this long counts as broken and is reconnected.
constexpr long kLowSpeedSeconds = 60;
constexpr long kBufferSize = 256 * 1024;
constexpr std::uint64_t kMinBufferSize = 4 * 1024;
constexpr long kMaxRedirects = 10;
constexpr int kPollMs = 1000;

// A read never takes more than a quarter second's worth of a speed limit: the library paces
// between reads, and one large read would pass the limit at once.
long BufferSize(std::uint64_t maxBytesPerSecond) {
    if (maxBytesPerSecond == 0) {
        return kBufferSize;
    }
    return static_cast<long>(std::clamp<std::uint64_t>(maxBytesPerSecond / 4, kMinBufferSize,
                                                       static_cast<std::uint64_t>(kBufferSize)));
}

bool IsRedirectOrInterim(int status) {
    return status < 200 || (status >= 300 && status < 400);
}

} // namespace

HttpTransfer::HttpTransfer(const std::string& url, PartialFile& file,
                           const TransferSettings& settings, TaskProgress& progress)
    : m_url(url), m_file(file), m_settings(settings), m_progress(progress),
      m_resume(file.readResumeInfo()) {}

TransferOutcome HttpTransfer::run(std::stop_token stop) {
    CurlEasy easy(curl_easy_init());
    CurlList headers;
    if (!easy || !configure(easy.get(), headers)) {
        return TransferOutcome::SetupFailed;
    }
    m_progress.resumedFrom = m_file.size();
    m_stop = stop;
    m_began = std::chrono::steady_clock::now();
    return perform(easy.get(), stop);
}

bool HttpTransfer::configure(CURL* easy, CurlList& headers) {
    bool ok = curl_easy_setopt(easy, CURLOPT_URL, m_url.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, BufferSize(m_settings.maxReceiveBytesPerSecond));
    curl_easy_setopt(easy, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "PenlowDownloadEngine/1.0");
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &HttpTransfer::OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &HttpTransfer::OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    if (!m_settings.proxy.empty()) {
        curl_easy_setopt(easy, CURLOPT_PROXY, m_settings.proxy.c_str());
        curl_easy_setopt(easy, CURLOPT_PROXYTYPE, m_settings.proxyType);
        if (!m_settings.proxyCredentials.empty()) {
            curl_easy_setopt(easy, CURLOPT_PROXYUSERPWD, m_settings.proxyCredentials.c_str());
        }
    }
    if (!m_settings.referer.empty()) {
        curl_easy_setopt(easy, CURLOPT_REFERER, m_settings.referer.c_str());
    }
    if (!m_settings.cookie.empty()) {
        curl_easy_setopt(easy, CURLOPT_COOKIE, m_settings.cookie.c_str());
    }
    if (m_file.size() > 0) {
        std::string range = std::to_string(m_file.size()) + "-";
        curl_easy_setopt(easy, CURLOPT_RANGE, range.c_str()); // the library copies it
        if (!m_resume.validator.empty()) {
            std::string condition = "If-Range: " + m_resume.validator;
            headers.reset(curl_slist_append(nullptr, condition.c_str()));
            curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
        }
    }
    return ok;
}

TransferOutcome HttpTransfer::perform(CURL* easy, std::stop_token stop) {
    CurlMulti multi(curl_multi_init());
    if (!multi || curl_multi_add_handle(multi.get(), easy) != CURLM_OK) {
        return TransferOutcome::SetupFailed;
    }
    CURLcode result = CURLE_OK;
    bool stopped = false;
    {
        CURLM* handle = multi.get();
        std::stop_callback wake(stop, [handle] { curl_multi_wakeup(handle); });
        int running = 1;
        while (running > 0) {
            if (curl_multi_perform(handle, &running) != CURLM_OK) {
                result = CURLE_FAILED_INIT;
                break;
            }
            if (stop.stop_requested()) {
                stopped = true;
                break;
            }
            if (running > 0) {
                curl_multi_poll(handle, nullptr, 0, kPollMs, nullptr);
            }
        }
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(handle, &queued)) {
            if (message->msg == CURLMSG_DONE) {
                result = message->data.result;
            }
        }
    }
    curl_multi_remove_handle(multi.get(), easy);
    return stopped ? TransferOutcome::Stopped : finalOutcome(result);
}

TransferOutcome HttpTransfer::finalOutcome(CURLcode result) {
    if (m_haveOutcome) {
        return m_outcome; // decided by a callback that ended the transfer
    }
    if (result != CURLE_OK) {
        if (m_sawResponse) {
            return TransferOutcome::Broken;
        }
        // Nothing listens there (or no such host): waiting would not change the answer.
        const bool refused =
            result == CURLE_COULDNT_CONNECT || result == CURLE_COULDNT_RESOLVE_HOST;
        return refused ? TransferOutcome::Refused : TransferOutcome::NoResponse;
    }
    if (!m_decided && !decide()) {
        return m_outcome;
    }
    if (m_total > 0 && m_file.size() < m_total) {
        return TransferOutcome::Broken; // closed early without a length to tell
    }
    if (m_total > 0 && m_file.size() > m_total) {
        return TransferOutcome::BadResponse;
    }
    return TransferOutcome::Completed;
}

std::size_t HttpTransfer::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
    auto* transfer = static_cast<HttpTransfer*>(self);
    std::string_view line(data, size * count);
    transfer->m_headers.feed(line);
    if (transfer->m_headers.status() != 0) {
        transfer->m_sawResponse = true;
        transfer->m_progress.httpStatus = transfer->m_headers.status();
    }
    return size * count;
}

std::size_t HttpTransfer::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto* transfer = static_cast<HttpTransfer*>(self);
    std::size_t length = size * count;
    if (!transfer->m_decided && !transfer->decide()) {
        return 0; // ends the transfer; m_outcome says why
    }
    if (transfer->m_total > 0 && transfer->m_file.size() + length > transfer->m_total) {
        transfer->m_haveOutcome = true;
        transfer->m_outcome = TransferOutcome::BadResponse;
        return 0;
    }
    // An answer without a length is held to the cap as it arrives.
    const std::uint64_t cap = transfer->m_settings.maxFileSize;
    if (cap > 0 && transfer->m_file.size() + length > cap) {
        transfer->m_haveOutcome = true;
        transfer->m_outcome = TransferOutcome::NotAccepted;
        return 0;
    }
    int error = transfer->m_file.append(data, length);
    if (error != 0) {
        transfer->m_writeError = error;
        transfer->m_haveOutcome = true;
        transfer->m_outcome = TransferOutcome::WriteFailed;
        return 0;
    }
    transfer->m_progress.transferred += length;
    transfer->m_progress.received = transfer->m_file.size();
    transfer->m_bodyBytes += length;
    transfer->keepToSpeedLimit();
    return length;
}

void HttpTransfer::keepToSpeedLimit() {
    std::uint64_t limit = m_settings.maxReceiveBytesPerSecond;
    if (limit == 0) {
        return;
    }
    // Waiting here holds the reads back, and TCP flow control holds the server back. A stop
    // ends the wait at once.
    auto due = m_began + std::chrono::microseconds(m_bodyBytes * 1000000 / limit);
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    never.wait_until(lock, m_stop, due, [] { return false; });
}

bool HttpTransfer::decide() {
    m_decided = true;
    m_haveOutcome = true;
    int status = m_headers.status();
    if (status == 206 || status == 416) {
        if (!decideRange()) {
            return false;
        }
    } else if (status >= 200 && status < 300) {
        if (m_file.size() > 0) {
            // The server ignored the Range (no support, or the file changed): start again.
            int error = m_file.truncate();
            if (error != 0) {
                m_writeError = error;
                m_outcome = TransferOutcome::WriteFailed;
                return false;
            }
            m_progress.resumedFrom = 0;
        }
        m_total = m_headers.contentLength().value_or(0);
    } else {
        m_outcome =
            IsRedirectOrInterim(status) ? TransferOutcome::BadResponse : TransferOutcome::HttpError;
        return false;
    }
    if (!acceptable()) {
        return false;
    }
    m_haveOutcome = false;
    m_progress.fileSize = m_total;
    m_progress.received = m_file.size();
    m_progress.state = DE_STATE_DOWNLOADING;
    m_file.writeResumeInfo(ResumeInfo{m_url, m_total, m_headers.rangeValidator()});
    return true;
}

bool HttpTransfer::acceptable() {
    const std::uint64_t cap = m_settings.maxFileSize;
    const auto& type = m_headers.contentType();
    const std::string& wanted = m_settings.requiredMediaType;
    const bool tooLarge = cap > 0 && m_total > cap;
    const bool wrongType = !wanted.empty() && type && type->compare(0, wanted.size(), wanted) != 0;
    if (tooLarge || wrongType) {
        m_outcome = TransferOutcome::NotAccepted;
        return false;
    }
    return true;
}

bool HttpTransfer::decideRange() {
    const auto& range = m_headers.contentRange();
    std::uint64_t have = m_file.size();
    if (m_headers.status() == 416) {
        // Nothing is left to send: the file was complete when the last process ended.
        bool complete = range && range->unsatisfied && have > 0 && *range->total == have &&
                        (m_resume.totalSize == 0 || m_resume.totalSize == have);
        m_outcome = complete ? TransferOutcome::Completed : TransferOutcome::RestartFromZero;
        if (complete) {
            m_total = have;
            m_progress.fileSize = have;
            m_progress.received = have;
        }
        return false;
    }
    bool continues = range && !range->unsatisfied && range->first == have;
    bool sameSize =
        !range || !range->total || m_resume.totalSize == 0 || *range->total == m_resume.totalSize;
    if (!continues || !sameSize) {
        m_outcome = TransferOutcome::RestartFromZero;
        return false;
    }
    m_total = range->total.value_or(0);
    return true;
}

} // namespace engine
