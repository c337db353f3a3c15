// One HTTP(S) request of a task: sends it (with a Range from the end of the temporary file),
// decides from the response whether the body continues the file, starts it again or is an
// error, and appends the body to the file. Retries and state belong to EngineTask.
#pragma once

#include "CurlHandles.h"
#include "PartialFile.h"
#include "ResponseHeaders.h"
#include "TaskProgress.h"
#include "TransferSettings.h"

#include <chrono>
#include <stop_token>
#include <string>

namespace engine {

enum class TransferOutcome {
    Completed,       ///< every byte is in the temporary file
    Stopped,         ///< stop requested
    NoResponse,      ///< no answer at all (nothing received)
    Refused,         ///< the connection was refused or the host has no address
    Broken,          ///< the connection broke after the response began
    RestartFromZero, ///< the server's answer does not continue the file: start it again
    HttpError,       ///< an error status
    WriteFailed,     ///< the temporary file could not be written (writeError() tells why)
    BadResponse,     ///< the server sent more than it announced
    SetupFailed,     ///< the transfer library refused the request
    NotAccepted,     ///< too large, or a content type the task does not take
};

class HttpTransfer {
public:
    /// `file` is open; `progress` receives sizes and counts as the body arrives.
    HttpTransfer(const std::string& url, PartialFile& file, const TransferSettings& settings,
                 TaskProgress& progress);

    /// Runs the request until it ends or `stop` is requested (which wakes it at once).
    TransferOutcome run(std::stop_token stop);
    /// errno of the failed write (WriteFailed).
    int writeError() const { return m_writeError; }

private:
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);

    bool configure(CURL* easy, CurlList& headers);
    TransferOutcome perform(CURL* easy, std::stop_token stop);
    /// Acts on the final response's headers once; false when the body must not be written.
    bool decide();
    bool decideRange();
    /// False (with NotAccepted) when the announced size or the content type is not acceptable.
    bool acceptable();
    TransferOutcome finalOutcome(CURLcode result);
    /// Waits as long as the speed limit asks after the body bytes received so far.
    void keepToSpeedLimit();

    const std::string& m_url;
    PartialFile& m_file;
    const TransferSettings& m_settings;
    TaskProgress& m_progress;
    ResumeInfo m_resume;
    ResponseHeaders m_headers;
    bool m_sawResponse = false;
    bool m_decided = false;
    bool m_haveOutcome = false;
    TransferOutcome m_outcome = TransferOutcome::Completed;
    std::uint64_t m_total = 0;
    int m_writeError = 0;
    std::stop_token m_stop;
    std::chrono::steady_clock::time_point m_began;
    std::uint64_t m_bodyBytes = 0; // body bytes of this request, for the speed limit
};

} // namespace engine
