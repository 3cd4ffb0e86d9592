// Saving over a file that Windows will not let go: held open by another
// program without sharing, or marked read-only (the missing folder and the
// folder in the target's place are in the unit tests, which run here too).
// The old file must come through whole each time, and the preset save must
// say so; once the obstacle is gone the new file arrives complete.
#include "state/FileReplace.h"
#include "state/StatePreset.h"
#include "support/StateHarness.h"

#include <gtest/gtest.h>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace
{
const juce::String oldContents = "old contents\r\n";

struct FileReplaceWin32 : ::testing::Test
{
    juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                            .getNonexistentChildFile ("tavik-replace-test", "", false);
    juce::File target = folder.getChildFile ("show.TavikPreset");
    juce::String newContents = juce::String::repeatedString ("new contents ", 100000);

    void SetUp() override
    {
        ASSERT_TRUE (folder.createDirectory());
        ASSERT_TRUE (target.replaceWithText (oldContents));
    }
    void TearDown() override
    {
        SetFileAttributesW (target.getFullPathName().toWideCharPointer(), FILE_ATTRIBUTE_NORMAL);
        folder.deleteRecursively();
    }

    bool replace()
    {
        return FileReplace::replaceWithData (target, newContents.toRawUTF8(), newContents.getNumBytesAsUTF8());
    }

    // The old file, and nothing else in the folder.
    void expectOldFileAlone()
    {
        EXPECT_EQ (target.loadFileAsString(), oldContents);
        juce::StringArray names;
        for (const auto& f : folder.findChildFiles (juce::File::findFilesAndDirectories, false, "*"))
            names.add (f.getFileName());
        EXPECT_EQ (names, juce::StringArray (target.getFileName())) << names.joinIntoString (", ");
    }
};

// Another program's handle on the file, opened as an editor holding it would.
struct HeldOpen
{
    explicit HeldOpen (const juce::File& f)
        : handle (CreateFileW (f.getFullPathName().toWideCharPointer(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~HeldOpen() { release(); }
    void release()
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle (handle);
        handle = INVALID_HANDLE_VALUE;
    }
    HANDLE handle;
};
} // namespace

TEST_F (FileReplaceWin32, ATargetHeldOpenWithoutSharingIsKept)
{
    HeldOpen other (target);
    ASSERT_NE (other.handle, INVALID_HANDLE_VALUE) << GetLastError();

    EXPECT_FALSE (replace());
    other.release();
    expectOldFileAlone();

    ASSERT_TRUE (replace());
    EXPECT_EQ (target.loadFileAsString(), newContents);
}

TEST_F (FileReplaceWin32, AReadOnlyTargetIsKept)
{
    ASSERT_TRUE (SetFileAttributesW (target.getFullPathName().toWideCharPointer(), FILE_ATTRIBUTE_READONLY));

    EXPECT_FALSE (replace());
    expectOldFileAlone();
}

TEST_F (FileReplaceWin32, APresetSaveOverAHeldFileIsReportedAndTheFileKept)
{
    StateHarness h (folder);
    HeldOpen other (target);
    ASSERT_NE (other.handle, INVALID_HANDLE_VALUE) << GetLastError();
    h.ask.fileAnswers.push_back (target);

    saveStatePreset (h.state);
    other.release();

    EXPECT_EQ (h.ask.messages(), juce::StringArray ("Unable to write " + target.getFullPathName()));
    expectOldFileAlone();
}
