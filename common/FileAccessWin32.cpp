#include "common/FileAccess.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

FileAccess::Read FileAccess::readRegularFile (const juce::File& file, std::size_t maxBytes, juce::MemoryBlock& bytes)
{
    const auto path = file.getFullPathName();
    const auto attributes = GetFileAttributesW (path.toWideCharPointer());
    if (attributes == INVALID_FILE_ATTRIBUTES)
    {
        const auto error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Read::missing : Read::failed;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return Read::missing;

    const HANDLE handle =
        CreateFileW (path.toWideCharPointer(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? Read::missing : Read::failed;

    // Pipes, consoles and devices such as NUL or COM ports are no files of ours.
    auto result = GetFileType (handle) == FILE_TYPE_DISK ? Read::done : Read::notRegular;
    juce::MemoryOutputStream read;
    while (result == Read::done)
    {
        char chunk[16384];
        DWORD got = 0;
        if (!ReadFile (handle, chunk, sizeof (chunk), &got, nullptr))
            result = Read::failed;
        else if (got == 0)
            break;
        else if (read.getDataSize() + got > maxBytes)
            result = Read::tooLarge;
        else
            read.write (chunk, got);
    }
    CloseHandle (handle);
    if (result == Read::done)
        bytes = read.getMemoryBlock();
    return result;
}

bool isReadOnlyFile (const juce::File& file)
{
    // JUCE reports the read-only attribute through its write access check here.
    return file.existsAsFile() && !file.hasWriteAccess();
}
