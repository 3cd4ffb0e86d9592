#pragma once

#include <juce_core/juce_core.h>

// INF texts and scratch folders shared by the installer tests.
namespace olvanetest
{
inline const juce::String usbClass = "{36FC9E60-C465-11CF-8056-444553540000}";
inline const juce::String portsClass = "{4D36E978-E325-11CE-BFC1-08002BE10318}";
inline const juce::String busId = "USB\\VID_0403&PID_6001";
inline const juce::String portId = "FTDIBUS\\COMPORT&VID_0403&PID_6001";

// An INF as a driver package would have it, with CR LF line ends.
inline juce::String infText (const juce::String& classGuid, const juce::String& driverVer,
                             const juce::String& hardwareId)
{
    return "; package INF\r\n[Version]\r\nSignature=\"$Windows NT$\"\r\nClassGUID=" + classGuid +
           "\r\nProvider=%Maker%\r\nDriverVer=" + driverVer + "\r\n\r\n[Devices.NTamd64]\r\n%Device%=Install," +
           hardwareId + "\r\n";
}

// A fresh folder in the temporary folder, deleted with the object.
class ScratchFolder
{
public:
    ScratchFolder()
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getNonexistentChildFile ("olvane-test", {}, false))
    {
        folder.createDirectory();
    }

    ~ScratchFolder() { folder.deleteRecursively(); }

    ScratchFolder (const ScratchFolder&) = delete;
    ScratchFolder& operator= (const ScratchFolder&) = delete;

    juce::File file (const juce::String& relativePath) const { return folder.getChildFile (relativePath); }

    juce::File write (const juce::String& relativePath, const juce::String& text) const
    {
        const auto f = file (relativePath);
        f.getParentDirectory().createDirectory();
        f.replaceWithText (text, false, false, nullptr);
        return f;
    }

    const juce::File folder;
};
} // namespace olvanetest

// Readable failure messages for the JUCE types the tests compare.
namespace juce
{
inline void PrintTo (const String& s, std::ostream* os)
{
    *os << '"' << s << '"';
}

inline void PrintTo (const StringArray& a, std::ostream* os)
{
    *os << "{ \"" << a.joinIntoString ("\", \"") << "\" }";
}
} // namespace juce
