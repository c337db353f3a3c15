#include "ContinuableLookup.h"

#include "DownloadRows.h"

#include "platform/SqliteStatement.h"

std::optional<std::string> LastContinuablePath(SqliteStatement& select) {
    std::optional<std::string> path;
    while (select.step()) {
        if (auto candidate = ContinuablePath(select.text(0), select.text(1), select.text(2))) {
            path = std::move(candidate);
        }
    }
    return path;
}
