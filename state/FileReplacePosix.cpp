#include "state/FileReplace.h"

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
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
} // namespace

bool FileReplace::replaceWithData (const juce::File& target, const void* data, size_t numBytes)
{
    juce::File scratch;
    int fd = -1;

    for (int attempt = 0; attempt < 10 && fd < 0; ++attempt)
    {
        scratch = scratchFileFor (target);
        fd = ::open (scratch.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    bool written = writeAll (fd, static_cast<const char*> (data), numBytes) && ::fsync (fd) == 0;
    written = ::close (fd) == 0 && written;

    if (written && ::rename (scratch.getFullPathName().toRawUTF8(), target.getFullPathName().toRawUTF8()) == 0)
    {
        syncFolder (target.getParentDirectory());
        return true;
    }

    ::unlink (scratch.getFullPathName().toRawUTF8());
    return false;
}
