#include "support/TestProcess.h"

void keepWindowSystemLibrariesLoaded() {}
