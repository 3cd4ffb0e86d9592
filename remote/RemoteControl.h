#pragma once

#include "remote/RemoteMessages.h"
#include "state/DeviceState.h"

#include <juce_events/juce_events.h>

#include <functional>
#include <memory>

class RemoteServer;

// The remote control as a front end sees it: turned on, it serves the page
// on the network and keeps every connected page in step with the record.
// Everything here runs on the message thread; the server's own thread hands
// each page's request over to it, the way the worker hands over a read-back,
// and a page's edit goes through the record's setters as a panel's does.
class RemoteControl final : private DeviceState::Listener, private juce::Timer
{
public:
    static constexpr int defaultPort = 8765;
    static constexpr const char* anyAddress = "0.0.0.0";

    // isConnected tells whether a processor is connected now.
    RemoteControl (DeviceState& state, std::function<bool()> isConnected);
    ~RemoteControl() override;

    // "PORT", "ADDRESS:PORT" or "[IPV6]:PORT"; without an address, every
    // interface. False, with why, for anything else.
    static bool parseListen (const juce::String& text, juce::String& address, int& port, juce::String& why);

    // Listens with a new token; false, with why, when it cannot.
    bool start (const juce::String& address, int port, juce::String& why);
    void stop();
    bool isRunning() const noexcept { return server != nullptr; }

    // The whole address to open, with its token: "http://ADDRESS:PORT/?token=..."
    // with the machine's network address when listening on every interface.
    juce::String getUrl() const;
    int getClientCount() const;

    // Told on the message thread when a page comes or goes.
    std::function<void()> onClientsChanged;

    // The address a phone reaches a server on: the listened one, or for every
    // interface the machine's first network address, else 127.0.0.1.
    static juce::String reachableAddress (const juce::String& listenAddress);

private:
    class Bridge;

    void recordChanged (const DeviceState::RecordChange& change) override;
    void timerCallback() override;

    void clientJoined (int client);
    void clientLeft();
    void requested (int client, const RemoteMessages::Request& request);
    void sendStatus();

    DeviceState& state;
    std::function<bool()> isConnected;
    bool shownConnected = false;
    juce::String listenAddress, token;
    std::unique_ptr<Bridge> bridge;
    std::unique_ptr<RemoteServer> server;

    JUCE_DECLARE_NON_COPYABLE (RemoteControl)
};
