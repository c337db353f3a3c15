#include "StorageQuery.h"

#include "Busybox.h"
#include "DfParser.h"
#include "OutputText.h"
#include "ProcessRunner.h"

#include <string>

namespace {

constexpr int kPasses = 3;
constexpr int kDfLimitSeconds = 10;

// One pass: busybox's table when busybox answers, else the phone's own df.
DfValues readOnce() {
    std::string output = RunBusybox("df -m");
    if (!output.empty() && !Contains(output, "not found")) {
        return ParseBusyboxDf(output);
    }
    output = RunAdbShell("df", false, kDfLimitSeconds);
    if (output.empty()) {
        return {};
    }
    return ParseToolboxDf(output);
}

} // namespace

bool QueryStorageValues(DfValues& values) {
    values = {};
    for (int pass = 0; pass < kPasses; ++pass) {
        values = readOnce();
        if (values.any()) {
            return true;
        }
    }
    return false;
}

bool QueryStorage(std::int64_t& sdcardMb, std::int64_t& dataMb) {
    DfValues values;
    const bool located = QueryStorageValues(values);
    sdcardMb = values.sdcard.value_or(0);
    dataMb = values.data.value_or(0);
    return located;
}
