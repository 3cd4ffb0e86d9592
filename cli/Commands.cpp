#include "cli/Commands.h"

#include "cli/Arguments.h"
#include "cli/DeviceSession.h"
#include "cli/ParamCommands.h"
#include "cli/RewFilters.h"
#include "cli/StateView.h"
#include "common/FileAccess.h"
#include "device/DeviceLink.h"
#include "device/FirmwareFile.h"
#include "device/Protocol.h"
#include "remote/RemoteControl.h"
#include "state/StatePreset.h"
#include "state/StateXml.h"

#include <TavikVersion.h>

#include <iostream>

namespace Cli
{
namespace
{
const char* const mainUsage = R"(Usage: tavikctl COMMAND [options]

The Tavik processor from the command line, with the control program's own
link, record and files.

Commands:
  ports                       list the serial ports, as the port chooser does
  identify [--port P]         print the processor's name and firmware version
  push FILE [--port P]        send a whole-state preset (.TavikPreset)
  pull FILE [--port P]        read the whole state back into a .TavikPreset
  firmware FILE [--port P]    upload a .TavikFirmware file
  set PARAM VALUE ... [--port P | --file PRESET]
                              set parameters by name (output.1.gain -3)
  get PARAM ... | --all [--port P | --file PRESET]
                              print parameters by name
  show FILE [--json]          print a preset file as a table (or JSON)
  eq import FILTERS.txt ...   map a Room EQ Wizard filter export onto a channel
  serve [--port P] [--listen ADDRESS:PORT]
                              serve the remote control page for phones and tablets

Without --port, the port tavikcontrol remembers is used; without one, the
only serial port there is. "tavikctl COMMAND --help" tells more.

Exit status: 0 success, 1 failure of the port, processor or line (or no
port at all, or output that could not be written), 2 bad usage or bad file.
Errors go to standard error.
)";

const char* const portsUsage = R"(Usage: tavikctl ports

Lists the serial ports one per line, in the order the program's port
chooser offers them. Exit status 1 when there is none.
)";

const char* const identifyUsage = R"(Usage: tavikctl identify [--port P]

Opens the port, asks the processor who it is, prints the port, its name and
firmware version, and closes with the goodbye byte.
)";

const char* const pushUsage = R"(Usage: tavikctl push FILE.TavikPreset [--port P]

Loads a whole-state preset and sends it with the same commands, in the same
order, as loading it in the program while connected. Progress goes to
standard error. Exit status 0 only when the processor echoed every command;
at the first one it does not echo (or at Ctrl-C) the rest is dropped.
)";

const char* const pullUsage = R"(Usage: tavikctl pull FILE.TavikPreset [--port P]

Reads the processor's whole state back and writes it as a whole-state
preset, as the program saves it after SYNC TO HARDWARE. FILE is replaced.
Needs firmware 1.0a or later.
)";

const char* const firmwareUsage = R"(Usage: tavikctl firmware FILE.TavikFirmware [--port P]

Checks the firmware file and uploads it one verified byte at a time (more
than a minute), with progress and the time left on standard error. Ctrl-C
asks before abandoning the upload; the end of input (Ctrl-D) answers no, as
an abandoned upload may leave the unit unusable (without a terminal to ask
on, a second Ctrl-C abandons it). Needs firmware 1.0a or later on the
processor.
)";

const char* const showUsage = R"(Usage: tavikctl show FILE [--json]

Prints a whole-state preset (.TavikPreset) or a channel preset
(.TavikInput2Preset, .TavikOutputPreset) as a table: inputs, outputs,
routing and mutes, as the program would load them. --json prints JSON.
)";

const char* const eqUsage = R"(Usage: tavikctl eq import FILTERS.txt (--output 1..6 | --input A..C)
                           (--into PRESET | --port P) [--drop-extra]

Reads a Room EQ Wizard "filter settings" export and maps each peaking filter
that is on onto a band of the channel (4 per output, 6 per input), as the
processor holds it: the nearest table frequency, the gain in 0.5 dB steps
within +-12 dB, the bandwidth from Q (bw = 2/ln 2 * asinh(1/(2Q)) octaves) in
0.04 octave steps within the channel's range (0.04 to 3 octaves on outputs,
to 0.68 on inputs). Bands left over are made flat. Prints per filter what was
asked and what the processor will do, with the largest difference in dB
between the two over 20 Hz to 20 kHz in the program's level model.

More peaking filters than bands, or a filter of another type (shelves,
cuts...), refuses the import (exit 2) unless --drop-extra is given: then
only the first peaking filters are used.

--into PRESET writes the bands into a preset file: a whole-state preset or a
channel preset of the same side; an existing file keeps everything else, a
new one starts from the processor's power-on values. --port P (or neither
option: the remembered port) sends the bands to the processor.
)";

const char* const serveUsage = R"(Usage: tavikctl serve [--port P] [--listen ADDRESS:PORT]

Connects to the processor, reads every setting back and serves the remote
control page until Ctrl-C. The first line of standard output is the address
to open on a phone or tablet: a whole http:// URL with a secret token, new at
every start (the machine's network address where it has one). The page
shows and edits every parameter of one channel at a time, and the response
curve of the chosen outputs; edits go to the processor as the program's
panels send them, and every page shows every change.

--listen takes PORT or ADDRESS:PORT (default 0.0.0.0:8765, every
interface, so a phone can reach it); 127.0.0.1:PORT keeps it on this
machine, port 0 takes any free port. Requests without the token are
refused; at most 8 pages at a time. Pages that come and go are told on
standard error.
)";

// A filter export holds a few dozen lines; a bigger file is not one.
constexpr size_t largestFilterExportBytes = 1024 * 1024;

int usageError (const juce::String& message, const char* usage)
{
    printError (message);
    std::cerr << usage;
    return exitBadUsage;
}

void printOut (const juce::String& text)
{
    std::cout << text.toStdString() << std::flush;
}

juce::File fileArgument (const juce::String& path)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile (path);
}

// Reads a preset document, printing the program's message when it cannot be used.
std::unique_ptr<juce::XmlElement> readDocument (const juce::File& file)
{
    juce::String error;
    auto root = DeviceState::readPresetDocument (file, error);
    if (root == nullptr)
        printError (file.getFullPathName() + ": " + error);
    return root;
}

int ports (const Arguments&)
{
    juce::StringArray names;
    if (!listSerialPorts (names))
    {
        printError (DeviceLink::cannotListPortsMessage);
        return exitLineFailure;
    }
    if (names.isEmpty())
    {
        printError (DeviceLink::noPortsMessage);
        return exitLineFailure;
    }
    for (const auto& name : names)
        std::cout << name.toStdString() << "\n";
    std::cout << std::flush;
    return exitSuccess;
}

int identify (const Arguments& a)
{
    DeviceSession session;
    if (const int failed = session.connect (a.value ("--port")))
        return failed;
    const int version = session.port.getFirmwareVersion();
    printOut ("port      " + session.port.getPortName() + "\nname      " + Protocol::identityText + "\nfirmware  " +
              DeviceLink::firmwareVersionText (version) + (version != 0 ? " (" + juce::String (version) + ")" : "") +
              "\n");
    session.close (true);
    return exitSuccess;
}

int push (const Arguments& a)
{
    const auto file = fileArgument (a.positional[0]);
    const auto root = readDocument (file);
    if (root == nullptr)
        return exitBadUsage;
    if (!StateXml::hasName (*root, statePresetTag))
    {
        printError (file.getFullPathName() + ": Invalid file format");
        return exitBadUsage;
    }
    DeviceSession session;
    if (const int failed = session.connect (a.value ("--port")))
        return failed;
    if (const int failed = session.send ("push", [&] { applyStatePreset (session.state, *root); }))
        return failed;
    printOut ("pushed " + file.getFileName() + " to " + session.port.getPortName() + "\n");
    session.close (true);
    return exitSuccess;
}

int pull (const Arguments& a)
{
    const auto file = fileArgument (a.positional[0]);
    DeviceSession session;
    if (const int failed = session.connect (a.value ("--port")))
        return failed;
    if (const int failed = session.readBack())
        return failed;
    session.close (true);
    juce::String error;
    if (!DeviceState::writePresetFile (file, *statePresetElement (session.state), error))
    {
        printError (error);
        return exitBadUsage;
    }
    printOut ("pulled into " + file.getFileName() + "\n");
    return exitSuccess;
}

int firmware (const Arguments& a)
{
    const auto file = fileArgument (a.positional[0]);
    DeviceSession session;
    // Checked before the port is touched; the reader prints the program's message.
    auto image = readFirmwareFile (file, session.ask, &session.progress);
    if (image == nullptr)
        return exitBadUsage;
    if (const int failed = session.connect (a.value ("--port")))
        return failed;
    std::cerr << "uploading firmware " << image->version.trim().toStdString() << " to "
              << session.port.getPortName().toStdString() << std::endl;
    return session.uploadFirmware (std::move (image));
}

// The record holding a preset file's settings, read as the program loads it.
void loadInto (DeviceState& state, const juce::XmlElement& root, StateView::Kind kind, int channel)
{
    if (kind == StateView::Kind::wholeState)
        applyStatePreset (state, root);
    else if (kind == StateView::Kind::inputChannel)
        state.input2EQState.readChannel (channel, root);
    else
        state.outputEQState.readChannel (channel, root, false);
}

int show (const Arguments& a)
{
    const auto file = fileArgument (a.positional[0]);
    const auto root = readDocument (file);
    if (root == nullptr)
        return exitBadUsage;
    StateView::Kind kind;
    if (!StateView::kindOf (*root, kind))
    {
        printError (file.getFullPathName() + ": Invalid file format");
        return exitBadUsage;
    }
    DeviceSession session; // never connected: what the record queues goes nowhere
    loadInto (session.state, *root, kind, 0);
    printOut (a.has ("--json") ? StateView::json (session.state, kind) + "\n" : StateView::table (session.state, kind));
    return exitSuccess;
}

using StateView::number;

juce::String hzText (double hz)
{
    return number (hz, hz < 100.0 ? 1 : 0) + " Hz";
}

juce::String dbText (double db)
{
    return (db > 0 ? "+" : "") + number (db, 1) + " dB";
}

juce::String importReport (const RewFilters::Import& import, const juce::String& channelName, const juce::File& file)
{
    using Fate = RewFilters::Mapped::Fate;
    juce::String text;
    text << channelName << ": " << (int) import.bands.size() << " bands from " << file.getFileName() << "\n";
    for (const auto& m : import.filters)
    {
        const auto& f = m.asked;
        text << "  line " << juce::String (f.line).paddedLeft (' ', 3) << "  filter "
             << juce::String (f.number).paddedLeft (' ', 2) << "  ";
        switch (m.fate)
        {
            case Fate::off:
                text << "OFF, left out\n";
                continue;
            case Fate::empty:
                text << "None, left out\n";
                continue;
            case Fate::unsupported:
                text << f.type << ", not a peaking filter: dropped\n";
                continue;
            case Fate::extra:
                text << "PK " << hzText (*f.frequencyHz) << " " << dbText (*f.gainDb) << ": no band left, dropped\n";
                continue;
            case Fate::mapped:
                break;
        }
        text << "PK " << hzText (*f.frequencyHz) << " " << dbText (*f.gainDb) << " Q " << number (*f.q, 2) << " ("
             << number (m.askedBandwidthOctaves, 2) << " oct)  ->  band " << (m.band + 1) << ": "
             << hzText (m.sent.frequencyHz) << (m.frequencyLimited ? " (limited)" : "") << " " << dbText (m.sent.gainDb)
             << (m.gainLimited ? " (limited)" : "") << " " << number (m.sent.bandwidthOctaves, 2) << " oct"
             << (m.bandwidthLimited ? " (limited)" : "") << ", largest error " << number (m.largestErrorDb, 2)
             << " dB\n";
    }
    for (size_t band = 0; band < import.bands.size(); ++band)
        if (!import.bands[band])
            text << "  band " << (int) band + 1 << ": unused, made flat (0 dB)\n";
    text << "largest error of the whole response, 20 Hz to 20 kHz: " << number (import.largestErrorDb, 2) << " dB at "
         << hzText (import.largestErrorAtHz) << "\n";
    return text;
}

// Which channel an import goes to: output 0..5 or input 0..2 (inputs shown as A..C).
struct Channel
{
    bool output = true;
    int index = 0;
    juce::String name() const
    {
        return output ? "output " + juce::String (index + 1)
                      : "input " + juce::String::charToString (juce::juce_wchar ('A' + index));
    }
};

void setBands (DeviceState& state, Channel channel, const RewFilters::Import& import)
{
    for (int band = 0; band < (int) import.bands.size(); ++band)
    {
        const auto& b = import.bands[(size_t) band];
        if (channel.output)
        {
            auto& out = state.outputEQState;
            out.setBandGain (channel.index, band, b ? b->gainDb : 0.0);
            if (b)
            {
                out.setBandFrequency (channel.index, band, b->frequencyHz);
                out.setBandWidth (channel.index, band, b->bandwidthOctaves);
            }
        }
        else
        {
            auto& in = state.input2EQState;
            in.setBandGain (channel.index, band, b ? b->gainDb : 0.0);
            if (b)
            {
                in.setBandFrequency (channel.index, band, b->frequencyHz);
                in.setBandWidth (channel.index, band, b->bandwidthOctaves);
            }
        }
    }
}

int importIntoFile (const juce::File& target, Channel channel, const RewFilters::Import& import)
{
    using Kind = StateView::Kind;
    Kind kind;
    std::unique_ptr<juce::XmlElement> root;
    if (target.exists())
    {
        root = readDocument (target);
        if (root == nullptr)
            return exitBadUsage;
        if (!StateView::kindOf (*root, kind))
        {
            printError (target.getFullPathName() + ": Invalid file format");
            return exitBadUsage;
        }
    }
    else if (target.hasFileExtension (statePresetExtension))
        kind = Kind::wholeState;
    else if (target.hasFileExtension (OutputEQState::presetExtension))
        kind = Kind::outputChannel;
    else if (target.hasFileExtension (Input2EQState::presetExtension))
        kind = Kind::inputChannel;
    else
    {
        printError (target.getFullPathName() + ": a new preset must be named ." + statePresetExtension + ", ." +
                    OutputEQState::presetExtension + " or ." + Input2EQState::presetExtension);
        return exitBadUsage;
    }
    if ((kind == Kind::outputChannel && !channel.output) || (kind == Kind::inputChannel && channel.output))
    {
        printError (target.getFullPathName() + ": a channel preset of the other side cannot take " + channel.name());
        return exitBadUsage;
    }

    DeviceSession session; // never connected
    auto& state = session.state;
    if (root != nullptr)
        loadInto (state, *root, kind, channel.index);
    setBands (state, channel, import);
    const auto element = kind == Kind::wholeState      ? statePresetElement (state)
                         : kind == Kind::outputChannel ? state.outputEQState.channelElement (channel.index)
                                                       : state.input2EQState.channelElement (channel.index);
    juce::String error;
    if (!DeviceState::writePresetFile (target, *element, error))
    {
        printError (error);
        return exitBadUsage;
    }
    printOut ("written into " + target.getFileName() + "\n");
    return exitSuccess;
}

int eqImport (const Arguments& a)
{
    Channel channel;
    if (a.hasValue ("--output") == a.hasValue ("--input"))
        return usageError ("give either --output 1..6 or --input A..C", eqUsage);
    if (a.hasValue ("--into") && a.hasValue ("--port"))
        return usageError ("give either --into PRESET or --port P", eqUsage);
    if (a.hasValue ("--output"))
    {
        const auto text = a.value ("--output").trim();
        // Few digits only: the framework reads longer ones modulo 2^32.
        channel.index = text.length() <= 2 ? text.getIntValue() - 1 : -1;
        if (!text.containsOnly ("0123456789") || !Protocol::isOutput (channel.index))
            return usageError ("--output takes 1 to 6", eqUsage);
    }
    else
    {
        const auto text = a.value ("--input").trim().toUpperCase();
        channel.output = false;
        channel.index = text.length() == 1 ? (int) text[0] - 'A' : -1;
        if (!Protocol::isInput (channel.index))
            return usageError ("--input takes A, B or C", eqUsage);
    }

    const auto file = fileArgument (a.positional[1]);
    juce::MemoryBlock bytes;
    const auto read = FileAccess::readRegularFile (file, largestFilterExportBytes, bytes);
    if (read != FileAccess::Read::done)
    {
        printError (file.getFullPathName() + ": " +
                    (read == FileAccess::Read::missing
                         ? juce::String ("File does not exist")
                         : RewFilters::notAnExportMessage + juce::String (" (") + FileAccess::describe (read) + ")"));
        return exitBadUsage;
    }
    const auto parsed = RewFilters::parse (RewFilters::textOf (bytes));
    if (parsed.error.isNotEmpty())
    {
        printError (file.getFullPathName() + ": " + parsed.error);
        return exitBadUsage;
    }
    const auto import =
        RewFilters::map (parsed.filters, channel.output ? Protocol::outputBandCount : Protocol::inputBandCount,
                         channel.output ? Protocol::maximumOutputBandwidthCode : Protocol::maximumInputBandwidthCode,
                         a.has ("--drop-extra"));
    if (import.refusal.isNotEmpty())
    {
        printError (file.getFullPathName() + ": " + import.refusal);
        return exitBadUsage;
    }
    printOut (importReport (import, channel.name(), file));

    if (a.hasValue ("--into"))
        return importIntoFile (fileArgument (a.value ("--into")), channel, import);

    DeviceSession session;
    if (const int failed = session.connect (a.value ("--port")))
        return failed;
    if (const int failed = session.send ("eq import", [&] { setBands (session.state, channel, import); }))
        return failed;
    printOut ("sent to " + channel.name() + " on " + session.port.getPortName() + "\n");
    session.close (true);
    return exitSuccess;
}

int serve (const Arguments& a)
{
    juce::String address = RemoteControl::anyAddress, why;
    int listenPort = RemoteControl::defaultPort;
    if (a.hasValue ("--listen") && !RemoteControl::parseListen (a.value ("--listen"), address, listenPort, why))
        return usageError (why, serveUsage);
    DeviceSession session;
    if (const int failed = session.connect (a.value ("--port")))
        return failed;
    if (Protocol::versionAllowsReadBackAndUpload (session.port.getFirmwareVersion()))
    {
        if (const int failed = session.readBack())
            return failed;
    }
    else
        printError (juce::String (DeviceLink::noReadBackMessage) +
                    " The pages show the program's starting values until they are edited.");

    RemoteControl remote (session.state, [&session] { return session.port.isConnected(); });
    if (!remote.start (address, listenPort, why))
    {
        printError (why);
        session.close (true);
        return exitLineFailure;
    }
    printOut (remote.getUrl() + "\n");
    std::cerr << "serving " << session.port.getPortName() << " until Ctrl-C" << std::endl;
    int pages = 0;
    remote.onClientsChanged = [&remote, &pages]
    {
        if (remote.getClientCount() != pages)
            std::cerr << "pages connected: " << (pages = remote.getClientCount()) << std::endl;
    };
    session.runUntilInterrupted();
    remote.onClientsChanged = nullptr;
    remote.stop();
    session.close (true);
    return exitSuccess;
}

struct Command
{
    const char* name;
    const char* usage;
    int positionals; // file arguments after the command word(s); -1: the command checks its own
    juce::StringArray valueOptions, flagOptions;
    int (*run) (const Arguments&);
};

int runCommand (const juce::StringArray& words)
{
    if (words.isEmpty())
        return usageError ("no command given", mainUsage);
    const auto& first = words[0];
    if (first == "--help" || first == "-h" || first == "help")
    {
        std::cout << mainUsage;
        return exitSuccess;
    }
    if (first == "--version")
    {
        std::cout << "tavikctl " << TAVIK_VERSION_STRING << std::endl;
        return exitSuccess;
    }

    const Command commands[] = {
        { "ports", portsUsage, 0, {}, {}, ports },
        { "identify", identifyUsage, 0, { "--port" }, {}, identify },
        { "push", pushUsage, 1, { "--port" }, {}, push },
        { "pull", pullUsage, 1, { "--port" }, {}, pull },
        { "firmware", firmwareUsage, 1, { "--port" }, {}, firmware },
        { "set", setUsage, -1, { "--port", "--file" }, {}, setParams },
        { "get", getUsage, -1, { "--port", "--file" }, { "--all" }, getParams },
        { "show", showUsage, 1, {}, { "--json" }, show },
        { "eq", eqUsage, 2, { "--port", "--into", "--output", "--input" }, { "--drop-extra" }, eqImport },
        { "serve", serveUsage, 0, { "--port", "--listen" }, {}, serve },
    };
    for (const auto& command : commands)
    {
        if (first != command.name)
            continue;
        const auto a = Arguments::parse (juce::StringArray (words.begin() + 1, words.size() - 1), command.valueOptions,
                                         command.flagOptions);
        if (a.has ("--help"))
        {
            std::cout << command.usage;
            return exitSuccess;
        }
        if (a.error.isNotEmpty())
            return usageError (a.error, command.usage);
        if (juce::String (command.name) == "eq" && a.positional[0] != "import")
            return usageError ("eq takes the subcommand import", command.usage);
        if (command.positionals >= 0 && a.positional.size() != command.positionals)
            return usageError (a.positional.size() < command.positionals
                                   ? "missing file argument"
                                   : "unexpected argument " + a.positional[command.positionals],
                               command.usage);
        return command.run (a);
    }
    return usageError ("unknown command " + first, mainUsage);
}
} // namespace

int run (const juce::StringArray& words)
{
    const int status = runCommand (words);
    // What was printed must have arrived, or the status would claim more than was done.
    if (!std::cout.flush() && status == exitSuccess)
    {
        printError ("cannot write to standard output");
        return exitLineFailure;
    }
    return status;
}
} // namespace Cli
