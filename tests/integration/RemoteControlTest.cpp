// The remote control's two threads with real sockets on 127.0.0.1: pages
// edit the record only on the message thread and follow its announcements,
// and a page that stops reading is let go of without holding up the others.
#include "remote/RemoteControl.h"
#include "remote/RemoteServer.h"
#include "support/StateHarness.h"
#include "support/WebSocketPage.h"

#include <gtest/gtest.h>

#include <atomic>

namespace
{
struct Counting : RemoteServer::Delegate
{
    void clientJoined (int client) override { lastJoined = client; }
    void clientLeft (int) override { ++left; }
    bool requested (int, RemoteMessages::Request) override { return true; }
    std::atomic<int> lastJoined{ 0 }, left{ 0 };
};

void pumpUntil (const std::function<bool()>& done)
{
    for (int i = 0; i < 500 && !done(); ++i)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
}
} // namespace

TEST (RemoteControl, PagesEditTheRecordOnTheMessageThreadAndEveryPageFollows)
{
    StateHarness h;
    RemoteControl remote (h.state, [] { return false; });
    juce::String why;
    ASSERT_TRUE (remote.start ("127.0.0.1", 0, why)) << why;
    const auto url = remote.getUrl();
    const int port = url.fromLastOccurrenceOf (":", false, false).getIntValue();
    const auto token = url.fromFirstOccurrenceOf ("token=", false, false);
    ASSERT_EQ (token.length(), 32);

    WebSocketPage first (port, token), second (port, token);
    ASSERT_TRUE (first.open && second.open);
    std::string state;
    std::atomic<bool> stateArrived{ false };
    std::thread reader (
        [&]
        {
            state = first.receiveWith ("\"type\":\"state\"");
            stateArrived = true;
        });
    pumpUntil ([&] { return stateArrived.load(); }); // the message thread reads the record for it
    reader.join();
    EXPECT_NE (state.find ("\"output.1.band.2.gain\":\"0\""), std::string::npos);
    EXPECT_NE (state.find ("\"connected\":false"), std::string::npos);

    first.send (R"({"type":"set","param":"output.1.band.2.gain","value":"-3.5 dB"})");
    pumpUntil ([&] { return h.outputs().getBandGain (0, 1) == -3.5; });
    EXPECT_EQ (h.outputs().getBandGain (0, 1), -3.5);
    EXPECT_NE (second.receiveWith ("changes").find ("\"output.1.band.2.gain\":\"-3.5\""), std::string::npos);

    h.state.muteState.setOutputMute (2, true); // an edit in the window
    EXPECT_NE (first.receiveWith ("output.3.mute").find ("\"output.3.mute\":\"on\""), std::string::npos);
    EXPECT_NE (second.receiveWith ("output.3.mute").find ("\"output.3.mute\":\"on\""), std::string::npos);

    // Faster than the message thread takes them (here it takes none): told, not queued without end.
    for (int i = 0; i < 100; ++i)
        first.send (R"({"type":"set","param":"output.1.gain","value":"-1"})");
    EXPECT_NE (first.receiveWith ("too many requests").find ("too many requests"), std::string::npos);
    remote.stop();
}

TEST (RemoteServer, APageThatStopsReadingIsLetGoAndTheOthersGetEverything)
{
    Counting delegate;
    RemoteServer::Limits limits;
    limits.largestBacklog = 512 * 1024;
    RemoteServer server (delegate, std::string (32, 'a'), "page", limits);
    std::string why;
    ASSERT_TRUE (server.start ("127.0.0.1", 0, why)) << why;
    const juce::String token (std::string (32, 'a'));

    WebSocketPage stalled (server.port(), token), reading (server.port(), token);
    ASSERT_TRUE (stalled.open && reading.open);
    for (int i = 0; i < 500 && delegate.lastJoined < 2; ++i)
        juce::Thread::sleep (10);
    for (int id = 1; id <= 2; ++id)
        server.sendState (id, "{}");

    // 40 MB: far more than the system's socket buffers and the backlog allowed.
    constexpr int messages = 400;
    std::atomic<int> received{ 0 };
    std::thread reader (
        [&]
        {
            reading.receive();
            while (received < messages && !reading.receive().empty())
                ++received;
        });
    // Paced as the record's changes come, so the reading page never falls behind.
    const auto deadline = juce::Time::getMillisecondCounter() + 60000;
    for (int i = 0; i < messages && juce::Time::getMillisecondCounter() < deadline; ++i)
    {
        while (received < i - 2 && juce::Time::getMillisecondCounter() < deadline)
            juce::Thread::sleep (1);
        server.broadcast (std::string (100 * 1024, 'x'));
    }
    reader.join();
    EXPECT_EQ (received.load(), messages);
    EXPECT_EQ (delegate.left.load(), 1);
    EXPECT_EQ (server.clientCount(), 1);
}

TEST (RemoteServer, APageSilentForTheIdleTimeIsClosedAndOneThatSpeaksStays)
{
    Counting delegate;
    RemoteServer::Limits limits;
    limits.idle = std::chrono::seconds (1);
    RemoteServer server (delegate, std::string (32, 'a'), "page", limits);
    std::string why;
    ASSERT_TRUE (server.start ("127.0.0.1", 0, why)) << why;
    const juce::String token (std::string (32, 'a'));
    WebSocketPage silent (server.port(), token), speaking (server.port(), token);
    ASSERT_TRUE (silent.open && speaking.open);
    for (int i = 0; i < 8; ++i)
    {
        speaking.send (R"({"type":"ping"})");
        juce::Thread::sleep (250);
    }
    EXPECT_EQ (delegate.left.load(), 1);
    EXPECT_EQ (server.clientCount(), 1);
}
