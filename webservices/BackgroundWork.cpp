#include "BackgroundWork.h"

#include "AccountLogin.h"

namespace webservices {

// The groups live until static destruction, which joins whatever StopBackgroundWork did not.
platform::ThreadGroup& MachineEventThreads() {
    static platform::ThreadGroup group;
    return group;
}

platform::ThreadGroup& UpdateCheckThreads() {
    static platform::ThreadGroup group;
    return group;
}

platform::ThreadGroup& LoginThreads() {
    static platform::ThreadGroup group;
    return group;
}

bool StartBackgroundLogin() {
    return LoginThreads().start([](std::stop_token) { BackgroundLogin(); });
}

void StopBackgroundWork() {
    LoginThreads().stopAndJoin();
    UpdateCheckThreads().stopAndJoin();
    MachineEventThreads().stopAndJoin();
}

} // namespace webservices
