// Preset files through the scripted user and a temporary preset folder: what
// is asked, what is said, what is written, and that failures change nothing.
#include "common/Status.h"
#include "state/StatePreset.h"
#include "state/StateXml.h"
#include "support/StateHarness.h"
#include "support/TestProcess.h"

#include <gtest/gtest.h>

namespace
{
struct PresetFiles : ::testing::Test
{
    juce::File sandbox = juce::File::getSpecialLocation (juce::File::tempDirectory)
                             .getNonexistentChildFile ("tavik-preset-test", "", false);
    juce::File folder = sandbox.getChildFile ("Orveth Tavik");
    std::unique_ptr<StateHarness> h;
    int refreshes = 0;

    void SetUp() override
    {
        ASSERT_TRUE (folder.createDirectory());
        h = std::make_unique<StateHarness> (folder);
    }
    void TearDown() override
    {
        h.reset();
        for (const auto& f : sandbox.findChildFiles (juce::File::findFiles, true))
            f.setReadOnly (false);
        sandbox.deleteRecursively();
    }

    ScriptedAskUser& ask() { return h->ask; }
    DeviceState& state() { return h->state; }

    juce::String snapshot()
    {
        juce::XmlElement root ("s");
        state().input2EQState.writeSection (root);
        state().outputEQState.writeSection (root);
        state().routerState.writeRouterSection (root);
        state().muteState.writeMuteSection (root);
        return root.toString();
    }

    bool load()
    {
        return loadStatePreset (state(), [this] { ++refreshes; });
    }

    void expectOnlyMessage (const juce::String& message)
    {
        const auto messages = ask().messages();
        ASSERT_EQ (messages.size(), 1) << messages.joinIntoString (" | ");
        EXPECT_EQ (messages[0], message);
        EXPECT_EQ (ask().asked.back().title, "Tavik");
    }
};
} // namespace

TEST_F (PresetFiles, SaveAppendsTheExtensionAndWritesTheWholeState)
{
    state().outputEQState.setChannelGain (3, -4.5);
    state().routerState.setRoute (1, 2, true);
    ask().fileAnswers.push_back (folder.getChildFile ("show1"));
    saveStatePreset (state());

    ASSERT_EQ (ask().asked.size(), 1u);
    EXPECT_EQ (ask().asked[0].kind, "save");
    EXPECT_EQ (ask().asked[0].title, "Please enter the file name");
    EXPECT_EQ (ask().asked[0].folder, folder);
    EXPECT_EQ (ask().asked[0].patterns, "*.TavikPreset");

    const auto written = folder.getChildFile ("show1.TavikPreset");
    ASSERT_TRUE (written.existsAsFile());
    EXPECT_FALSE (folder.getChildFile ("show1").exists());
    const auto text = written.loadFileAsString();
    EXPECT_TRUE (text.startsWith ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    EXPECT_FALSE (text.contains ("<!DOCTYPE"));
    const auto root = juce::XmlDocument::parse (text);
    ASSERT_NE (root, nullptr);
    EXPECT_EQ (root->getTagName(), "Orveth_Tavik_state");
    EXPECT_EQ (root->getNumChildElements(), 4);

    StateHarness other (folder);
    other.ask.fileAnswers.push_back (written);
    ASSERT_TRUE (loadStatePreset (other.state, {}));
    EXPECT_EQ (other.outputs().getChannelGain (3), -4.5);
    EXPECT_EQ (other.state.routerState.getInputMask (1), 4);
}

TEST_F (PresetFiles, ATypedExtensionInAnyCaseIsUsedAsTyped)
{
    for (const char* typed : { "Show2.tavikpreset", "show3.TAVIKPRESET", "show4.TavikPreset" })
    {
        ask().fileAnswers.push_back (folder.getChildFile (typed));
        saveStatePreset (state());
        EXPECT_TRUE (folder.getChildFile (typed).existsAsFile()) << typed;
        EXPECT_FALSE (folder.getChildFile (juce::String (typed) + ".TavikPreset").exists()) << typed;
    }
    EXPECT_TRUE (ask().messages().isEmpty());
    for (const auto& a : ask().asked)
        EXPECT_EQ (a.kind, "save"); // no overwrite question: the chooser confirmed these names
}

TEST_F (PresetFiles, CancellingEitherChooserDoesNothing)
{
    const auto before = snapshot();
    saveStatePreset (state());
    EXPECT_FALSE (load());
    EXPECT_EQ (ask().asked.size(), 2u);
    EXPECT_TRUE (ask().messages().isEmpty());
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);
    EXPECT_EQ (snapshot(), before);
    EXPECT_EQ (refreshes, 0);
}

TEST_F (PresetFiles, AMissingFolderStopsALoadButIsCreatedByASave)
{
    folder.deleteRecursively();
    EXPECT_FALSE (load());
    expectOnlyMessage ("Folder does not exist: " + folder.getFullPathName());
    EXPECT_EQ (ask().asked.size(), 1u); // no chooser

    ask().asked.clear();
    ask().fileAnswers.push_back (folder.getChildFile ("show1"));
    saveStatePreset (state());
    EXPECT_TRUE (ask().messages().isEmpty());
    EXPECT_TRUE (folder.getChildFile ("show1.TavikPreset").existsAsFile());
}

TEST_F (PresetFiles, AFolderThatCannotBeCreatedIsReported)
{
    folder.deleteRecursively();
    ASSERT_TRUE (folder.replaceWithText ("a file where the folder should be"));
    saveStatePreset (state());
    expectOnlyMessage ("Unable to create folder " + folder.getFullPathName());
    EXPECT_EQ (ask().asked.size(), 1u);

    ask().asked.clear();
    EXPECT_FALSE (load());
    expectOnlyMessage ("Folder does not exist: " + folder.getFullPathName());
}

TEST_F (PresetFiles, AReadOnlyTargetIsReportedAndKept)
{
    const auto target = folder.getChildFile ("locked.TavikPreset");
    ASSERT_TRUE (target.replaceWithText ("old contents"));
    ASSERT_TRUE (target.setReadOnly (true));
    ask().fileAnswers.push_back (target);
    saveStatePreset (state());
    expectOnlyMessage ("Unable to write " + target.getFullPathName());
    EXPECT_EQ (target.loadFileAsString(), "old contents");
}

TEST_F (PresetFiles, AFullDiskIsReportedAndKeepsTheOldFile)
{
    const auto target = folder.getChildFile ("show.TavikPreset");
    ASSERT_TRUE (target.replaceWithText ("old contents"));
    ask().fileAnswers.push_back (target);
    {
        ScopedFileSizeLimit full (1024); // a whole-state preset is several kilobytes
        if (!full.supported())
            GTEST_SKIP() << "no file size limit here";
        saveStatePreset (state());
    }
    expectOnlyMessage ("Unable to write " + target.getFullPathName());
    EXPECT_EQ (target.loadFileAsString(), "old contents");
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFiles), 1) << "a partial scratch file was left";
}

TEST_F (PresetFiles, AFailedWriteIsReported)
{
    const auto target = folder.getChildFile ("no such folder").getChildFile ("show.TavikPreset");
    ask().fileAnswers.push_back (target);
    saveStatePreset (state());
    expectOnlyMessage ("Unable to write " + target.getFullPathName());
    EXPECT_FALSE (target.exists());
}

TEST_F (PresetFiles, AppendingTheExtensionAsksBeforeReplacingAnotherFile)
{
    const auto existing = folder.getChildFile ("show1.TavikPreset");
    ASSERT_TRUE (existing.replaceWithText ("keep me"));
    const juce::String question = existing.getFullPathName() + " already exists. Do you want to replace it?";

    ask().fileAnswers.push_back (folder.getChildFile ("show1"));
    ask().okCancelAnswers.push_back (false);
    saveStatePreset (state());
    ASSERT_EQ (ask().asked.size(), 2u);
    EXPECT_EQ (ask().asked[1].kind, "okCancel");
    EXPECT_EQ (ask().asked[1].title, "Tavik");
    EXPECT_EQ (ask().asked[1].message, question);
    EXPECT_EQ (existing.loadFileAsString(), "keep me");
    EXPECT_TRUE (ask().messages().isEmpty());

    ask().asked.clear();
    ask().fileAnswers.push_back (folder.getChildFile ("show1"));
    ask().okCancelAnswers.push_back (true);
    saveStatePreset (state());
    EXPECT_EQ (ask().asked.size(), 2u);
    EXPECT_TRUE (ask().messages().isEmpty());
    const auto root = juce::XmlDocument::parse (existing);
    ASSERT_NE (root, nullptr);
    EXPECT_EQ (root->getTagName(), "Orveth_Tavik_state");
}

TEST_F (PresetFiles, FilesThatAreNotWholeStatePresetsChangeNothing)
{
    juce::XmlElement inputPreset ("Orveth_Tavik_input2_EQ_state");
    inputPreset.setAttribute ("gain", "5");
    struct Case
    {
        const char* name;
        juce::String contents; // empty: make a folder of that name instead
        juce::String message;
    };
    const Case cases[] = {
        { "input.TavikPreset", StateXml::toDocument (inputPreset), "Invalid file format" },
        { "words.TavikPreset", "this is not XML at all", "Invalid file format" },
        { "empty.TavikPreset", " ", "Invalid file format" },
        { "cut.TavikPreset", "<?xml version=\"1.0\"?><Orveth_Tavik_state><Orveth_Tavik_router_state>",
          "Invalid file format" },
        // Closing tags hidden in a comment once let deep nesting past the depth
        // check, and the recursive parser overflowed the stack.
        { "deep.TavikPreset",
          "<Orveth_Tavik_state><!--" + juce::String::repeatedString ("</a>", 100000) + "-->" +
              juce::String::repeatedString ("<a>", 100000),
          "Invalid file format" },
        { "folder.TavikPreset", {}, "File does not exist" },
        { "missing.TavikPreset", "-", "File does not exist" },
    };
    state().routerState.setRoute (0, 0, true);
    const auto before = snapshot();
    for (const auto& c : cases)
    {
        const auto file = folder.getChildFile (c.name);
        if (c.contents.isEmpty())
        {
            ASSERT_TRUE (file.createDirectory());
        }
        else if (c.contents != "-")
        {
            ASSERT_TRUE (file.replaceWithText (c.contents));
        }
        ask().asked.clear();
        ask().fileAnswers.push_back (file);
        EXPECT_FALSE (load()) << c.name;
        expectOnlyMessage (c.message);
        EXPECT_EQ (snapshot(), before) << c.name;
    }
    EXPECT_EQ (refreshes, 0);
}

TEST_F (PresetFiles, ALoadRefreshesThePanelsThenNotifies)
{
    StatusRecorder status (h->status);
    ask().fileAnswers.push_back (folder.getChildFile ("a"));
    state().muteState.setOutputMute (2, true);
    saveStatePreset (state());
    state().muteState.setOutputMute (2, false);
    status.drain();

    ask().fileAnswers.push_back (folder.getChildFile ("a")); // extension appended on load too
    int codesAtRefresh = -1;
    ASSERT_TRUE (loadStatePreset (state(), [&] { codesAtRefresh = int (status.codes.size()); }));
    EXPECT_EQ (codesAtRefresh, 0);
    EXPECT_EQ (state().muteState.getMask(), 4);
    const auto codes = status.drain();
    ASSERT_FALSE (codes.empty());
    EXPECT_EQ (codes.back(), StatusStateChanged);
}

TEST_F (PresetFiles, ChannelPresetsUseTheirOwnExtensionAndRoot)
{
    auto& in = state().input2EQState;
    auto& out = state().outputEQState;
    in.setBandGain (0, 2, 6.5);
    in.setChannelName (0, "Vocal", false);
    out.setPhase (1, 1);
    out.setChannelName (1, "Sub", false);

    ask().fileAnswers.push_back (folder.getChildFile ("vox"));
    in.saveChannelPreset (0);
    ask().fileAnswers.push_back (folder.getChildFile ("sub"));
    out.saveChannelPreset (1);
    EXPECT_EQ (ask().asked[0].patterns, "*.TavikInput2Preset");
    EXPECT_EQ (ask().asked[1].patterns, "*.TavikOutputPreset");
    ASSERT_TRUE (folder.getChildFile ("vox.TavikInput2Preset").existsAsFile());
    ASSERT_TRUE (folder.getChildFile ("sub.TavikOutputPreset").existsAsFile());

    ask().fileAnswers.push_back (folder.getChildFile ("vox.TavikInput2Preset"));
    EXPECT_TRUE (in.loadChannelPreset (2));
    EXPECT_EQ (in.getBandGain (2, 2), 6.5);
    EXPECT_EQ (in.getChannelName (2), "Vocal"); // input presets carry the name

    ask().fileAnswers.push_back (folder.getChildFile ("sub"));
    EXPECT_TRUE (out.loadChannelPreset (4));
    EXPECT_EQ (out.getPhase (4), 1);
    EXPECT_EQ (out.getChannelName (4), "OUTPUT 5"); // output presets do not
    EXPECT_TRUE (ask().messages().isEmpty());

    // Each kind of file is refused where another is expected.
    ASSERT_TRUE (
        folder.getChildFile ("vox.TavikInput2Preset").copyFileTo (folder.getChildFile ("vox.TavikOutputPreset")));
    ask().fileAnswers.push_back (folder.getChildFile ("vox.TavikOutputPreset"));
    EXPECT_FALSE (out.loadChannelPreset (0));
    ASSERT_TRUE (folder.getChildFile ("sub.TavikOutputPreset").copyFileTo (folder.getChildFile ("sub.TavikPreset")));
    ask().fileAnswers.push_back (folder.getChildFile ("sub.TavikPreset"));
    EXPECT_FALSE (load());
    EXPECT_EQ (ask().messages(), juce::StringArray ("Invalid file format", "Invalid file format"));
}
