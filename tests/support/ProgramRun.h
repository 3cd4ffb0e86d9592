#pragma once

#include <string>
#include <vector>

// A built program started by a test, its standard output and error in
// files of their own (so neither can fill a pipe and stall it), its exit
// status kept. Killed if still running when destroyed.
class ProgramRun
{
public:
    struct Options
    {
        std::vector<std::string> environment; // "NAME=value", added to (or replacing in) this process's own
        std::string standardInput;            // a path to read from; empty: /dev/null
    };

    ProgramRun (const std::vector<std::string>& arguments, const Options& options);
    ProgramRun (const std::vector<std::string>& arguments)
        : ProgramRun (arguments, Options())
    {
    }
    ~ProgramRun();
    ProgramRun (const ProgramRun&) = delete;
    ProgramRun& operator= (const ProgramRun&) = delete;

    bool started() const { return pid > 0; }

    // The exit status once the program has ended within timeoutMs; -1 when
    // it has not (it is then killed), -2 when a signal ended it.
    int wait (int timeoutMs);
    bool running();
    void signal (int number) const;

    std::string output() const;
    std::string errors() const;
    // The first line of standard output, waiting for it at most timeoutMs.
    std::string firstLine (int timeoutMs) const;

private:
    int pid = -1;
    int status = -1;
    bool ended = false;
    std::string outPath, errPath;
};
