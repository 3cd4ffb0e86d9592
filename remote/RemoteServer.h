#pragma once

#include "remote/RemoteMessages.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

// The remote control's HTTP and WebSocket server. It runs its own I/O
// thread: it serves the one embedded page and keeps the pages' WebSocket
// connections, refusing whatever lacks the token or breaks a limit before
// anything else is looked at. It never touches the record: what the pages
// ask for goes to the delegate, and what they are to be told comes back
// through send and broadcast, which any thread may call.
class RemoteServer
{
public:
    struct Limits
    {
        std::size_t largestHeader = 8 * 1024;
        int clients = 8;
        int wrongTokensPerMinute = 10; // then that address waits out the minute
        std::chrono::seconds idle{ 180 };
        // A page that has this much still to receive has stalled: it is dropped.
        std::size_t largestBacklog = 1024 * 1024;
    };

    // Called on the I/O thread; each must return at once (hand the work over).
    class Delegate
    {
    public:
        virtual ~Delegate() = default;
        // A page's WebSocket is open; it is told nothing until sendState.
        virtual void clientJoined (int client) = 0;
        virtual void clientLeft (int client) = 0;
        // False when the request was not taken (too many wait already).
        virtual bool requested (int client, RemoteMessages::Request request) = 0;
    };

    // token: the secret every request must carry (?token=...). page: the one
    // document served at "/".
    RemoteServer (Delegate& delegate, std::string token, std::string page);
    RemoteServer (Delegate& delegate, std::string token, std::string page, Limits limits);
    ~RemoteServer();

    // Listens on address (an IPv4 or IPv6 literal) and port (0: any free
    // one) and starts the I/O thread. False, with why, when it cannot listen.
    bool start (const std::string& address, int port, std::string& why);
    // Closes every connection and ends the I/O thread.
    void stop();

    // The port listened on, once started.
    int port() const noexcept;
    // Pages whose WebSocket is open.
    int clientCount() const noexcept;

    // A client's first message (the whole state); after it, broadcasts reach it too.
    void sendState (int client, std::string message);
    void send (int client, std::string message);
    // To every client that has had its state.
    void broadcast (std::string message);

    // The same length and the same characters, in a time that does not depend on where they differ.
    static bool sameSecret (const std::string& given, const std::string& expected) noexcept;

    class Impl;

private:
    std::shared_ptr<Impl> impl;
};
