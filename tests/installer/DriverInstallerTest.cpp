#include "installer/DriverInstaller.h"
#include "installer/DriverStoreFolder.h"
#include "tests/installer/InstallerTestFolders.h"

#include <gtest/gtest.h>

using namespace olvanetest;

namespace
{
struct RecordingMessages : InstallerMessages
{
    juce::StringArray shown;
    void show (const juce::String& text) override { shown.add (text); }
};

class Installation : public ::testing::Test
{
protected:
    ScratchFolder shipped; // the installer's own folder
    ScratchFolder windows;
    FolderDriverStore store{ windows.folder };
    RecordingMessages messages;
    DriverInstaller installer{ store, messages, shipped.folder };

    juce::File ship (const juce::String& name, const juce::String& text) { return shipped.write (name, text); }
    juce::File installed (const juce::String& name, const juce::String& text)
    {
        return windows.write ("inf/" + name, text);
    }

    juce::StringArray storeContents() const
    {
        juce::StringArray names;
        for (const auto& f : windows.file ("inf").findChildFiles (juce::File::findFilesAndDirectories, false))
            names.add (f.getFileName());
        names.sort (false);
        return names;
    }

    juce::StringArray updates() const
    {
        juce::StringArray lines;
        lines.addLines (store.getUpdateLog().loadFileAsString());
        lines.removeEmptyStrings();
        return lines;
    }

    static juce::String update (const juce::String& id, const juce::File& inf)
    {
        return id + "\t" + inf.getFullPathName();
    }
};
} // namespace

TEST_F (Installation, OlderCopyGoesEqualCopyStaysAndTheInfIsNotAddedAgain)
{
    const auto oem3 = infText (usbClass, "05/16/2008,2.04.06.4", "usb\\vid_0403&pid_6001");
    const auto oem7 = infText (usbClass, "08/27/2012,2.08.24", busId);
    installed ("oem3.inf", oem3);
    installed ("oem7.inf", oem7);
    const auto inf = ship ("ftdibus.inf", infText (usbClass, "08/27/2012,2.08.24.0", busId));

    installer.install ("ftdibus.inf", busId);

    EXPECT_TRUE (messages.shown.isEmpty()) << messages.shown.joinIntoString ("\n");
    EXPECT_EQ (juce::StringArray ("oem7.inf"), storeContents());
    EXPECT_EQ (oem7, windows.file ("inf/oem7.inf").loadFileAsString());
    EXPECT_EQ (juce::StringArray (update (busId, inf)), updates());
}

TEST_F (Installation, NewerInfReplacesOlderCopiesUnderAFreeName)
{
    installed ("oem0.inf", infText (usbClass, "05/16/2008,2.04.06.4", busId));
    installed ("oem1.inf", infText (usbClass, "05/16/2009,2.06.00", busId));
    installed ("oem2.inf", infText (portsClass, "05/16/2009,2.06.00", portId));
    const auto text = infText (usbClass, "01/13/2014,2.10.0.0", busId);
    ship ("ftdibus.inf", text);

    installer.install ("ftdibus.inf", busId);

    EXPECT_EQ (juce::StringArray ("oem0.inf", "oem2.inf"), storeContents());
    EXPECT_EQ (text, windows.file ("inf/oem0.inf").loadFileAsString());

    // Run again: the copy now installed is equal, so nothing changes.
    installer.install ("ftdibus.inf", busId);
    EXPECT_EQ (juce::StringArray ("oem0.inf", "oem2.inf"), storeContents());
    EXPECT_EQ (2, updates().size());
    EXPECT_TRUE (messages.shown.isEmpty());
}

TEST_F (Installation, OlderCopiesGoEvenWhenANewerOneIsInstalled)
{
    // Listing order is the file system's, so newer and older copies are
    // spread on both sides of each other.
    installed ("oem1.inf", infText (usbClass, "01/01/2009,2.04.00", busId));
    installed ("oem4.inf", infText (usbClass, "01/01/2020,3.00.00", busId));
    installed ("oem6.inf", infText (usbClass, "01/01/2009,2.05.00", busId));
    installed ("oem9.inf", infText (usbClass, "01/01/2021,3.01.00", busId));
    ship ("ftdibus.inf", infText (usbClass, "08/27/2012,2.08.24", busId));

    installer.install ("ftdibus.inf", busId);

    EXPECT_EQ (juce::StringArray ("oem4.inf", "oem9.inf"), storeContents());
    EXPECT_EQ (1, updates().size());
}

TEST_F (Installation, VersionsBeyondTwoBillionStillCompare)
{
    // 2500.0 and 3000.0 are both past the int range as numbers.
    installed ("oem5.inf", infText (usbClass, "01/01/2030,2500.0", busId));
    const auto text = infText (usbClass, "01/01/2031,3000.0", busId);
    ship ("ftdibus.inf", text);

    installer.install ("ftdibus.inf", busId);

    EXPECT_EQ (juce::StringArray ("oem0.inf"), storeContents());
    EXPECT_EQ (text, windows.file ("inf/oem0.inf").loadFileAsString());
}

TEST_F (Installation, OnlyFilesOfTheSameClassThatNameTheDeviceAreTouched)
{
    const auto old = "05/16/2008,2.04.06.4";
    const juce::StringArray untouched{ "oem10.inf", "oem11.inf", "oem12.inf", "oem13.inf", "sub" };
    installed ("oem10.inf", infText (portsClass, old, busId));             // other class
    installed ("oem11.inf", infText (usbClass.toLowerCase(), old, busId)); // GUID compared exactly
    installed ("oem12.inf", infText (usbClass, old, "USB\\VID_0403&PID_6010"));
    installed ("oem13.inf", "no version, no class, but " + busId);
    installed ("OEM14.INF", infText (usbClass, old, busId)); // names match in any case, as on Windows
    installed ("sub/oem15.inf", infText (usbClass, old, busId));
    windows.file ("inf/oem16.inf").createDirectory();
    ship ("ftdibus.inf", infText (usbClass, "08/27/2012,2.08.24", busId));

    installer.install ("ftdibus.inf", busId);

    auto expected = untouched;
    expected.addArray ({ "oem0.inf", "oem16.inf" });
    expected.sort (false);
    EXPECT_EQ (expected, storeContents());
    EXPECT_TRUE (windows.file ("inf/sub/oem15.inf").existsAsFile());
    EXPECT_TRUE (messages.shown.isEmpty());
}

TEST_F (Installation, MissingInfIsReportedAndTheOtherStillInstalled)
{
    windows.file ("inf").createDirectory();
    const auto port = ship ("ftdiport.inf", infText (portsClass, "08/27/2012,2.08.24", portId));

    installer.run();

    EXPECT_EQ (juce::StringArray ("Unable to find the file " + shipped.file ("ftdibus.inf").getFullPathName()),
               messages.shown);
    EXPECT_EQ (juce::StringArray (update (portId, port)), updates());
    EXPECT_EQ (juce::StringArray ("oem0.inf"), storeContents());
}

TEST_F (Installation, FolderInPlaceOfTheInfCountsAsMissing)
{
    shipped.file ("ftdiport.inf").createDirectory();
    const auto bus = ship ("ftdibus.inf", infText (usbClass, "08/27/2012,2.08.24", busId));

    installer.run();

    EXPECT_EQ (juce::StringArray ("Unable to find the file " + shipped.file ("ftdiport.inf").getFullPathName()),
               messages.shown);
    EXPECT_EQ (juce::StringArray (update (busId, bus)), updates());
}

TEST_F (Installation, BothTargetsInOrderWithTheirOwnIds)
{
    const auto bus = ship ("ftdibus.inf", infText (usbClass, "08/27/2012,2.08.24", busId));
    const auto port = ship ("ftdiport.inf", infText (portsClass, "08/27/2012,2.08.24", portId));
    // An old port driver that also names the bus ID: the bus INF leaves it
    // alone (other class), the port INF removes it.
    installed ("oem2.inf", infText (portsClass, "01/01/2008,2.00", portId) + "; " + busId + "\r\n");

    installer.run();

    EXPECT_TRUE (messages.shown.isEmpty());
    EXPECT_EQ (juce::StringArray (update (busId, bus), update (portId, port)), updates());
    EXPECT_EQ (juce::StringArray ("oem0.inf", "oem1.inf"), storeContents());
    EXPECT_EQ (bus.loadFileAsString(), windows.file ("inf/oem0.inf").loadFileAsString());
    EXPECT_EQ (port.loadFileAsString(), windows.file ("inf/oem1.inf").loadFileAsString());
}

TEST_F (Installation, PendingInstallationEndsTheRunBeforeAnything)
{
    ship ("ftdibus.inf", infText (usbClass, "08/27/2012,2.08.24", busId));
    ship ("ftdiport.inf", infText (portsClass, "08/27/2012,2.08.24", portId));
    installed ("oem3.inf", infText (usbClass, "05/16/2008,2.04.06.4", busId));
    windows.write ("pending-install", {});

    installer.run();

    EXPECT_EQ (juce::StringArray ("Another device installation is currently active.  Please wait until that "
                                  "installation is complete and try this installer again."),
               messages.shown);
    EXPECT_EQ (juce::StringArray ("oem3.inf"), storeContents());
    EXPECT_FALSE (store.getUpdateLog().exists());
}

TEST_F (Installation, UtfSixteenInfIsRead)
{
    // Package INF files are often UTF-16 with a byte order mark.
    const auto inf = shipped.file ("ftdibus.inf");
    inf.replaceWithText (infText (usbClass, "08/27/2012,2.08.24", busId), true, true, nullptr);
    installed ("oem3.inf", infText (usbClass, "05/16/2008,2.04.06.4", busId));

    installer.install ("ftdibus.inf", busId);

    EXPECT_TRUE (messages.shown.isEmpty()) << messages.shown.joinIntoString ("\n");
    EXPECT_EQ (juce::StringArray ("oem0.inf"), storeContents());
}

// Whatever is wrong with the INF's text, the user is told it cannot be read,
// the store is left alone and the system is still asked to update.
class UnreadableInf : public Installation, public ::testing::WithParamInterface<const char*>
{
protected:
    juce::String contentFor (const juce::String& kind)
    {
        const auto good = infText (usbClass, "08/27/2012,2.08.24", busId);
        if (kind == "space before equals")
            return good.replace ("DriverVer=", "DriverVer =");
        if (kind == "key in other case")
            return good.replace ("DriverVer=", "DRIVERVER=");
        if (kind == "indented key")
            return good.replace ("ClassGUID=", "  ClassGUID=");
        if (kind == "no class GUID")
            return good.replace ("ClassGUID=", "Class=");
        if (kind == "empty class GUID")
            return good.replace (usbClass, {});
        if (kind == "version zero")
            return good.replace ("2.08.24", "0.0.0.0");
        if (kind == "version without comma")
            return good.replace ("08/27/2012,", {});
        if (kind == "empty file")
            return {};
        if (kind == "no line ends")
            return "DriverVer=08/27/2012,2.08.24 ClassGUID=" + usbClass + " " + busId;
        ADD_FAILURE() << "unknown kind " << kind;
        return {};
    }

    void writeRaw (const juce::File& f, const juce::MemoryBlock& bytes)
    {
        ASSERT_TRUE (f.replaceWithData (bytes.getData(), bytes.getSize()));
    }
};

TEST_P (UnreadableInf, IsReportedAndOnlyTheUpdateFollows)
{
    const juce::String kind = GetParam();
    const auto inf = shipped.file ("ftdibus.inf");

    if (kind == "binary")
    {
        juce::MemoryBlock bytes (64 * 1024);
        juce::Random random (42);
        for (size_t i = 0; i < bytes.getSize(); ++i)
            bytes[i] = static_cast<char> (random.nextInt (256));
        writeRaw (inf, bytes);
    }
    else if (kind == "huge")
    {
        // 50 MB of lines that only look like the keys.
        juce::MemoryOutputStream text;
        const juce::String line = "DriverVer = 08/27/2012,2.08.24 ; ClassGUID =" + usbClass + "\r\n";
        while (text.getDataSize() < 50 * 1024 * 1024)
            text << line;
        writeRaw (inf, text.getMemoryBlock());
    }
    else
    {
        ship ("ftdibus.inf", contentFor (kind));
    }

    const auto older = infText (usbClass, "05/16/2008,2.04.06.4", busId);
    installed ("oem3.inf", older);

    installer.install ("ftdibus.inf", busId);

    EXPECT_EQ (juce::StringArray ("Unable to read " + inf.getFullPathName()), messages.shown);
    EXPECT_EQ (juce::StringArray ("oem3.inf"), storeContents());
    EXPECT_EQ (juce::StringArray (update (busId, inf)), updates());
}

INSTANTIATE_TEST_SUITE_P (Kinds, UnreadableInf,
                          ::testing::Values ("space before equals", "key in other case", "indented key",
                                             "no class GUID", "empty class GUID", "version zero",
                                             "version without comma", "empty file", "no line ends", "binary", "huge"),
                          [] (const auto& paramInfo)
                          { return juce::String (paramInfo.param).replaceCharacter (' ', '_').toStdString(); });

TEST_F (Installation, BadInstalledFilesAreOlderCopiesOnlyIfTheyMatch)
{
    // An installed copy whose version cannot be read but which is of the
    // same class and device counts as older (version 0) and goes.
    installed ("oem1.inf", "ClassGUID=" + usbClass + "\n" + busId + "\n");
    juce::MemoryBlock junk (4096, true);
    junk.fillWith (0xff);
    ASSERT_TRUE (windows.file ("inf/oem2.inf").replaceWithData (junk.getData(), junk.getSize()));
    windows.write ("inf/oem3.inf", {});
    ship ("ftdibus.inf", infText (usbClass, "08/27/2012,2.08.24", busId));

    installer.install ("ftdibus.inf", busId);

    EXPECT_EQ (juce::StringArray ("oem0.inf", "oem2.inf", "oem3.inf"), storeContents());
    EXPECT_TRUE (messages.shown.isEmpty());
}
