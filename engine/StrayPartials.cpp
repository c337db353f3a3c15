// The sweep reads only names and the small meta files; what it removes goes through
// PartialFile, which knows the file names.
#include "StrayPartials.h"

#include "PartialFile.h"
#include "TempFileNames.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <set>

namespace engine {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() > suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// The final names of the folder's temporary and meta files, at most kMaxSweptEntries entries
// read.
std::set<std::string> PartialNames(const std::string& folder) {
    std::set<std::string> names;
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir) {
        return names;
    }
    std::size_t seen = 0;
    while (const dirent* entry = readdir(dir.get())) {
        if (++seen > kMaxSweptEntries) {
            break;
        }
        const std::string_view name = entry->d_name;
        for (std::string_view suffix : {kTempSuffix, kMetaSuffix}) {
            if (EndsWith(name, suffix)) {
                names.emplace(name.substr(0, name.size() - suffix.size()));
            }
        }
    }
    return names;
}

bool IsEmptyRegularFile(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0;
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

} // namespace

int RemoveStrayPartials(const std::string& folder, std::string_view url, std::string_view wanted,
                        const std::function<bool(const std::string&)>& keep) {
    int removed = 0;
    for (const std::string& name : PartialNames(folder)) {
        const std::string finalPath = folder + name;
        if (keep(finalPath)) {
            continue;
        }
        PartialFile file(folder, name);
        bool stray = false;
        if (Exists(MetaPathOf(finalPath))) {
            // Also a meta file whose temporary file was renamed just before a process ended.
            stray = file.readResumeInfo().url == url;
        } else {
            stray = IsNameOrNumbered(name, wanted) && IsEmptyRegularFile(TempPathOf(finalPath));
        }
        if (stray && PartialFile::RemoveTemp(finalPath)) {
            ++removed;
        }
    }
    return removed;
}

} // namespace engine
