#include "CommandLine.h"

namespace platform {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    std::size_t pos = 0;
    const std::size_t n = line.size();
    while (true) {
        while (pos < n && isBlank(line[pos])) {
            ++pos;
        }
        if (pos >= n) {
            break;
        }
        std::string arg;
        bool inQuotes = false;
        while (pos < n && (inQuotes || !isBlank(line[pos]))) {
            if (line[pos] == '\\') {
                std::size_t slashes = 0;
                while (pos < n && line[pos] == '\\') {
                    ++slashes;
                    ++pos;
                }
                if (pos < n && line[pos] == '"') {
                    arg.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        arg += '"';
                        ++pos;
                    }
                } else {
                    arg.append(slashes, '\\');
                }
                continue;
            }
            if (line[pos] == '"') {
                if (inQuotes && pos + 1 < n && line[pos + 1] == '"') {
                    arg += '"'; // "" inside quotes is a literal quote
                    pos += 2;
                    continue;
                }
                inQuotes = !inQuotes;
                ++pos;
                continue;
            }
            arg += line[pos++];
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::vector<std::string> CommandLineToArgv(std::string_view line) {
    std::vector<std::string> argv = SplitCommandLine(line);
    if (!argv.empty()) {
        for (char& c : argv[0]) {
            if (c == '\\') {
                c = '/';
            }
        }
    }
    return argv;
}

} // namespace platform
