#include "interrupt.h"

#include <csignal>

namespace cli {

namespace {

std::atomic<bool> g_interrupted { false };

void onSignal(int)
{
    g_interrupted = true;
}

} // namespace

const std::atomic<bool>& interruptFlag()
{
    return g_interrupted;
}

void catchInterrupts()
{
    struct sigaction sa { };
    sa.sa_handler = onSignal;
    sa.sa_flags = SA_RESETHAND; // the second signal takes the default action
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

} // namespace cli
