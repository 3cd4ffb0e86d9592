// Saving over a file: the new bytes arrive whole, and a save that cannot
// happen leaves the old file and its folder exactly as they were. Only
// failures that stop root as well are used, so the test runs as any user.
#include "state/FileReplace.h"

#include <gtest/gtest.h>

namespace
{
struct FileReplaceTest : ::testing::Test
{
    juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                            .getNonexistentChildFile ("tavik-replace-test", "", false);

    void SetUp() override { ASSERT_TRUE (folder.createDirectory()); }
    void TearDown() override { folder.deleteRecursively(); }

    juce::StringArray namesInFolder() const
    {
        juce::StringArray names;
        for (const auto& f : folder.findChildFiles (juce::File::findFilesAndDirectories, false, "*"))
            names.add (f.getFileName());
        names.sort (false);
        return names;
    }

    static juce::MemoryBlock bytesOfSize (size_t size)
    {
        juce::MemoryBlock bytes (size);
        juce::Random random (7);
        for (size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char> (random.nextInt (256));
        return bytes;
    }

    static bool replace (const juce::File& target, const juce::MemoryBlock& bytes)
    {
        return FileReplace::replaceWithData (target, bytes.getData(), bytes.getSize());
    }

    static juce::MemoryBlock contentsOf (const juce::File& f)
    {
        juce::MemoryBlock bytes;
        f.loadFileAsData (bytes);
        return bytes;
    }
};
} // namespace

TEST_F (FileReplaceTest, NewContentsArriveWholeWithNothingLeftBeside)
{
    const auto target = folder.getChildFile ("show.TavikPreset");
    const auto first = bytesOfSize (3 * 1024 * 1024 + 17);
    ASSERT_TRUE (replace (target, first)); // no file there yet
    EXPECT_EQ (contentsOf (target), first);

    const auto shorter = bytesOfSize (100);
    ASSERT_TRUE (replace (target, shorter)); // over a longer file: nothing of it remains
    EXPECT_EQ (contentsOf (target), shorter);
    EXPECT_EQ (namesInFolder(), juce::StringArray ("show.TavikPreset"));
}

TEST_F (FileReplaceTest, AMissingFolderIsNotCreated)
{
    const auto target = folder.getChildFile ("gone").getChildFile ("show.TavikPreset");
    EXPECT_FALSE (replace (target, bytesOfSize (10)));
    EXPECT_FALSE (target.getParentDirectory().exists());
    EXPECT_TRUE (namesInFolder().isEmpty());
}

TEST_F (FileReplaceTest, AFolderInPlaceOfTheTargetIsKeptWithItsContents)
{
    const auto target = folder.getChildFile ("show.TavikPreset");
    ASSERT_TRUE (target.createDirectory());
    ASSERT_TRUE (target.getChildFile ("inside").replaceWithText ("old contents"));

    EXPECT_FALSE (replace (target, bytesOfSize (10)));
    EXPECT_TRUE (target.isDirectory());
    EXPECT_EQ (target.getChildFile ("inside").loadFileAsString(), "old contents");
    EXPECT_EQ (namesInFolder(), juce::StringArray ("show.TavikPreset"));
}
