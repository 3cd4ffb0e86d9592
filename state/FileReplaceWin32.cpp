#include "state/FileReplace.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <aclapi.h>

#include <algorithm>
#include <vector>

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

// The file a symbolic link names, so that saving keeps the link and changes
// the file; the path itself for anything else (a dangling link too).
juce::String linkedPath (const juce::String& path)
{
    const auto attributes = GetFileAttributesW (path.toWideCharPointer());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return path;
    const HANDLE file =
        CreateFileW (path.toWideCharPointer(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return path;
    std::vector<wchar_t> named (32768);
    const auto length =
        GetFinalPathNameByHandleW (file, named.data(), (DWORD) named.size(), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle (file);
    if (length == 0 || length >= named.size())
        return path;
    const juce::String resolved (named.data(), (size_t) length);
    if (resolved.startsWith ("\\\\?\\UNC\\"))
        return "\\\\" + resolved.substring (8);
    return resolved.startsWith ("\\\\?\\") ? resolved.substring (4) : resolved;
}

// The new file takes the old one's access rules (a fresh file has only its
// folder's): a file kept private stays private.
void copyAccessRules (const juce::String& from, HANDLE to)
{
    PACL rules = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW (from.toWideCharPointer(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                               &rules, nullptr, &descriptor) != ERROR_SUCCESS)
        return;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    const bool isProtected =
        GetSecurityDescriptorControl (descriptor, &control, &revision) && (control & SE_DACL_PROTECTED) != 0;
    SetSecurityInfo (to, SE_FILE_OBJECT,
                     DACL_SECURITY_INFORMATION |
                         (isProtected ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION),
                     nullptr, nullptr, rules, nullptr);
    LocalFree (descriptor);
}
} // namespace

bool FileReplace::replaceWithData (const juce::File& linkOrFile, const void* data, size_t numBytes)
{
    const auto targetPath = linkedPath (linkOrFile.getFullPathName());
    const juce::File target (targetPath);

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
        file = CreateFileW (scratch.getFullPathName().toWideCharPointer(), GENERIC_WRITE | WRITE_DAC, 0, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    if (file == INVALID_HANDLE_VALUE)
        return false;

    if (attributes != INVALID_FILE_ATTRIBUTES)
        copyAccessRules (targetPath, file);
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
