#include "CliRegistry.h"

#include <algorithm>
#include <cstdio>

namespace {

std::vector<CliCommand>& commands() {
    static std::vector<CliCommand> list;
    return list;
}

} // namespace

CliRegistration::CliRegistration(const char* name, const char* usage, const char* summary,
                                 CliHandler run, CliPhone phone) {
    commands().push_back({name, usage, summary, run, phone});
}

std::vector<CliCommand> RegisteredCommands() {
    std::vector<CliCommand> list = commands();
    std::sort(list.begin(), list.end(),
              [](const CliCommand& a, const CliCommand& b) { return a.name < b.name; });
    return list;
}

int CliUsageError(const std::string& usage) {
    std::fprintf(stderr, "usage: penlow-cli %s\n", usage.c_str());
    return 2;
}
