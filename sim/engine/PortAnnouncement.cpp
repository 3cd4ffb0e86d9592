#include "engine/PortAnnouncement.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace taviksim
{

std::string PortAnnouncement::defaultFolder()
{
    const char* runtime = std::getenv ("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        return std::string (runtime) + "/tavik-sim-ports";
    return "/tmp/tavik-sim-ports-" + std::to_string (::geteuid());
}

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
    // The user's own: in /tmp anyone could have made it first, or put a link
    // in its place, so what stands there is used only if it is that.
    if (::mkdir (folder.c_str(), 0700) != 0 && errno != EEXIST)
    {
        error = "cannot create " + folder + ": " + std::strerror (errno);
        return false;
    }
    struct stat existing
    {
    };
    if (::lstat (folder.c_str(), &existing) != 0 || !S_ISDIR (existing.st_mode) || existing.st_uid != ::geteuid() ||
        (existing.st_mode & 077) != 0)
    {
        error = "cannot use " + folder + ": not a folder of this user's alone";
        return false;
    }
    const std::string target = folder + "/" + std::to_string (::getpid());
    const std::string temporary = folder + "/." + std::to_string (::getpid()) + ".tmp";
    // A fresh file only: whatever already stands under that name (a leftover
    // of a simulator that had our pid) is not ours to write through.
    ::unlink (temporary.c_str());
    const int fd = ::open (temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
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
