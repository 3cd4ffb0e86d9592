#pragma once

#include "installer/DriverStore.h"
#include "installer/InstallerMessages.h"

#include <array>

struct InstallationTarget
{
    const char* infName;
    const char* hardwareId;
};

// The bus driver first: the port driver's devices only appear once it runs.
inline constexpr std::array<InstallationTarget, 2> installationTargets{ {
    { "ftdibus.inf", "USB\\VID_0403&PID_6001" },
    { "ftdiport.inf", "FTDIBUS\\COMPORT&VID_0403&PID_6001" },
} };

// Installs the driver package that lies next to the installer: old copies
// out of the driver store, the shipped INF in, then the devices updated.
// Problems are told to the user and never stop the other INF.
class DriverInstaller
{
public:
    DriverInstaller (DriverStore& store, InstallerMessages& messages, const juce::File& installerFolder);

    // The whole installation: both targets in order, unless another device
    // installation is pending.
    void run();

    // One INF from the installer's folder for one hardware ID.
    void install (const juce::String& infName, const juce::String& hardwareId);

    // Uninstalls the older copies of the INF's driver and adds the INF unless
    // an equal or newer copy is installed. False when the INF is unreadable.
    bool cleanDriverStore (const juce::File& inf, const juce::String& hardwareId);

private:
    DriverStore& store;
    InstallerMessages& messages;
    juce::File installerFolder;
};
