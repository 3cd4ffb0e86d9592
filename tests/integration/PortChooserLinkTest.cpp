// The port chooser against a running simulator, which announces its port the
// way the program's users find it.
#include "device/SerialPort.h"
#include "engine/SimulatedProcessor.h"
#include "support/ScriptedAskUser.h"

#include <gtest/gtest.h>

namespace
{
// The scripted user, also keeping every list exactly as it was offered.
class ListKeepingUser : public ScriptedAskUser
{
public:
    std::vector<AskUser::ListChoice> lists;

    juce::String chooseFromList (const ListChoice& choice) override
    {
        lists.push_back (choice);
        return ScriptedAskUser::chooseFromList (choice);
    }
};
} // namespace

TEST (PortChooserLink, OffersAnAnnouncedSimulatorAndReturnsTheChoice)
{
    juce::String simulatorPort;
    {
        taviksim::SimulatorOptions options;
        options.logProblems = false;
        options.announce = true;
        taviksim::SimulatedProcessor sim (options);
        ASSERT_TRUE (sim.start()) << sim.error();
        simulatorPort = sim.slavePath();

        ListKeepingUser ask;
        ask.listAnswers = { simulatorPort, "" };
        juce::String name = "/dev/tavik-test-port-that-is-gone", error;
        ASSERT_TRUE (choosePort (ask, name, error)) << error;
        EXPECT_EQ (name, simulatorPort);
        EXPECT_TRUE (error.isEmpty());

        ASSERT_EQ (ask.lists.size(), 1u);
        const auto& offered = ask.lists[0];
        EXPECT_EQ (offered.title, "Orveth Tavik");
        EXPECT_EQ (offered.message, "Please select a serial port:");
        EXPECT_EQ (offered.comboName, "Serial ports");
        EXPECT_EQ (offered.comboLabel, "Serial port");
        const int index = offered.items.indexOf (simulatorPort);
        ASSERT_GE (index, 0) << offered.items.joinIntoString (", ");
        EXPECT_EQ (offered.items.indexOf (simulatorPort, false, index + 1), -1) << "listed twice";
        EXPECT_EQ (offered.preselected, 0);

        // Asked again, the port just chosen comes preselected; cancelling
        // then leaves no port chosen, and is no error.
        ASSERT_TRUE (choosePort (ask, name, error));
        EXPECT_TRUE (name.isEmpty());
        EXPECT_TRUE (error.isEmpty());
        ASSERT_EQ (ask.lists.size(), 2u);
        const auto& again = ask.lists[1];
        ASSERT_TRUE (juce::isPositiveAndBelow (again.preselected, again.items.size()));
        EXPECT_EQ (again.items[again.preselected], simulatorPort);
    }

    // A simulator that has stopped is offered no longer.
    ListKeepingUser ask;
    juce::String name = simulatorPort, error;
    if (choosePort (ask, name, error))
    {
        ASSERT_EQ (ask.lists.size(), 1u);
        EXPECT_FALSE (ask.lists[0].items.contains (simulatorPort));
    }
    else
    {
        EXPECT_EQ (error, "No COM ports found.");
        EXPECT_TRUE (ask.lists.empty());
    }
}
