#include "support/TestProcess.h"

void keepWindowSystemLibrariesLoaded() {}

ScopedFileSizeLimit::ScopedFileSizeLimit (long long) {}
ScopedFileSizeLimit::~ScopedFileSizeLimit() = default;
