#pragma once

#include "installer/DriverStore.h"
#include "installer/InstallerMessages.h"

#include <memory>

// What each system provides to the program; defined in DriverStoreWin32.cpp
// and, everywhere else, DriverStorePosix.cpp.

std::unique_ptr<DriverStore> createSystemDriverStore();

std::unique_ptr<InstallerMessages> createSystemMessages();

// The folder of the installer's own executable file, where the INF files lie.
juce::File getInstallerFolder();
