#include "engine/PortAnnouncement.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace taviksim
{

PortAnnouncement::PortAnnouncement (std::string announcementFolder)
    : folder (std::move (announcementFolder))
{
}

PortAnnouncement::~PortAnnouncement()
{
    withdraw();
}

bool PortAnnouncement::publish (const std::string& portPath, std::string& error)
{
    withdraw();
    if (::mkdir (folder.c_str(), 01777) == 0)
    {
        // Shared by every user's simulators, like /tmp itself; umask would strip it.
        ::chmod (folder.c_str(), 01777);
    }
    else if (errno != EEXIST)
    {
        error = "cannot create " + folder + ": " + std::strerror (errno);
        return false;
    }
    const std::string target = folder + "/" + std::to_string (::getpid());
    const std::string temporary = folder + "/." + std::to_string (::getpid()) + ".tmp";
    const int fd = ::open (temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
    {
        error = "cannot write " + temporary + ": " + std::strerror (errno);
        return false;
    }
    const std::string line = portPath + "\n";
    const bool written = ::write (fd, line.data(), line.size()) == (ssize_t) line.size();
    ::close (fd);
    // The rename makes the file appear whole: a reader never sees half a path.
    if (!written || ::rename (temporary.c_str(), target.c_str()) != 0)
    {
        error = "cannot announce the port in " + target + ": " + std::strerror (errno);
        ::unlink (temporary.c_str());
        return false;
    }
    announced = target;
    return true;
}

void PortAnnouncement::withdraw()
{
    if (!announced.empty())
        ::unlink (announced.c_str());
    announced.clear();
}

} // namespace taviksim
