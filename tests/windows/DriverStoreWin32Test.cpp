// The installer's real driver store (SetupAPI, newdev) in a Wine prefix.
// Wine keeps the source name of a copied INF where Windows picks oemN.inf,
// so copies are recognised by their content, and the installed copies that
// the version and class rules must judge are laid into <windows>\inf by the
// test itself, as an earlier installation would have left them.
#include "installer/DriverInstaller.h"
#include "installer/InstallerPlatform.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
constexpr const char* ftdiClass = "{4D36E978-E325-11CE-BFC1-08002BE10318}";
constexpr const char* otherClass = "{36FC9E60-C465-11CF-8056-444553540000}";
constexpr const char* busId = "USB\\VID_0403&PID_6001";

juce::String infText (const juce::String& classGuid, const juce::String& driverVer, const juce::String& hardwareId)
{
    return "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Ports\r\nClassGUID=" + classGuid +
           "\r\nProvider=%Tavik%\r\nDriverVer=" + driverVer + "\r\n\r\n[Devices]\r\n%Device%=Install," + hardwareId +
           "\r\n";
}

struct RecordedMessages : InstallerMessages
{
    juce::StringArray shown;
    void show (const juce::String& text) override { shown.add (text); }
};

struct Win32Store : ::testing::Test
{
    std::unique_ptr<DriverStore> store = createSystemDriverStore();
    juce::File infFolder;
    juce::TemporaryFile sourceFolderHolder;
    juce::File sourceFolder;
    juce::Array<juce::File> laidIn;

    void SetUp() override
    {
        infFolder = store->getWindowsFolder().getChildFile ("inf");
        ASSERT_TRUE (infFolder.isDirectory()) << infFolder.getFullPathName();
        sourceFolder = sourceFolderHolder.getFile();
        ASSERT_TRUE (sourceFolder.createDirectory());
    }

    void TearDown() override
    {
        for (auto& f : laidIn)
            f.deleteFile();
        for (auto& f : filesInStore())
            for (auto& source : sourceFolder.findChildFiles (juce::File::findFiles, false, "*.inf"))
                if (f.hasIdenticalContentTo (source))
                    f.deleteFile();
        sourceFolder.deleteRecursively();
    }

    juce::Array<juce::File> filesInStore() const
    {
        return infFolder.findChildFiles (juce::File::findFiles, false, "*.inf");
    }

    // The installed copies of a source INF, found by content.
    juce::Array<juce::File> copiesOf (const juce::File& source) const
    {
        juce::Array<juce::File> copies;
        for (auto& f : filesInStore())
            if (f != source && f.hasIdenticalContentTo (source))
                copies.add (f);
        return copies;
    }

    juce::File writeSource (const juce::String& name, const juce::String& text)
    {
        auto f = sourceFolder.getChildFile (name);
        EXPECT_TRUE (f.replaceWithText (text, false, false, "\r\n"));
        return f;
    }

    juce::File layIn (const juce::String& name, const juce::String& text)
    {
        auto f = infFolder.getChildFile (name);
        EXPECT_FALSE (f.exists()) << name << " already in the store";
        EXPECT_TRUE (f.replaceWithText (text, false, false, "\r\n"));
        laidIn.add (f);
        return f;
    }
};
} // namespace

TEST_F (Win32Store, SetupApiCopiesAnInfIntoTheStoreAndUninstallsIt)
{
    const auto inf = writeSource ("tavikcopy.inf", infText (ftdiClass, "01/13/2014,2.10.0.0", busId));
    ASSERT_TRUE (copiesOf (inf).isEmpty());

    store->copyOemInf (inf);
    const auto copies = copiesOf (inf);
    ASSERT_EQ (copies.size(), 1) << "SetupCopyOEMInfW put no copy into " << infFolder.getFullPathName();
    EXPECT_EQ (copies[0].getParentDirectory(), infFolder);

    // A second copy of the same INF is not added again.
    store->copyOemInf (inf);
    EXPECT_EQ (copiesOf (inf).size(), 1);

    store->uninstallOemInf (copies[0].getFileName());
    EXPECT_FALSE (copies[0].exists()) << "SetupUninstallOEMInfW left " << copies[0].getFullPathName();
}

// The rules of the store cleaning against the real store: older copies of the
// same class that name the device go, equal and newer ones and other classes stay.
TEST_F (Win32Store, OlderCopiesAreUninstalledAndAnEqualCopyKeepsTheNewOneOut)
{
    const auto older = layIn ("oem9103.inf", infText (ftdiClass, "05/16/2008,2.04.06.4", "usb\\vid_0403&pid_6001"));
    const auto equal = layIn ("oem9107.inf", infText (ftdiClass, "08/27/2012,2.08.24", busId));
    const auto otherDevice = layIn ("oem9108.inf", infText (otherClass, "05/16/2008,2.04.06.4", busId));
    const auto inf = writeSource ("ftdibus.inf", infText (ftdiClass, "08/27/2012,2.08.24", busId));

    RecordedMessages messages;
    DriverInstaller installer (*store, messages, sourceFolder);
    EXPECT_TRUE (installer.cleanDriverStore (inf, busId));

    EXPECT_FALSE (older.exists());
    EXPECT_TRUE (equal.exists());
    EXPECT_TRUE (otherDevice.exists());
    // Only the copy laid in carries this content: the new INF was not added.
    EXPECT_EQ (copiesOf (inf), juce::Array<juce::File> (equal));
    EXPECT_TRUE (messages.shown.isEmpty()) << messages.shown.joinIntoString ("\n");
}

TEST_F (Win32Store, WithOnlyOlderCopiesTheNewInfIsAdded)
{
    const auto older = layIn ("oem9104.inf", infText (ftdiClass, "05/16/2008,2.04.06.4", busId));
    const auto inf = writeSource ("ftdibus.inf", infText (ftdiClass, "01/13/2014,2.10.0.0", busId));

    RecordedMessages messages;
    DriverInstaller installer (*store, messages, sourceFolder);
    EXPECT_TRUE (installer.cleanDriverStore (inf, busId));

    EXPECT_FALSE (older.exists());
    EXPECT_EQ (copiesOf (inf).size(), 1);
    EXPECT_TRUE (messages.shown.isEmpty()) << messages.shown.joinIntoString ("\n");
}

// The built program, started in the Wine prefix with both INFs beside it:
// it installs both without a message (a message box would block it) and quits.
TEST_F (Win32Store, OlvaneInstallsBothInfsAndQuits)
{
    // Built next to this test: <build>/tests/this.exe and <build>/installer/Olvane.exe.
    const auto built = juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                           .getParentDirectory()
                           .getSiblingFile ("installer")
                           .getChildFile ("Olvane.exe");
    ASSERT_TRUE (built.existsAsFile()) << built.getFullPathName();
    const auto program = sourceFolder.getChildFile ("Olvane.exe");
    ASSERT_TRUE (built.copyFileTo (program));

    const auto bus = writeSource ("ftdibus.inf", infText (ftdiClass, "01/13/2014,2.10.0.0", busId));
    const auto port =
        writeSource ("ftdiport.inf", infText (ftdiClass, "01/13/2014,2.10.0.0", "FTDIBUS\\COMPORT&VID_0403&PID_6001"));

    juce::ChildProcess olvane;
    ASSERT_TRUE (olvane.start (program.getFullPathName()));
    const bool finished = olvane.waitForProcessToFinish (60000);
    if (!finished)
        olvane.kill();
    ASSERT_TRUE (finished) << "Olvane did not quit (a message box?)";
    EXPECT_EQ (olvane.getExitCode(), 0u);

    EXPECT_EQ (copiesOf (bus).size(), 1);
    EXPECT_EQ (copiesOf (port).size(), 1);
}
