#include "common/FileAccess.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// What an open descriptor holds, when it is a regular file of at most maxBytes.
FileAccess::Read readOpened (int fd, std::size_t maxBytes, juce::MemoryBlock& bytes)
{
    struct stat info
    {
    };
    if (::fstat (fd, &info) != 0)
        return FileAccess::Read::failed;
    if (!S_ISREG (info.st_mode))
        return FileAccess::Read::notRegular;

    juce::MemoryOutputStream read;
    char chunk[16384];
    for (;;)
    {
        const auto got = ::read (fd, chunk, sizeof (chunk));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return FileAccess::Read::failed;
        if (got == 0)
            break;
        if (read.getDataSize() + (std::size_t) got > maxBytes)
            return FileAccess::Read::tooLarge;
        read.write (chunk, (std::size_t) got);
    }
    bytes = read.getMemoryBlock();
    return FileAccess::Read::done;
}
} // namespace

FileAccess::Read FileAccess::readRegularFile (const juce::File& file, std::size_t maxBytes, juce::MemoryBlock& bytes)
{
    const auto* path = file.getFullPathName().toRawUTF8();
    struct stat info
    {
    };
    if (::stat (path, &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Read::missing : Read::failed;
    if (S_ISDIR (info.st_mode))
        return Read::missing;
    // Not even opened: opening some devices does something.
    if (!S_ISREG (info.st_mode))
        return Read::notRegular;

    // Without blocking all the same: the name may stand for a FIFO by now.
    const int fd = ::open (path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? Read::missing : Read::failed;
    const auto result = readOpened (fd, maxBytes, bytes);
    ::close (fd);
    return result;
}

bool isReadOnlyFile (const juce::File& file)
{
    struct stat info
    {
    };
    if (stat (file.getFullPathName().toRawUTF8(), &info) != 0 || !S_ISREG (info.st_mode))
        return false;
    // No write bit for anyone is what "read-only" means here, root included.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return true;
    return access (file.getFullPathName().toRawUTF8(), W_OK) != 0;
}
