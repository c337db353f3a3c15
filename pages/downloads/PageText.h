// Texts of the download pages: rows keep UTF-8 in std::string, the list shows QString.
#pragma once

#include <QString>

#include <string>

/// `text` (UTF-8) as a QString.
inline QString Qt8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
