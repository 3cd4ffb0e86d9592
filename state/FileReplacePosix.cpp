#include "state/FileReplace.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <stdio.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
bool writeAll (int fd, const char* data, size_t numBytes)
{
    while (numBytes > 0)
    {
        const auto written = ::write (fd, data, numBytes);
        if (written < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        numBytes -= static_cast<size_t> (written);
    }
    return true;
}

// A rename is on the disk only once its folder is; the new name is in place
// already, so a failure here changes nothing for the caller.
void syncFolder (const juce::File& folder)
{
    const int fd = ::open (folder.getFullPathName().toRawUTF8(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
    {
        ::fsync (fd);
        ::close (fd);
    }
}

// The file a link names (through any number of links), so that saving keeps
// the link and changes the file, as saving in place would. Relative links
// count from their own folder; a loop of links is left as it is.
juce::File linkedFile (const juce::File& target)
{
    std::string path = target.getFullPathName().toStdString();
    for (int hops = 0; hops < 40; ++hops)
    {
        char named[PATH_MAX];
        const auto length = ::readlink (path.c_str(), named, sizeof (named));
        if (length <= 0 || (size_t) length >= sizeof (named))
            break; // not a link (or nothing there): the file itself
        const std::string link (named, (size_t) length);
        const std::string full = link.front() == '/' ? link : path.substr (0, path.rfind ('/') + 1) + link;
        const auto slash = full.rfind ('/');
        char folder[PATH_MAX];
        if (::realpath (full.substr (0, slash > 0 ? slash : 1).c_str(), folder) == nullptr)
            break;
        path = std::string (folder) + (folder[1] != '\0' ? "/" : "") + full.substr (slash + 1);
    }
    return juce::File (path);
}
} // namespace

bool FileReplace::replaceWithData (const juce::File& linkOrFile, const void* data, size_t numBytes)
{
    const auto target = linkedFile (linkOrFile);
    struct stat old
    {
    };
    const bool replacing = ::stat (target.getFullPathName().toRawUTF8(), &old) == 0 && S_ISREG (old.st_mode);

    juce::File scratch;
    int fd = -1;

    for (int attempt = 0; attempt < 10 && fd < 0; ++attempt)
    {
        scratch = scratchFileFor (target);
        // Private until it has the old file's permissions: it may be a private file.
        fd = ::open (scratch.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                     replacing ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    bool written = writeAll (fd, static_cast<const char*> (data), numBytes) && ::fsync (fd) == 0;
    if (replacing)
    {
        // Owner and group as far as we may give them (root may, a member its group), then the mode.
        [[maybe_unused]] const bool owned =
            ::fchown (fd, old.st_uid, old.st_gid) == 0 || ::fchown (fd, (uid_t) -1, old.st_gid) == 0;
        written = written && ::fchmod (fd, old.st_mode & 07777) == 0;
    }
    written = ::close (fd) == 0 && written;

    if (written && ::rename (scratch.getFullPathName().toRawUTF8(), target.getFullPathName().toRawUTF8()) == 0)
    {
        syncFolder (target.getParentDirectory());
        return true;
    }

    ::unlink (scratch.getFullPathName().toRawUTF8());
    return false;
}
