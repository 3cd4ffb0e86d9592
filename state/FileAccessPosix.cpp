#include "state/FileAccess.h"

#include <sys/stat.h>
#include <unistd.h>

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
