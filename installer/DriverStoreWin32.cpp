// The real driver store: SetupAPI, the configuration manager and newdev.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cfgmgr32.h>
#include <newdev.h>
#include <setupapi.h>

#include "installer/InstallerPlatform.h"

namespace
{
constexpr DWORD pathBufferSize = 260;

class Win32DriverStore : public DriverStore
{
public:
    bool isAnotherInstallationPending() override { return CMP_WaitNoPendingInstallEvents (0) == WAIT_TIMEOUT; }

    juce::File getWindowsFolder() override
    {
        WCHAR folder[pathBufferSize] = {};
        GetWindowsDirectoryW (folder, pathBufferSize);
        return juce::File (juce::String (folder));
    }

    void uninstallOemInf (const juce::String& fileName) override
    {
        SetupUninstallOEMInfW (fileName.toWideCharPointer(), SUOI_FORCEDELETE, nullptr);
    }

    void copyOemInf (const juce::File& inf) override
    {
        WCHAR destination[pathBufferSize];
        destination[0] = 0;
        SetupCopyOEMInfW (inf.getFullPathName().toWideCharPointer(),
                          inf.getParentDirectory().getFullPathName().toWideCharPointer(), SPOST_PATH,
                          SP_COPY_NOOVERWRITE, destination, pathBufferSize, nullptr, nullptr);
    }

    void updateDriver (const juce::String& hardwareId, const juce::File& inf) override
    {
        if (!UpdateDriverForPlugAndPlayDevicesW (nullptr, hardwareId.toWideCharPointer(),
                                                 inf.getFullPathName().toWideCharPointer(), 0, nullptr))
        {
            // Nothing to do about it: no device may be plugged in yet.
            GetLastError();
        }
    }
};

class Win32Messages : public InstallerMessages
{
public:
    void show (const juce::String& text) override
    {
        MessageBoxW (nullptr, text.toWideCharPointer(), juce::String (title).toWideCharPointer(),
                     MB_OK | MB_SETFOREGROUND);
    }
};
} // namespace

std::unique_ptr<DriverStore> createSystemDriverStore()
{
    return std::make_unique<Win32DriverStore>();
}

std::unique_ptr<InstallerMessages> createSystemMessages()
{
    return std::make_unique<Win32Messages>();
}

juce::File getInstallerFolder()
{
    return juce::File::getSpecialLocation (juce::File::currentExecutableFile).getParentDirectory();
}
