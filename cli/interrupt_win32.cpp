#include "interrupt.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace cli {

namespace {

std::atomic<bool> g_interrupted { false };

// Ctrl+C and Ctrl+Break ask the run to stop; a second one ends the program
// at once (the default handler), as on Linux.
BOOL WINAPI onControl(DWORD type)
{
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    if (g_interrupted.exchange(true)) return FALSE;
    return TRUE;
}

} // namespace

const std::atomic<bool>& interruptFlag()
{
    return g_interrupted;
}

void catchInterrupts()
{
    SetConsoleCtrlHandler(onControl, TRUE);
}

} // namespace cli
