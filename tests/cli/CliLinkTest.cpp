// tavikctl on the line: push, pull, identify, firmware and their failures,
// against tavik-sim, and against what the program's own code paths do.
#include "CliFixture.h"

#include "common/EqTables.h"
#include "common/SettingsLocation.h"
#include "common/Status.h"
#include "device/DeviceLink.h"
#include "device/SyncToHardwareCommand.h"
#include "engine/SimulatedProcessor.h"
#include "state/StatePreset.h"
#include "state/StateXml.h"
#include "support/PtyPeer.h"
#include "support/StateHarness.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <termios.h>
#include <thread>

using namespace clitest;
using namespace std::chrono_literals;

namespace
{
constexpr std::size_t identifyMessages = 2; // 0x90, 0x91

// A whole state with no power-on value left, every value one the processor
// holds exactly, except two things it cannot hold: an "OFF" cut's slope
// (any OFF reads back as taps_index 1) and a name shorter than 8 characters
// (it comes back padded with spaces).
void fillRecord (DeviceState& s)
{
    auto& in = s.input2EQState;
    auto& out = s.outputEQState;
    const char* const inputNames[] = { "Kick #1A", "Snare  z", "Vox" };
    for (int c = 0; c < 3; ++c)
    {
        in.setChannelGain (c, -6.5 - c);
        for (int b = 0; b < 6; ++b)
        {
            in.setBandGain (c, b, -11.5 + 4 * b + c);
            in.setBandFrequency (c, b, EQFrequencyTable[size_t (5 + 13 * c + 11 * b)]);
            in.setBandWidth (c, b, (1 + (3 * c + b) % 17) * 0.04);
        }
        in.setDelaySteps (c, 1000 * c + 123);
        in.setChannelName (c, inputNames[c], false);
    }
    for (int o = 0; o < 6; ++o)
    {
        out.setChannelGain (o, 3.5 - 7 * o);
        for (int b = 0; b < 4; ++b)
        {
            out.setBandGain (o, b, 11.5 - 3 * b - o);
            out.setBandFrequency (o, b, EQFrequencyTable[size_t (3 + 17 * b + 2 * o)]);
            out.setBandWidth (o, b, (1 + (11 * o + 7 * b) % 75) * 0.04);
        }
        out.setCutFrequency (o, 0, EQFrequencyTable[size_t (10 + o)]);
        out.setCutFrequency (o, 1, EQFrequencyTable[size_t (80 - o)]);
        out.setCutFilter (o, 0, 1 + o % 3, o % 3 == 1 ? 3 : 1);
        out.setCutFilter (o, 1, o == 2 ? 0 : 3, 4); // output 3: high cut OFF, its slope 48 dB/oct
        out.setPhase (o, o % 2);
        out.setLimiterThreshold (o, float (-17 + 6 * o));
        out.setDelaySteps (o, 17 * o * o + 5);
        out.setChannelName (o, juce::String ("Top@R ") + juce::String (o + 1) + "x", false);
        s.routerState.setRoute (o, o % 3, true);
        s.routerState.setRoute (o, (o + 1) % 3, o % 2 == 0);
    }
    s.muteState.setOutputMute (1, true);
    s.muteState.setOutputMute (4, true);
}

juce::File writeRichPreset (const juce::File& folder)
{
    StateHarness h;
    fillRecord (h.state);
    const auto file = folder.getChildFile ("venue.TavikPreset");
    juce::String error;
    EXPECT_TRUE (DeviceState::writePresetFile (file, *statePresetElement (h.state), error)) << error;
    return file;
}

void pumpUntil (const std::function<bool()>& done, int timeoutMs = 20000)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    while (!done() && juce::Time::getMillisecondCounter() < end)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
}

Bytes firmwareBytes()
{
    Bytes bytes (65536);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t ((i * 7 + i / 256) & 0xFF);
    return bytes;
}

juce::File writeFirmware (const juce::File& folder, const Bytes& bytes)
{
    juce::String code;
    for (size_t i = 0; i < bytes.size(); ++i)
        code << juce::String::toHexString (bytes[i]) << (i % 32 == 31 ? "\r\n" : " ");
    const auto file = folder.getChildFile ("new.TavikFirmware");
    file.replaceWithText ("<Orveth_Corporation><Tavik_Firmware><Version>2.0a</Version><Code>" + code +
                          "</Code></Tavik_Firmware></Orveth_Corporation>");
    return file;
}

std::string hexOf (std::vector<Bytes>::const_iterator from, std::vector<Bytes>::const_iterator to)
{
    juce::StringArray words;
    for (; from != to; ++from)
        words.add (juce::String::toHexString (from->data(), (int) from->size(), 0).toUpperCase());
    return words.joinIntoString (" ").toStdString();
}

// What a named write sends from the program's record synced with a processor
// holding memory (a named write sends what the panel's setter sends).
std::string programSends (const taviksim::Memory& memory, const char* name, const char* value, std::size_t count)
{
    taviksim::SimulatorOptions options;
    options.engine.initialMemory = memory;
    taviksim::SimulatedProcessor sim (options);
    StateHarness h;
    juce::String error;
    EXPECT_TRUE (sim.start() && h.port.open (sim.slavePath(), error)) << error;
    ReadBackBuffer read; // the record as SYNC TO HARDWARE leaves it
    read.blocks = memory.blocks;
    for (int o = 0; o < 6; ++o)
        read.routing[size_t (o)] = memory.routing (o);
    read.mute = memory.mute;
    h.state.applyReadBack (read);
    const auto param = *Param::fromString (name);
    EXPECT_TRUE (ParamSpace::write (h.state, param, *ParamSpace::parse (param, value)));
    EXPECT_TRUE (sim.waitForMessages (count, 10000ms));
    h.worker.stopThread (10000);
    std::vector<Bytes> sent;
    for (const auto& m : sim.transcript())
        sent.push_back (m.bytes);
    return hexOf (sent.begin(), sent.end());
}

// Where two memories differ: "b4.12" (block 4, address 0x12), "mute", "mv1" (output 2's mute value).
std::string differences (const taviksim::Memory& a, const taviksim::Memory& b)
{
    juce::StringArray where;
    for (size_t i = 0; i < a.blocks.size() * 32; ++i)
        if (a.blocks[i / 32][i % 32] != b.blocks[i / 32][i % 32])
            where.add (juce::String::formatted ("b%d.%02x", int (i / 32), int (i % 32)));
    for (size_t o = 0; o <= a.muteValues.size(); ++o) // the mask, then each output's mute value
        if (o == 0 ? a.mute != b.mute : a.muteValues[o - 1] != b.muteValues[o - 1])
            where.add (o == 0 ? juce::String ("mute") : "mv" + juce::String (o - 1));
    return where.joinIntoString (" ").toStdString();
}

template <typename Condition>
bool waitFor (Condition condition, std::chrono::milliseconds timeout = 10s)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for (20ms);
    return condition();
}

std::size_t occurrences (const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (auto at = text.find (part); at != std::string::npos; at = text.find (part, at + 1))
        ++n;
    return n;
}
} // namespace

// The preset goes out as the program's LOAD sends it (same messages, same
// order, same memory afterwards), and comes back as the program's SAVE
// writes it after SYNC TO HARDWARE, equal to what was pushed apart from
// what the processor cannot hold.
TEST_F (Cli, PushAndPullMatchTheProgramsOwnLoadAndSave)
{
    const auto preset = writeRichPreset (folder);

    Simulator sim (folder);
    ASSERT_FALSE (sim.port.empty());
    const auto pushed = run ({ "push", preset.getFullPathName().toStdString(), "--port", sim.port });
    ASSERT_EQ (pushed.status, 0) << pushed.err;
    const auto pulledFile = folder.getChildFile ("pulled.TavikPreset");
    const auto pulled = run ({ "pull", pulledFile.getFullPathName().toStdString(), "--port", sim.port });
    ASSERT_EQ (pulled.status, 0) << pulled.err;
    const auto cliMemory = sim.stop();
    const auto cliMessages = sim.transcript();

    // The program: LOAD of the same file while connected, then SYNC TO HARDWARE and SAVE.
    taviksim::SimulatorOptions simOptions;
    simOptions.logProblems = false;
    taviksim::SimulatedProcessor programSim (simOptions);
    ASSERT_TRUE (programSim.start()) << programSim.error();
    StateHarness h (folder);
    juce::String error;
    ASSERT_TRUE (h.port.open (programSim.slavePath(), error)) << error;
    h.ask.fileAnswers = { preset };
    ASSERT_TRUE (loadStatePreset (h.state, {}));
    ASSERT_TRUE (programSim.waitForMessages (273, 10000ms));
    StatusRecorder recorder (h.status);
    h.state.queueReadBack();
    std::vector<int> codes;
    pumpUntil (
        [&]
        {
            auto more = recorder.drain (5);
            codes.insert (codes.end(), more.begin(), more.end());
            return std::find (codes.begin(), codes.end(), StatusReadBackDone) != codes.end();
        });
    const auto programSaved = folder.getChildFile ("program.TavikPreset");
    h.ask.fileAnswers = { programSaved };
    saveStatePreset (h.state);
    h.worker.stopThread (10000);
    h.port.close (false);

    // Same messages in the same order: tavikctl's between its identification and its goodbye.
    std::vector<Bytes> programMessages;
    for (const auto& m : programSim.transcript())
        programMessages.push_back (m.bytes);
    ASSERT_GE (programMessages.size(), 273u); // the push, then the read-back
    ASSERT_GE (cliMessages.size(), identifyMessages + 273 + 1);
    const std::vector<Bytes> cliPush (cliMessages.begin() + identifyMessages,
                                      cliMessages.begin() + identifyMessages + 273);
    EXPECT_TRUE (std::equal (cliPush.begin(), cliPush.end(), programMessages.begin()));
    EXPECT_EQ (cliMessages[identifyMessages + 273], Bytes{ 0x99 }); // push ends with the goodbye byte
    const auto programMemory = programSim.memory();
    EXPECT_EQ (cliMemory.blocks, programMemory.blocks);
    EXPECT_EQ (cliMemory.mute, programMemory.mute);
    EXPECT_EQ (cliMemory.muteValues, programMemory.muteValues);
    EXPECT_EQ ((int) sim.dumpExtras()["goodbyes"], 2); // after push and after pull

    // Pulled: byte for byte what the program saves after the read-back...
    EXPECT_EQ (pulledFile.loadFileAsString(), programSaved.loadFileAsString());
    // ...and what was pushed, but for the two things the processor does not hold.
    auto expected = StateXml::parseDocument (preset.loadFileAsString());
    auto* highCut = expected->getChildByName ("Orveth_Tavik_output_EQ_state")
                        ->getChildByName ("Output_EQ_channel_02")
                        ->getChildByName ("Cut_1");
    ASSERT_EQ (highCut->getIntAttribute ("type"), 0);
    ASSERT_EQ (highCut->getIntAttribute ("taps_index"), 4);
    highCut->setAttribute ("taps_index", 1); // an OFF cut reads back with slope index 1
    auto* shortName = expected->getChildByName ("Orveth_Tavik_input2_EQ_state")
                          ->getChildByName ("Input2_EQ_channel_02")
                          ->getChildByName ("channel_name");
    ASSERT_EQ (shortName->getStringAttribute ("name"), "Vox");
    shortName->setAttribute ("name", "Vox     "); // names come back padded to 8 characters
    const auto back = StateXml::parseDocument (pulledFile.loadFileAsString());
    ASSERT_NE (back, nullptr);
    EXPECT_TRUE (back->isEquivalentTo (expected.get(), false)) << back->toString().toStdString() << "\nexpected\n"
                                                               << expected->toString().toStdString();
}

TEST_F (Cli, IdentifyTakesTheRememberedPortAndSaysGoodbye)
{
    Simulator sim (folder, { "--version", "2.7e" });
    ASSERT_FALSE (sim.port.empty());
    {
        // Written as the program writes its settings.
        auto o = Settings::options();
        juce::PropertiesFile settings (config.getChildFile ("Orveth").getChildFile ("Tavik.properties"), o);
        settings.setValue (Settings::serialPortKey, juce::String (sim.port));
        ASSERT_TRUE (settings.saveIfNeeded());
    }
    const auto r = run ({ "identify" });
    EXPECT_EQ (r.status, 0) << r.err;
    EXPECT_TRUE (contains (r.out, "port      " + sim.port + "\n")) << r.out;
    EXPECT_TRUE (contains (r.out, "name      Tavik\n")) << r.out;
    EXPECT_TRUE (contains (r.out, "firmware  2.7e (2007004)\n")) << r.out;
    sim.stop();
    EXPECT_EQ (sim.transcript(), (std::vector<Bytes>{ { 0x90 }, { 0x91 }, { 0x99 } }));

    // Nothing where the remembered port points: the platform's message, exit 1.
    const auto gone = run ({ "identify", "--port", path ("no-such-port") });
    EXPECT_EQ (gone.status, 1);
    EXPECT_TRUE (contains (gone.err, "tavikctl: " + path ("no-such-port") + ": ")) << gone.err;
}

// Simulators announce in the user's own folder ($XDG_RUNTIME_DIR/tavik-sim-ports,
// 0700); whatever else stands there is never waited on, read whole or offered.
TEST_F (Cli, PortsListsWhatThePortChooserOffers)
{
    const auto runtime = folder.getChildFile ("run");
    ASSERT_EQ (::mkdir (runtime.getFullPathName().toRawUTF8(), 0700), 0);
    struct Environment
    {
        const char* before = std::getenv ("XDG_RUNTIME_DIR");
        std::string kept = before != nullptr ? before : "";
        ~Environment()
        {
            before != nullptr ? ::setenv ("XDG_RUNTIME_DIR", kept.c_str(), 1) : ::unsetenv ("XDG_RUNTIME_DIR");
        }
    } restore;
    ::setenv ("XDG_RUNTIME_DIR", runtime.getFullPathName().toRawUTF8(), 1);

    Simulator sim (folder, { "--announce" });
    ASSERT_FALSE (sim.port.empty());
    const auto announcements = runtime.getChildFile ("tavik-sim-ports").getFullPathName().toStdString();
    struct stat info
    {
    };
    ASSERT_EQ (::stat (announcements.c_str(), &info), 0);
    EXPECT_EQ (info.st_mode & 0777, 0700u);

    PtyPeer other; // a port none of this user's simulators announced
    const auto planted = announcements + "/" + std::to_string (::getpid()); // named after a live process
    const auto write = [&] (const juce::String& text) { return juce::File (planted).replaceWithText (text); };
    const struct
    {
        std::function<bool()> plant;
        bool simulatorListed = true, onlyAsRoot = false;
    } plants[] = {
        { [&] { return ::mkfifo (planted.c_str(), 0600) == 0; } },         // blocked the listing for ever
        { [&] { return ::symlink ("/dev/zero", planted.c_str()) == 0; } }, // read until memory ran out
        { [&] { return write (juce::String::repeatedString (other.path() + "\n", 40)); } },            // no single path
        { [&] { return write (other.path()) && ::chmod (announcements.c_str(), 0750) == 0; }, false }, // not private
        { [&] { return write (other.path()) && ::chown (planted.c_str(), 65534, 65534) == 0; }, true,
          true }, // not ours
    };
    for (const auto& p : plants)
    {
        if (p.onlyAsRoot && ::geteuid() != 0)
            continue;
        ASSERT_TRUE (p.plant());
        const auto r = run ({ "ports" }, 10000);
        EXPECT_GE (r.status, 0) << "still listing after 10 s";
        EXPECT_EQ (contains (r.out, sim.port + "\n"), p.simulatorListed) << r.out;
        EXPECT_FALSE (contains (r.out, other.path())) << r.out;
        ::chmod (announcements.c_str(), 0700);
        ::unlink (planted.c_str());
    }

    juce::StringArray chooser;
    ASSERT_TRUE (listSerialPorts (chooser));
    const auto r = run ({ "ports" });
    EXPECT_EQ (r.status, 0) << r.err;
    juce::StringArray lines;
    lines.addLines (juce::String (r.out).trimEnd());
    EXPECT_TRUE (lines.contains (juce::String (sim.port))) << r.out;
    // Other simulators on this machine may come and go meanwhile; the machine's own ports stay.
    for (const auto& name : chooser)
        EXPECT_TRUE (name.startsWith ("/dev/pts/") || lines.contains (name)) << name;
}

// A processor that stops answering: push, pull and set give up within one
// command's time-out or two (not one per remaining command) and say why.
// Ctrl-C during a push stops it the same way, with the goodbye byte.
TEST_F (Cli, ASilentProcessorALostLineOrCtrlCEndsPushPullAndSetWithExitOne)
{
    const auto preset = writeRichPreset (folder);
    {
        Simulator sim (folder, { "--silent-from", "40" });
        const auto started = std::chrono::steady_clock::now();
        auto push = start ({ "push", preset.getFullPathName().toStdString(), "--port", sim.port });
        const int status = push->wait (3 * 10000 + 5000);
        const auto seconds = std::chrono::duration<double> (std::chrono::steady_clock::now() - started).count();
        EXPECT_EQ (status, 1) << "still running after " << seconds << " s";
        EXPECT_TRUE (contains (push->errors(), "tavikctl: the processor did not echo a message within 10 s: push "
                                               "stopped with "))
            << push->errors();
        std::cout << "[ figure   ] silent processor: push ended after " << seconds << " s (time-out 10 s a message)\n";
        sim.stop();
        EXPECT_LE (sim.transcript().size(), 45u); // nothing sent after the failure but the goodbye
    }
    {
        Simulator sim (folder, { "--hang-up-after", "200" });
        const auto push = run ({ "push", preset.getFullPathName().toStdString(), "--port", sim.port }, 10000);
        EXPECT_EQ (push.status, 1);
        EXPECT_TRUE (contains (push.err, std::string ("tavikctl: ") + DeviceLink::lineLostMessage)) << push.err;
    }
    {
        Simulator sim (folder, { "--silent-from", "3" });
        const auto set = run ({ "set", "output.1.gain", "-3", "--port", sim.port }, 30000);
        EXPECT_EQ (set.status, 1);
        EXPECT_TRUE (contains (set.err, "did not echo a message within 10 s: set stopped with ")) << set.err;
    }
    {
        Simulator sim (folder, { "--silent-from", "3" });
        const auto target = folder.getChildFile ("never.TavikPreset");
        const auto pull = run ({ "pull", target.getFullPathName().toStdString(), "--port", sim.port }, 30000);
        EXPECT_EQ (pull.status, 1);
        EXPECT_TRUE (contains (pull.err, "did not answer the read-back in time; nothing was written")) << pull.err;
        EXPECT_FALSE (target.exists());
    }
    {
        Simulator sim (folder, { "--delay", "30:3000" });
        auto push = start ({ "push", preset.getFullPathName().toStdString(), "--port", sim.port });
        std::this_thread::sleep_for (1s); // waiting for the 30th echo
        push->signal (SIGINT);
        EXPECT_EQ (push->wait (5000), 1);
        EXPECT_TRUE (contains (push->errors(), "tavikctl: interrupted: push stopped with ")) << push->errors();
        sim.stop();
        const auto messages = sim.transcript();
        ASSERT_EQ (messages.size(), 31u);
        EXPECT_EQ (messages.back(), Bytes{ 0x99 });
    }
}

TEST_F (Cli, OldFirmwareIsRefusedReadBackAndUploadWithTheProgramsMessages)
{
    Simulator sim (folder, { "--version", "0.9z" });
    const auto pull = run ({ "pull", path ("old.TavikPreset"), "--port", sim.port });
    EXPECT_EQ (pull.status, 1);
    EXPECT_EQ (pull.err, std::string ("tavikctl: ") + DeviceLink::noReadBackMessage + "\n");
    const auto firmware = writeFirmware (folder, firmwareBytes());
    const auto upload = run ({ "firmware", firmware.getFullPathName().toStdString(), "--port", sim.port });
    EXPECT_EQ (upload.status, 1);
    EXPECT_TRUE (contains (upload.err, std::string ("tavikctl: ") + DeviceLink::noUploadMessage + "\n")) << upload.err;
    sim.stop();
    EXPECT_EQ (sim.firmware().size(), 0u);
}

TEST_F (Cli, FirmwareReachesTheProcessorByteForByte)
{
    const auto bytes = firmwareBytes();
    const auto file = writeFirmware (folder, bytes);
    Simulator sim (folder);
    const auto started = std::chrono::steady_clock::now();
    const auto r = run ({ "firmware", file.getFullPathName().toStdString(), "--port", sim.port }, 600000);
    const auto seconds = std::chrono::duration<double> (std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ (r.status, 0) << r.err;
    EXPECT_EQ (r.out, std::string (DeviceLink::uploadCompleteMessage) + "\n");
    EXPECT_TRUE (contains (r.err, "firmware: 50% (") && contains (r.err, " left\n")) << r.err; // plain lines
    sim.stop();
    const auto dump = sim.dumpExtras();
    EXPECT_TRUE ((bool) dump["firmware"]["complete"]);
    EXPECT_EQ ((int) dump["firmware"]["uploads"], 1);
    EXPECT_EQ ((int) dump["goodbyes"], 0); // the processor restarts: no goodbye after a complete upload
    EXPECT_TRUE (sim.firmware() == bytes);
    std::cout << "[ figure   ] firmware upload of 65536 bytes: " << seconds << " s (65.5 s of 1 ms pauses)\n";
}

// Ctrl-C asks first: on a terminal the question waits for an answer, and
// "n" or the end of input lets the upload go on; without one a second Ctrl-C
// is the answer.
// An abandoned upload sends nothing more (inside an upload even the
// goodbye byte would be taken as image data).
TEST_F (Cli, CtrlCAsksBeforeAbandoningAnUpload)
{
    const auto bytes = firmwareBytes();
    const auto file = writeFirmware (folder, bytes);
    const std::string question = DeviceLink::interruptUploadQuestion;
    {
        Simulator sim (folder);
        PtyPeer terminal;
        ASSERT_TRUE (terminal.isOpen());
        // Read in lines as a user's terminal is, where Ctrl-D ends the input.
        termios modes{};
        const int line = ::open (terminal.path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_EQ (::tcgetattr (line, &modes), 0);
        modes.c_lflag |= ICANON;
        ASSERT_EQ (::tcsetattr (line, TCSANOW, &modes), 0);
        ::close (line);
        auto upload = start ({ "firmware", file.getFullPathName().toStdString(), "--port", sim.port }, terminal.path());
        ASSERT_TRUE (waitFor ([&] { return contains (upload->errors(), "bytes"); }));
        upload->signal (SIGINT);
        ASSERT_TRUE (waitFor ([&] { return contains (upload->errors(), question + " [y/N] "); })) << upload->errors();
        terminal.write ({ 'n', '\n' });
        // It goes on after the "n": the simulator's image grows (SIGUSR1 writes it out).
        std::this_thread::sleep_for (200ms);
        sim.process->signal (SIGUSR1);
        std::this_thread::sleep_for (200ms);
        const auto sizeAfterNo = sim.firmware().size();
        EXPECT_TRUE (waitFor (
            [&]
            {
                sim.process->signal (SIGUSR1);
                std::this_thread::sleep_for (100ms);
                return sim.firmware().size() > sizeAfterNo + 300;
            }));
        EXPECT_TRUE (upload->running());
        // The end of input (Ctrl-D) answers no, and the next question is asked and read again.
        upload->signal (SIGINT);
        ASSERT_TRUE (waitFor ([&] { return occurrences (upload->errors(), question) == 2; })) << upload->errors();
        terminal.write ({ 0x04 });
        ASSERT_TRUE (waitFor ([&] { return contains (upload->errors(), "end of input taken as no"); }));
        EXPECT_TRUE (upload->running());
        upload->signal (SIGINT);
        ASSERT_TRUE (waitFor ([&] { return occurrences (upload->errors(), question) == 3; })) << upload->errors();
        terminal.write ({ 'y', '\n' });
        EXPECT_EQ (upload->wait (10000), 1);
        EXPECT_TRUE (contains (upload->errors(), "tavikctl: firmware upload abandoned after ")) << upload->errors();
        sim.stop();
        const auto received = sim.firmware();
        EXPECT_FALSE ((bool) sim.dumpExtras()["firmware"]["complete"]);
        EXPECT_TRUE (std::equal (received.begin(), received.end(), bytes.begin())); // no goodbye byte among them
        EXPECT_EQ ((int) sim.dumpExtras()["goodbyes"], 0);
    }
    {
        Simulator sim (folder);
        auto upload = start ({ "firmware", file.getFullPathName().toStdString(), "--port", sim.port });
        ASSERT_TRUE (waitFor ([&] { return contains (upload->errors(), "bytes"); }));
        upload->signal (SIGINT);
        ASSERT_TRUE (waitFor ([&] { return contains (upload->errors(), question + " Press Ctrl-C again"); }));
        std::this_thread::sleep_for (500ms);
        EXPECT_TRUE (upload->running());
        upload->signal (SIGINT);
        EXPECT_EQ (upload->wait (10000), 1);
        sim.stop();
        const auto received = sim.firmware();
        EXPECT_FALSE (received.empty());
        EXPECT_TRUE (std::equal (received.begin(), received.end(), bytes.begin()));
    }
}

// One set of each kind on a processor holding no power-on value: only what
// the command carries beside the value is read, the program's bytes go out,
// only that parameter changes, and get prints it; get --all prints them all.
TEST_F (Cli, SetSendsWhatThePanelSendsAndGetReadsItBack)
{
    const auto preset = writeRichPreset (folder);
    Simulator pushed (folder);
    EXPECT_EQ (run ({ "push", preset.getFullPathName().toStdString(), "--port", pushed.port }).status, 0);
    const auto rich = pushed.stop();
    const auto memory = folder.getChildFile ("rich.json");
    ASSERT_TRUE (memory.replaceWithText (taviksim::memoryToJson (rich)));
    const std::vector<std::string> withMemory{ "--memory", memory.getFullPathName().toStdString() };
    const struct
    {
        const char *name, *value, *shown, *reads, *changes;
    } rows[] = {
        { "input.B.gain", "-3", "-3", "", "b1.00" },
        { "output.3.band.2.gain", "4.5dB", "4.5", "", "b5.07" },
        { "input.A.band.6.freq", "1k", "1000", "", "b0.12" },
        { "output.6.band.4.bw", "0.48", "0.48", "", "b8.0e" },
        { "output.2.delay", "10 ms", "9.996", "", "b4.01 b4.02" },
        { "input.A.name", "Kick #2A", "Kick #2A", "", "b0.1e" },
        { "output.1.highcut.freq", "11.7k", "11700", "", "b3.0f" },
        { "output.2.lowcut.type", "lr", "lr", "D5000000", "b4.12" },
        { "output.4.lowcut.slope", "24", "24", "D7000000", "b6.12" },
        { "output.5.phase", "inverted", "inverted", "", "b7.14" },
        { "output.3.limiter", "3", "3", "", "b5.13" },
        { "output.4.route.C", "on", "on", "94", "b6.15" },
        { "output.2.mute", "off", "off", "D5000000 98", "mute mv1" },
    };
    for (const auto& row : rows)
    {
        const std::string line = std::string (row.name) + " " + row.shown + "\n";
        Simulator sim (folder, withMemory);
        const auto set = run ({ "set", row.name, row.value, "--port", sim.port });
        EXPECT_EQ (set.out, line) << set.err;
        EXPECT_EQ (run ({ "get", row.name, "--port", sim.port }).out, line);
        EXPECT_EQ (differences (rich, sim.stop()), row.changes) << row.name;
        const auto t = sim.transcript(); // identification, reads, commands, goodbye
        const auto end = std::find (t.begin(), t.end(), Bytes{ 0x99 });
        const auto commands = std::find_if_not (
            t.begin() + 2, end, [] (const Bytes& m) { return (m[0] & 0xF0) == 0xD0 || m[0] == 0x94 || m[0] == 0x98; });
        EXPECT_EQ (hexOf (t.begin() + 2, commands), row.reads) << row.name;
        EXPECT_EQ (programSends (rich, row.name, row.value, size_t (end - commands)), hexOf (commands, end))
            << row.name;
    }

    Simulator sim (folder, withMemory);
    const auto pulled = path ("pulled.TavikPreset");
    EXPECT_EQ (run ({ "pull", pulled, "--port", sim.port }).status, 0);
    const auto all = run ({ "get", "--all", "--port", sim.port }).out;
    EXPECT_EQ (std::count (all.begin(), all.end(), '\n'), (long) Param::all().size());
    EXPECT_EQ (all, run ({ "get", "--all", "--file", pulled }).out);
    run ({ "get", "input.B.band.1.bw", "output.3.route.A", "input.B.gain", "--port", sim.port });
    sim.stop();
    const auto t = sim.transcript();
    EXPECT_EQ (hexOf (t.end() - 5, t.end()), "90 91 D1000000 94 99"); // only what holds them
}
