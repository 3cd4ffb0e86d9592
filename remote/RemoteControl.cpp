#include "remote/RemoteControl.h"

#include "remote/RemoteServer.h"
#include "remote/SecureRandom.h"
#include "state/EQResponse.h"

#include <atomic>

extern const unsigned char tavikRemotePage[];
extern const std::size_t tavikRemotePageSize;

namespace
{
constexpr int statusPollMs = 200;
constexpr std::size_t tokenBytes = 16; // 128 bits

juce::String newToken()
{
    unsigned char bytes[tokenBytes];
    if (!SecureRandom::fill (bytes, sizeof (bytes)))
        return {};
    return juce::String::toHexString (bytes, (int) sizeof (bytes), 0);
}
} // namespace

// The server's delegate: hands each call over to the message thread. A call
// that arrives after the remote was stopped (or this run replaced) is dropped.
class RemoteControl::Bridge final : public RemoteServer::Delegate
{
public:
    explicit Bridge (RemoteControl& c)
        : control (c)
    {
    }
    ~Bridge() override { *running = false; }

    void clientJoined (int client) override
    {
        post ([client] (RemoteControl& c) { c.clientJoined (client); });
    }
    void clientLeft (int) override
    {
        post ([] (RemoteControl& c) { c.clientLeft(); });
    }
    // Pages that send faster than the message thread handles their requests
    // must not fill its queue (nor, through it, the worker's).
    bool requested (int client, RemoteMessages::Request request) override
    {
        if (waiting->fetch_add (1) >= mostWaiting)
        {
            --*waiting;
            return false;
        }
        post (
            [client, r = std::move (request), w = waiting] (RemoteControl& c)
            {
                --*w;
                c.requested (client, r);
            });
        return true;
    }

private:
    RemoteControl& control;
    // Set and read on the message thread only; the I/O thread copies the pointer.
    const std::shared_ptr<bool> running = std::make_shared<bool> (true);
    static constexpr int mostWaiting = 64;
    const std::shared_ptr<std::atomic<int>> waiting = std::make_shared<std::atomic<int>> (0);

    template <typename Work>
    void post (Work work)
    {
        juce::MessageManager::callAsync (
            [running = running, c = &control, work = std::move (work)]
            {
                if (*running)
                    work (*c);
            });
    }
};

RemoteControl::RemoteControl (DeviceState& s, std::function<bool()> connected)
    : state (s)
    , isConnected (std::move (connected))
{
}

RemoteControl::~RemoteControl()
{
    stop();
}

bool RemoteControl::parseListen (const juce::String& text, juce::String& address, int& port, juce::String& why)
{
    juce::String host = anyAddress, number = text;
    if (text.startsWithChar ('['))
    {
        const int close = text.indexOf ("]:");
        host = close > 1 ? text.substring (1, close) : juce::String();
        number = close > 1 ? text.substring (close + 2) : juce::String();
    }
    else if (text.containsChar (':'))
    {
        host = text.upToLastOccurrenceOf (":", false, false);
        number = text.fromLastOccurrenceOf (":", false, false);
    }
    const bool numeric = number.isNotEmpty() && number.length() <= 5 && number.containsOnly ("0123456789");
    if (host.isEmpty() || !numeric || number.getIntValue() > 65535)
    {
        why = "\"" + text + "\" is not [ADDRESS:]PORT (e.g. 8765 or 127.0.0.1:8765)";
        return false;
    }
    address = host;
    port = number.getIntValue();
    return true;
}

juce::String RemoteControl::reachableAddress (const juce::String& listen)
{
    if (listen != anyAddress && listen != "::")
        return listen.containsChar (':') ? "[" + listen + "]" : listen;
    for (const auto& address : juce::IPAddress::getAllAddresses (false))
        if (!address.isNull() && address != juce::IPAddress::local (false))
            return address.toString();
    return "127.0.0.1";
}

bool RemoteControl::start (const juce::String& address, int port, juce::String& why)
{
    stop();
    token = newToken();
    if (token.length() != 2 * (int) tokenBytes)
    {
        why = "the system gave no random numbers for the token";
        return false;
    }
    bridge = std::make_unique<Bridge> (*this);
    server = std::make_unique<RemoteServer> (*bridge, token.toStdString(),
                                             std::string ((const char*) tavikRemotePage, tavikRemotePageSize));
    std::string reason;
    if (!server->start (address.toStdString(), port, reason))
    {
        why = juce::String::fromUTF8 (reason.c_str());
        server = nullptr;
        bridge = nullptr;
        return false;
    }
    listenAddress = address;
    shownConnected = isConnected();
    state.addListener (this);
    startTimer (statusPollMs);
    return true;
}

void RemoteControl::stop()
{
    if (server == nullptr)
        return;
    stopTimer();
    state.removeListener (this);
    server = nullptr; // ends the I/O thread first: no more calls from it
    bridge = nullptr;
    if (onClientsChanged)
        onClientsChanged();
}

juce::String RemoteControl::getUrl() const
{
    if (server == nullptr)
        return {};
    return "http://" + reachableAddress (listenAddress) + ":" + juce::String (server->port()) + "/?token=" + token;
}

int RemoteControl::getClientCount() const
{
    return server != nullptr ? server->clientCount() : 0;
}

void RemoteControl::clientJoined (int client)
{
    const auto values = ParamSpace::readAll (state);
    RemoteMessages::Values named;
    named.reserve (values.size());
    for (size_t i = 0; i < values.size(); ++i)
        named.emplace_back (Param::all()[i], values[i]);
    server->sendState (client, RemoteMessages::state (isConnected(), getClientCount(), named));
    sendStatus();
    if (onClientsChanged)
        onClientsChanged();
}

void RemoteControl::clientLeft()
{
    sendStatus();
    if (onClientsChanged)
        onClientsChanged();
}

void RemoteControl::requested (int client, const RemoteMessages::Request& request)
{
    if (const auto* set = std::get_if<RemoteMessages::Set> (&request))
    {
        juce::String why;
        bool written = false;
        {
            const DeviceState::Edit edit (state, DeviceState::ChangeSource::remote);
            written = ParamSpace::write (state, set->param, set->value, &why);
        }
        if (!written)
            server->send (client, RemoteMessages::error (why.toStdString()));
        // What the record holds now: a value brought to a step or refused
        // changes nothing that is announced, yet the page must show it.
        server->send (client, RemoteMessages::changes ({ { set->param, ParamSpace::read (state, set->param) } }));
    }
    else if (const auto* curve = std::get_if<RemoteMessages::CurveRequest> (&request))
    {
        const auto frequencies = RemoteMessages::curveFrequencies();
        std::vector<std::vector<double>> levels;
        for (const int output : curve->outputs)
        {
            const EQResponse::Curve shape (EQResponse::settingsOf (state.outputEQState, output));
            auto& level = levels.emplace_back();
            for (const double hz : frequencies)
                level.push_back (shape.levelAt (hz));
        }
        server->send (client, RemoteMessages::curve (curve->outputs, levels, frequencies));
    }
}

void RemoteControl::recordChanged (const DeviceState::RecordChange& change)
{
    if (server == nullptr || server->clientCount() == 0 || change.params.empty())
        return;
    RemoteMessages::Values values;
    values.reserve (change.params.size());
    for (const auto& p : change.params)
        values.emplace_back (p.param, p.after);
    server->broadcast (RemoteMessages::changes (values));
}

void RemoteControl::timerCallback()
{
    if (isConnected() != shownConnected)
        sendStatus();
}

void RemoteControl::sendStatus()
{
    shownConnected = isConnected();
    server->broadcast (RemoteMessages::status (shownConnected, getClientCount()));
}
