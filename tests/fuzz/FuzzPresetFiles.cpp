#include "FuzzSupport.h"
#include "state/StatePreset.h"
#include "support/StateHarness.h"

#include <cstdlib>

namespace
{
// One record for every run, as the program has one; its worker sits on a
// closed port, so loading queues nothing.
StateHarness& harness()
{
    static auto* h = []
    {
        juce::MessageManager::getInstance()->setCurrentThreadAsMessageThread();
        return new StateHarness (fuzzFolder());
    }();
    return *h;
}

void saveAndReload (StateHarness& h)
{
    // Whatever was taken in must survive a save and a load: a preset is never lost.
    const auto saved = fuzzFolder().getChildFile ("saved.TavikPreset");
    h.ask.fileAnswers.push_back (saved);
    saveStatePreset (h.state);
    h.ask.fileAnswers.push_back (saved);
    if (!loadStatePreset (h.state, [] {}))
        std::abort();
}
} // namespace

// The first byte picks the reader (whole-state, input or output preset file,
// or the clipboard of either section) and the channel; the rest is the text.
extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    auto& h = harness();
    const int input = data[0] % 3, output = 4 + data[0] % 6;
    bool taken = false;
    switch ((data[0] >> 3) % 5)
    {
        case 0:
            h.ask.fileAnswers.push_back (fuzzFile ("f.TavikPreset", data + 1, size - 1));
            taken = loadStatePreset (h.state, [] {});
            break;
        case 1:
            h.ask.fileAnswers.push_back (fuzzFile ("f.TavikInput2Preset", data + 1, size - 1));
            taken = h.inputs().loadChannelPreset (input);
            break;
        case 2:
            h.ask.fileAnswers.push_back (fuzzFile ("f.TavikOutputPreset", data + 1, size - 1));
            taken = h.outputs().loadChannelPreset (output);
            break;
        case 3:
            h.ask.clipboard = fuzzText (data + 1, size - 1);
            taken = h.inputs().pasteChannelFromClipboard (input);
            break;
        default:
            h.ask.clipboard = fuzzText (data + 1, size - 1);
            taken = h.outputs().pasteChannelFromClipboard (output);
            break;
    }
    if (taken)
        saveAndReload (h);
    h.ask.asked.clear();
    h.ask.fileAnswers.clear();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (0); // the status broadcasts
    return 0;
}
