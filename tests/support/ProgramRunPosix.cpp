#include "support/ProgramRun.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace
{
std::string scratchPath (const char* what)
{
    static int counter = 0;
    const char* tmp = std::getenv ("TMPDIR");
    return std::string (tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tavikctl-test-" +
           std::to_string (::getpid()) + "-" + std::to_string (++counter) + "." + what;
}

std::string readWhole (const std::string& path)
{
    std::ifstream in (path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
} // namespace

ProgramRun::ProgramRun (const std::vector<std::string>& arguments, const Options& options)
    : outPath (scratchPath ("out"))
    , errPath (scratchPath ("err"))
{
    // Everything the child needs is prepared here: after fork only
    // async-signal-safe calls are made.
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e)
    {
        const std::string entry (*e);
        const auto name = entry.substr (0, entry.find ('=') + 1);
        bool replaced = false;
        for (const auto& extra : options.environment)
            replaced = replaced || extra.compare (0, name.size(), name) == 0;
        if (!replaced)
            environment.push_back (entry);
    }
    environment.insert (environment.end(), options.environment.begin(), options.environment.end());
    std::vector<char*> argv, envp;
    for (const auto& a : arguments)
        argv.push_back (const_cast<char*> (a.c_str()));
    argv.push_back (nullptr);
    for (const auto& e : environment)
        envp.push_back (const_cast<char*> (e.c_str()));
    envp.push_back (nullptr);
    const std::string input = options.standardInput.empty() ? "/dev/null" : options.standardInput;

    const int in = ::open (input.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    const int out = ::open (outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err = ::open (errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (in >= 0 && out >= 0 && err >= 0 && !arguments.empty())
    {
        pid = ::fork();
        if (pid == 0)
        {
            ::dup2 (in, STDIN_FILENO);
            ::dup2 (out, STDOUT_FILENO);
            ::dup2 (err, STDERR_FILENO);
            // A signal the test ignores would be ignored by the program too.
            ::signal (SIGINT, SIG_DFL);
            ::execve (argv[0], argv.data(), envp.data());
            ::_exit (127);
        }
    }
    for (int fd : { in, out, err })
        if (fd >= 0)
            ::close (fd);
}

ProgramRun::~ProgramRun()
{
    if (pid > 0 && !ended)
    {
        ::kill (pid, SIGKILL);
        ::waitpid (pid, &status, 0);
    }
    ::unlink (outPath.c_str());
    ::unlink (errPath.c_str());
}

bool ProgramRun::running()
{
    if (pid <= 0 || ended)
        return false;
    if (::waitpid (pid, &status, WNOHANG) == pid)
        ended = true;
    return !ended;
}

int ProgramRun::wait (int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds (timeoutMs);
    while (running() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for (std::chrono::milliseconds (10));
    if (pid <= 0)
        return -1;
    if (!ended)
    {
        ::kill (pid, SIGKILL);
        ::waitpid (pid, &status, 0);
        ended = true;
        return -1;
    }
    return WIFEXITED (status) ? WEXITSTATUS (status) : -2;
}

void ProgramRun::signal (int number) const
{
    if (pid > 0 && !ended)
        ::kill (pid, number);
}

std::string ProgramRun::output() const
{
    return readWhole (outPath);
}

std::string ProgramRun::errors() const
{
    return readWhole (errPath);
}

std::string ProgramRun::firstLine (int timeoutMs) const
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds (timeoutMs);
    do
    {
        const auto text = output();
        const auto newline = text.find ('\n');
        if (newline != std::string::npos)
            return text.substr (0, newline);
        std::this_thread::sleep_for (std::chrono::milliseconds (10));
    } while (std::chrono::steady_clock::now() < end);
    return {};
}
