#include "ProcessCensus.h"

#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <system_error>
#include <vector>
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

// The /proc folders of this process's children; -1 entries mean the listing failed.
std::vector<std::filesystem::path> ChildFolders(bool& failed) {
    const int self = static_cast<int>(getpid());
    std::error_code error;
    std::vector<std::filesystem::path> children;
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
            children.push_back(it->path());
        }
    }
    failed = static_cast<bool>(error);
    return children;
}

int CountChildren() {
    bool failed = false;
    const auto children = ChildFolders(failed);
    return failed ? -1 : static_cast<int>(children.size());
}

std::string FirstLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string CommandLine(const std::filesystem::path& folder) {
    std::ifstream in(folder / "cmdline", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (char& c : text) {
        c = c == '\0' ? ' ' : c;
    }
    return text.size() > 200 ? text.substr(0, 200) + "..." : text;
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

std::string DescribeProcess() {
    std::map<std::string, int> threadNames;
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc/self/task", error), end; !error && it != end;
         it.increment(error)) {
        ++threadNames[FirstLine(it->path() / "comm")];
    }
    std::string text = "threads:";
    for (const auto& [name, count] : threadNames) {
        text += " " + name + (count > 1 ? " x" + std::to_string(count) : "");
    }
    text += "\nchildren:";
    bool failed = false;
    for (const auto& child : ChildFolders(failed)) {
        text += " [" + child.filename().string() + " " + CommandLine(child) + "]";
    }
    text += "\nfds:";
    for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
         it.increment(error)) {
        std::error_code ignored;
        text += " " + std::filesystem::read_symlink(it->path(), ignored).string();
    }
    return text;
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
