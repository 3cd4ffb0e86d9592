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
    // Shared by every user's simulators, like /tmp itself: whoever makes the
    // folder opens it to all (umask would strip that), and anyone may then
    // add to it while removing only their own files.
    struct stat existing
    {
    };
    if (::mkdir (folder.c_str(), 01777) == 0)
    {
        ::chmod (folder.c_str(), 01777);
    }
    else if (errno != EEXIST)
    {
        error = "cannot create " + folder + ": " + std::strerror (errno);
        return false;
    }
    else if (::lstat (folder.c_str(), &existing) != 0 || !S_ISDIR (existing.st_mode))
    {
        error = "cannot use " + folder + ": not a folder";
        return false;
    }
    else if (existing.st_uid == ::geteuid() && (existing.st_mode & 07777) != 01777)
    {
        ::chmod (folder.c_str(), 01777);
    }
    const std::string target = folder + "/" + std::to_string (::getpid());
    const std::string temporary = folder + "/." + std::to_string (::getpid()) + ".tmp";
    // A fresh file only: in a folder everyone writes to, whatever already
    // stands under that name (a leftover, a planted link) is not ours to write through.
    ::unlink (temporary.c_str());
    const int fd = ::open (temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
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
