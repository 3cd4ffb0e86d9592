#include "support/TestProcess.h"

#include <csignal>
#include <dlfcn.h>
#include <initializer_list>
#include <sys/resource.h>

void keepWindowSystemLibrariesLoaded()
{
    for (auto* name :
         { "libX11.so.6", "libXext.so.6", "libXcursor.so.1", "libXinerama.so.1", "libXrender.so.1", "libXrandr.so.2" })
        dlopen (name, RTLD_LAZY | RTLD_NODELETE);
}

ScopedFileSizeLimit::ScopedFileSizeLimit (long long bytes)
{
    rlimit limit{};
    if (::getrlimit (RLIMIT_FSIZE, &limit) != 0)
        return;
    previous = (long long) limit.rlim_cur;
    std::signal (SIGXFSZ, SIG_IGN); // the write then fails with EFBIG
    limit.rlim_cur = (rlim_t) bytes;
    active = ::setrlimit (RLIMIT_FSIZE, &limit) == 0;
}

ScopedFileSizeLimit::~ScopedFileSizeLimit()
{
    if (!active)
        return;
    rlimit limit{};
    ::getrlimit (RLIMIT_FSIZE, &limit);
    limit.rlim_cur = (rlim_t) previous;
    ::setrlimit (RLIMIT_FSIZE, &limit);
}
