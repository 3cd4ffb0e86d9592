#include "cli/Terminal.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace
{
volatile std::sig_atomic_t interrupts = 0;

void countInterrupt (int)
{
    interrupts = interrupts + 1;
}

void setInterruptAction (void (*handler) (int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset (&action.sa_mask);
    action.sa_flags = SA_RESTART; // a question being answered keeps waiting for its line
    ::sigaction (SIGINT, &action, nullptr);
}
} // namespace

namespace Terminal
{
bool isTerminal (Stream stream)
{
    const int fd = stream == Stream::input ? STDIN_FILENO : stream == Stream::output ? STDOUT_FILENO : STDERR_FILENO;
    return ::isatty (fd) == 1;
}

void watchInterrupts()
{
    interrupts = 0;
    setInterruptAction (countInterrupt);
}

void stopWatchingInterrupts()
{
    setInterruptAction (SIG_DFL);
}

int takeInterrupts()
{
    // Only the handler adds and only this thread takes: a press between the
    // two statements stays counted for the next call.
    const int count = interrupts;
    interrupts = interrupts - count;
    return count;
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
