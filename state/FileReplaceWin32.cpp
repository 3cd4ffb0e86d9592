#include "state/FileReplace.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>

namespace
{
bool writeAll (HANDLE file, const char* data, size_t numBytes)
{
    while (numBytes > 0)
    {
        const auto chunk = static_cast<DWORD> (std::min<size_t> (numBytes, 1u << 30));
        DWORD written = 0;
        if (!WriteFile (file, data, chunk, &written, nullptr) || written == 0)
            return false;
        data += written;
        numBytes -= written;
    }
    return true;
}

// A virus scanner or indexer may hold the file for a moment; the old file
// stays whole through every attempt, so retrying costs nothing but time.
bool isPassingLock (DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}
} // namespace

bool FileReplace::replaceWithData (const juce::File& target, const void* data, size_t numBytes)
{
    const auto targetPath = target.getFullPathName();

    // Neither can ever be renamed over; no point writing the scratch file.
    const auto attributes = GetFileAttributesW (targetPath.toWideCharPointer());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return false;

    juce::File scratch;
    HANDLE file = INVALID_HANDLE_VALUE;

    for (int attempt = 0; attempt < 10 && file == INVALID_HANDLE_VALUE; ++attempt)
    {
        scratch = scratchFileFor (target);
        file = CreateFileW (scratch.getFullPathName().toWideCharPointer(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    if (file == INVALID_HANDLE_VALUE)
        return false;

    bool written = writeAll (file, static_cast<const char*> (data), numBytes) && FlushFileBuffers (file);
    written = CloseHandle (file) && written;

    const auto scratchPath = scratch.getFullPathName();
    for (int attempt = 0; written; ++attempt)
    {
        // A plain rename, unlike ReplaceFileW, never removes the old file
        // before the new one has its name.
        if (MoveFileExW (scratchPath.toWideCharPointer(), targetPath.toWideCharPointer(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        if (attempt == 4 || !isPassingLock (GetLastError()))
            break;
        Sleep (100);
    }

    DeleteFileW (scratchPath.toWideCharPointer());
    return false;
}
