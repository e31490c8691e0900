#include "tools/cli/StopRequest.h"

#include <csignal>

#include "tools/cli/CommandLine.h"

namespace {

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void requestStop(int signal)
{
    stopSignal = signal;
}

} // namespace

void installStopHandlers()
{
#ifdef _WIN32
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
#else
    // Without SA_RESTART, so that a blocking call returns and the flag is seen.
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

bool stopRequested()
{
    return stopSignal != 0;
}

int stopExitStatus()
{
    switch (stopSignal) {
    case 0:
        return 0;
    case SIGINT:
        return kExitInterrupted;
    case SIGTERM:
        return kExitTerminated;
    default:
        return 128 + stopSignal;
    }
}
