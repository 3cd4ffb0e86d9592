#include "support/TestProcess.h"

#include <dlfcn.h>
#include <initializer_list>

void keepWindowSystemLibrariesLoaded()
{
    for (auto* name :
         { "libX11.so.6", "libXext.so.6", "libXcursor.so.1", "libXinerama.so.1", "libXrender.so.1", "libXrandr.so.2" })
        dlopen (name, RTLD_LAZY | RTLD_NODELETE);
}
