// The program's services object as window tests build it: the program's real parts, with the
// phone search off (a test that wants phones sets its own connection), the download queues
// left to the test and no recommendations browser.
#pragma once

#include "app/ProgramServices.h"

namespace testsupport {

ProgramServices::Collaborators WindowTestCollaborators();

} // namespace testsupport
