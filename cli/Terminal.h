#pragma once

#include <string>

// The console around tavikctl, one implementation per system
// (TerminalPosix.cpp, TerminalWin32.cpp).
namespace Terminal
{
enum class Stream
{
    input,
    output,
    error
};

// True when the stream is an interactive terminal (so a progress bar can
// redraw its line, and a question can be answered).
bool isTerminal (Stream stream);

// From now on Ctrl-C no longer ends the program: each press is counted for
// takeInterrupts. Pressed while nothing watches, it ends the program as usual.
void watchInterrupts();
void stopWatchingInterrupts();

// The presses since the last call.
int takeInterrupts();

// One line typed on standard input, without its line end; false at its end
// (Ctrl-D, or Ctrl-Z on Windows), after which a later call reads again.
bool readLine (std::string& line);
} // namespace Terminal
