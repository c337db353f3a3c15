#include "TestProgramServices.h"

namespace testsupport {

ProgramServices::Collaborators WindowTestCollaborators() {
    ProgramServices::Collaborators parts = ProgramServices::RealCollaborators();
    parts.connection.enabled = false;
    parts.startDownloadQueues = [] {};
    parts.recommendBrowser = {};
    return parts;
}

} // namespace testsupport
