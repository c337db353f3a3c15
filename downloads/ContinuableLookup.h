// The continuation lookup both download databases make: of the rows a statement selects
// (FilePath, FileName, FileSize), the last one ContinuablePath accepts.
#pragma once

#include <optional>
#include <string>

class SqliteStatement;

/// Steps `select` to its end; the whole path of the last continuable row, if any.
std::optional<std::string> LastContinuablePath(SqliteStatement& select);
