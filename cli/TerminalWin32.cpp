#include "cli/Terminal.h"

#include <atomic>
#include <cstdio>
#include <io.h>
#include <iostream>
#include <windows.h>

namespace
{
std::atomic<int> interrupts{ 0 };

BOOL WINAPI countInterrupt (DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE; // closing the console still ends the program
    ++interrupts;
    return TRUE;
}
} // namespace

namespace Terminal
{
bool isTerminal (Stream stream)
{
    FILE* file = stream == Stream::input ? stdin : stream == Stream::output ? stdout : stderr;
    return _isatty (_fileno (file)) != 0;
}

void watchInterrupts()
{
    interrupts = 0;
    ::SetConsoleCtrlHandler (countInterrupt, TRUE);
}

void stopWatchingInterrupts()
{
    ::SetConsoleCtrlHandler (countInterrupt, FALSE);
}

int takeInterrupts()
{
    return interrupts.exchange (0);
}

bool readLine (std::string& line)
{
    if (std::getline (std::cin, line))
        return true;
    // The end of one answer, not of the terminal: the next question reads
    // again (the C library keeps its end-of-file flag too).
    std::cin.clear();
    std::clearerr (stdin);
    return false;
}
} // namespace Terminal
