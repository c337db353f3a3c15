#include "TestProgramServices.h"

namespace testsupport {

ProgramServices::Parts WindowTestParts() {
    ProgramServices::Parts parts = ProgramServices::RealParts();
    parts.connection.enabled = false;
    parts.startDownloadQueues = [] {};
    parts.recommendBrowser = {};
    return parts;
}

} // namespace testsupport
