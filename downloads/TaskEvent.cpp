#include "TaskEvent.h"

#include "download_engine.h"

DownloadFailure FailureFromEngine(int failureCode, int httpStatus) {
    switch (failureCode) {
    case DE_FAIL_DISK_FULL:
        return DownloadFailure::DiskFull;
    case DE_FAIL_WRITE:
    case DE_FAIL_RENAME:
        return DownloadFailure::FileError;
    case DE_FAIL_REFUSED:
        return DownloadFailure::ServerError; // the server's file is not what was asked for
    case DE_FAIL_HTTP_STATUS:
        return httpStatus == 404 || httpStatus == 410 ? DownloadFailure::NotFound
                                                      : DownloadFailure::ServerError;
    default:
        return DownloadFailure::Network;
    }
}
