#include "ProcessCensus.h"

#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>

namespace testsupport {

namespace {

int CountEntries(const char* folder) {
    std::error_code error;
    int count = 0;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        ++count;
    }
    return error ? -1 : count;
}

bool IsPidName(const std::string& name) {
    return !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
}

int CountChildren() {
    const int self = static_cast<int>(getpid());
    std::error_code error;
    int count = 0;
    for (std::filesystem::directory_iterator it("/proc", error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!IsPidName(name)) {
            continue;
        }
        std::ifstream stat(it->path() / "stat");
        std::string line;
        // A process that ended between the listing and the read is simply not counted.
        if (std::getline(stat, line) && ParentPidOfStatLine(line.c_str()) == self) {
            ++count;
        }
    }
    return error ? -1 : count;
}

} // namespace

int ParentPidOfStatLine(const char* line) {
    const char* close = std::strrchr(line, ')');
    if (!close || std::strlen(close) < 5) {
        return -1;
    }
    // ") S 1234 ...": the state letter, then the parent pid.
    const char* field = close + 4;
    const char* end = field + std::strlen(field);
    int parent = -1;
    const auto [stop, code] = std::from_chars(field, end, parent);
    if (code != std::errc() || stop == field) {
        return -1;
    }
    return parent;
}

ProcessCensus TakeProcessCensus() {
    ProcessCensus census;
    census.threads = CountEntries("/proc/self/task");
    // The listing's own descriptor is among the entries it counts.
    const int fds = CountEntries("/proc/self/fd");
    census.fds = fds < 0 ? -1 : fds - 1;
    census.children = CountChildren();
    return census;
}

} // namespace testsupport
