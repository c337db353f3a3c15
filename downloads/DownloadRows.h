// Rows of the download databases as the program reads and writes them. Sizes are stored as
// decimal text; folders end in '/'.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// Where an unfinished download stands (columns FilePath, FileName, FileSize, RecvSize).
struct SavedDownload {
    std::string folder;
    std::string fileName;
    std::uint64_t fileSize = 0;
    std::uint64_t received = 0;
};

/// A row of Downloading.
struct DownloadingRow {
    std::string url;
    SavedDownload saved;
};

/// A row of Downloaded.
struct DownloadedRow {
    std::int64_t id = 0;
    std::string url;
    SavedDownload saved;
};

/// The size columns' text: unsigned decimal. Leading digits count and the rest is ignored; a
/// value beyond 64 bits gives UINT64_MAX and a text without leading digit nullopt.
std::optional<std::uint64_t> ParseSizeColumn(std::string_view text);

/// The whole-path rule of the lookups that decide whether a download can be continued: the
/// folder and file name joined, when the name is not empty and the size text does not begin
/// with "0" (and is not empty).
std::optional<std::string> ContinuablePath(const std::string& folder, const std::string& fileName,
                                           const std::string& sizeText);

/// A request for an app download: the texts a store page handed over.
struct AppRequest {
    std::string url;
    std::string name;
    std::string type;
    std::string ver;
    std::string validType;  ///< "MD5" or empty
    std::string validValue; ///< expected checksum, hexadecimal
    std::string packageName;
};

/// A row of AppDownloading.
struct AppDownloadingRow {
    AppRequest app;
    SavedDownload saved;
};

/// A row of AppDownloaded.
struct AppDownloadedRow {
    std::int64_t id = 0;
    AppRequest app;
    std::string folder;
    std::string fileName;
    std::uint64_t fileSize = 0;
    std::string path() const { return folder + fileName; }
};

/// A row of IconDownloaded (the icon of every finished row with the same URL and version).
struct IconDownloadedRow {
    std::string appUrl;
    std::string appVer;
    std::string iconUrl;
    std::string folder;
    std::string fileName;
    std::uint64_t fileSize = 0;
    std::string path() const { return folder + fileName; }
};

/// Folder and file name handed to the engine to continue a download.
struct ContinuationPlace {
    std::string folder;
    std::string fileName;
};

/// True when a file (or anything else) exists at `path`.
bool PathExists(const std::string& path);
