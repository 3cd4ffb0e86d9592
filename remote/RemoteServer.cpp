#include "remote/RemoteServer.h"

#include "remote/SocketOptions.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <atomic>
#include <deque>
#include <map>
#include <optional>
#include <thread>

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace net = boost::asio;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace
{
constexpr auto requestTimeout = std::chrono::seconds (30);
constexpr auto wrongTokenWindow = std::chrono::minutes (1);
constexpr int mostHttpConnections = 64;
constexpr std::size_t largestBody = 1024; // a page sends no request bodies
constexpr std::size_t mostWaitingMessages = 4096;

bool equalsIgnoringCase (beast::string_view a, beast::string_view b)
{
    return beast::iequals (a, b);
}

// The value of name in a query ("a=1&token=x"); nothing when absent or given twice.
std::optional<std::string> queryValue (beast::string_view query, beast::string_view name)
{
    std::optional<std::string> found;
    while (!query.empty())
    {
        const auto amp = query.find ('&');
        const auto pair = query.substr (0, amp);
        query = amp == beast::string_view::npos ? beast::string_view() : query.substr (amp + 1);
        const auto eq = pair.find ('=');
        if (pair.substr (0, eq) != name)
            continue;
        if (found)
            return std::nullopt;
        found = std::string (eq == beast::string_view::npos ? beast::string_view() : pair.substr (eq + 1));
    }
    return found;
}

// The host part of a Host header: "[::1]:8765" -> "::1", "10.0.0.2:80" -> "10.0.0.2".
std::string hostName (beast::string_view host)
{
    if (!host.empty() && host.front() == '[')
    {
        const auto close = host.find (']');
        return close == beast::string_view::npos ? std::string() : std::string (host.substr (1, close - 1));
    }
    const auto colon = host.rfind (':');
    return std::string (colon == beast::string_view::npos ? host : host.substr (0, colon));
}
} // namespace

class WsSession;

class RemoteServer::Impl
{
public:
    Impl (Delegate& d, std::string t, std::string p, Limits l)
        : delegate (d)
        , token (std::move (t))
        , page (std::move (p))
        , limits (l)
    {
    }

    Delegate& delegate;
    const std::string token, page;
    const Limits limits;
    std::atomic<int> clients{ 0 }; // WebSockets open or being opened
    std::atomic<int> boundPort{ 0 };

    // The I/O thread's own.
    int nextClient = 1;
    int httpConnections = 0;
    std::map<int, std::weak_ptr<WsSession>> sessions;
    std::map<std::string, std::deque<Clock::time_point>> wrongTokens;

    // Last: destroyed first, with the handlers and sockets they hold.
    net::io_context ioc{ 1 };
    tcp::acceptor acceptor{ ioc };
    net::steady_timer acceptPause{ ioc };
    std::thread thread;

    void accept();

    // Seconds this address still waits after too many wrong tokens; 0 when it may try.
    long waitingSeconds (const std::string& address)
    {
        const auto now = Clock::now();
        for (auto it = wrongTokens.begin(); it != wrongTokens.end();)
        {
            auto& times = it->second;
            while (!times.empty() && now - times.front() >= wrongTokenWindow)
                times.pop_front();
            it = times.empty() ? wrongTokens.erase (it) : std::next (it);
        }
        const auto it = wrongTokens.find (address);
        if (it == wrongTokens.end() || (int) it->second.size() < limits.wrongTokensPerMinute)
            return 0;
        const auto left = wrongTokenWindow - (now - it->second.front());
        return (long) std::chrono::ceil<std::chrono::seconds> (left).count();
    }

    void countWrongToken (const std::string& address)
    {
        auto& times = wrongTokens[address];
        times.push_back (Clock::now());
        while ((int) times.size() > limits.wrongTokensPerMinute)
            times.pop_front();
    }
};

// One page's WebSocket: reads its requests, writes what it is told in order,
// and lets go of it when it stalls, breaks a limit or goes quiet.
class WsSession : public std::enable_shared_from_this<WsSession>
{
public:
    WsSession (tcp::socket&& socket, RemoteServer::Impl& s, int clientId)
        : ws (std::move (socket))
        , server (s)
        , id (clientId)
        , idleTimer (ws.get_executor())
    {
    }
    ~WsSession() { release(); }

    void start (http::request<http::string_body>&& upgrade)
    {
        request = std::move (upgrade);
        beast::get_lowest_layer (ws).expires_never();
        // Idle is measured by the session itself: Beast's idle timer without
        // pings ends a connection however busy it is.
        websocket::stream_base::timeout timeouts{ requestTimeout, websocket::stream_base::none(), false };
        ws.set_option (timeouts);
        ws.read_message_max (RemoteMessages::largestIncoming);
        ws.set_option (websocket::stream_base::decorator ([] (websocket::response_type& response)
                                                          { response.set (http::field::server, "Tavik"); }));
        ws.async_accept (request, beast::bind_front_handler (&WsSession::accepted, shared_from_this()));
    }

    void send (const std::shared_ptr<const std::string>& message)
    {
        if (left)
            return;
        if (backlog + message->size() > server.limits.largestBacklog || waiting.size() >= mostWaitingMessages)
        {
            leave(); // stalled: the others must not wait for it
            return;
        }
        waiting.push_back (message);
        backlog += message->size();
        if (waiting.size() == 1)
            writeNext();
    }

    bool ready = false; // has had its state

private:
    websocket::stream<beast::tcp_stream> ws;
    RemoteServer::Impl& server;
    const int id;
    net::steady_timer idleTimer;
    http::request<http::string_body> request;
    beast::flat_buffer buffer;
    std::deque<std::shared_ptr<const std::string>> waiting;
    std::size_t backlog = 0;
    bool counted = true, joined = false, left = false;

    void release()
    {
        if (counted)
            --server.clients;
        counted = false;
    }

    void accepted (beast::error_code ec)
    {
        if (ec)
        {
            left = true;
            release();
            return;
        }
        joined = true;
        server.sessions[id] = weak_from_this();
        server.delegate.clientJoined (id);
        heardFrom();
        read();
    }

    // A page that says nothing for the idle time (an open one sends a
    // keep-alive each minute) is let go of.
    void heardFrom()
    {
        idleTimer.expires_after (server.limits.idle);
        idleTimer.async_wait (
            [weak = weak_from_this()] (beast::error_code ec)
            {
                if (const auto self = weak.lock(); self != nullptr && !ec)
                    self->leave();
            });
    }

    void read() { ws.async_read (buffer, beast::bind_front_handler (&WsSession::received, shared_from_this())); }

    void received (beast::error_code ec, std::size_t)
    {
        if (ec)
        {
            leave();
            return;
        }
        heardFrom();
        if (!ws.got_text())
            send (std::make_shared<const std::string> (RemoteMessages::error ("messages are JSON text")));
        else
        {
            const auto text = beast::buffers_to_string (buffer.data());
            std::string why;
            if (auto parsed = RemoteMessages::parse (text, why))
            {
                if (!server.delegate.requested (id, std::move (*parsed)))
                    send (std::make_shared<const std::string> (
                        RemoteMessages::error ("too many requests are waiting for the program: this one was dropped")));
            }
            else
                send (std::make_shared<const std::string> (RemoteMessages::error (why)));
        }
        buffer.consume (buffer.size());
        if (!left)
            read();
    }

    void writeNext()
    {
        ws.text (true);
        ws.async_write (net::buffer (*waiting.front()),
                        beast::bind_front_handler (&WsSession::written, shared_from_this()));
    }

    void written (beast::error_code ec, std::size_t)
    {
        if (ec)
        {
            leave();
            return;
        }
        backlog -= waiting.front()->size();
        waiting.pop_front();
        if (!waiting.empty() && !left)
            writeNext();
    }

    void leave()
    {
        if (left)
            return;
        left = true;
        release();
        idleTimer.cancel();
        beast::error_code ignored;
        beast::get_lowest_layer (ws).socket().close (ignored); // ends the read and any write at once
        if (joined)
        {
            server.sessions.erase (id);
            server.delegate.clientLeft (id);
        }
    }
};

// One HTTP connection: requests are checked for the token, the limits and
// the Origin before anything is served or upgraded.
class HttpSession : public std::enable_shared_from_this<HttpSession>
{
public:
    HttpSession (tcp::socket&& socket, RemoteServer::Impl& s)
        : stream (std::move (socket))
        , server (s)
    {
        ++server.httpConnections;
    }
    ~HttpSession() { --server.httpConnections; }

    void run()
    {
        net::dispatch (stream.get_executor(), beast::bind_front_handler (&HttpSession::read, shared_from_this()));
    }

private:
    beast::tcp_stream stream;
    RemoteServer::Impl& server;
    beast::flat_buffer buffer{ server.limits.largestHeader + largestBody + 1024 };
    std::optional<http::request_parser<http::string_body>> parser;

    void read()
    {
        parser.emplace();
        parser->header_limit ((std::uint32_t) server.limits.largestHeader);
        parser->body_limit (largestBody);
        stream.expires_after (requestTimeout);
        http::async_read (stream, buffer, *parser,
                          beast::bind_front_handler (&HttpSession::received, shared_from_this()));
    }

    void received (beast::error_code ec, std::size_t)
    {
        if (ec == http::error::header_limit || ec == http::error::buffer_overflow)
            return reply (http::status::request_header_fields_too_large, "Request header too large\n", false);
        if (ec == http::error::body_limit)
            return reply (http::status::payload_too_large, "Request body too large\n", false);
        if (ec && ec.category() == http::make_error_code (http::error::bad_target).category() &&
            ec != http::error::end_of_stream && ec != http::error::partial_message)
            return reply (http::status::bad_request, "Bad request\n", false);
        if (ec)
            return close();
        handle (parser->release());
    }

    void handle (http::request<http::string_body>&& request)
    {
        beast::error_code ec;
        const auto address = stream.socket().remote_endpoint (ec).address().to_string();
        if (const long wait = server.waitingSeconds (address))
            return reply (http::status::too_many_requests, "Too many wrong tokens: wait a minute\n", false,
                          std::to_string (wait));

        const auto target = request.target();
        const auto question = target.find ('?');
        const auto path = target.substr (0, question);
        const auto given = queryValue (
            question == beast::string_view::npos ? beast::string_view() : target.substr (question + 1), "token");
        if (!given || !RemoteServer::sameSecret (*given, server.token))
        {
            if (given)
                server.countWrongToken (address);
            return reply (http::status::unauthorized, "Open the address the program shows, with its token\n", false);
        }
        const bool head = request.method() == http::verb::head;
        if (request.method() != http::verb::get && !head)
            return reply (http::status::method_not_allowed, "Method not allowed\n", false);

        if (path == "/")
            return reply (http::status::ok, head ? std::string() : server.page, request.keep_alive(), {}, true);
        if (path != "/ws")
            return reply (http::status::not_found, "Not found\n", request.keep_alive());
        if (!websocket::is_upgrade (request))
            return reply (http::status::upgrade_required, "WebSocket only\n", false);
        if (!originIsPage (request))
            return reply (http::status::forbidden, "Wrong origin\n", false);
        if (++server.clients > server.limits.clients)
        {
            --server.clients;
            return reply (http::status::service_unavailable, "Too many pages connected\n", false);
        }
        stream.expires_never();
        std::make_shared<WsSession> (stream.release_socket(), server, server.nextClient++)->start (std::move (request));
    }

    // The page's own address: an Origin of http:// and the Host it asked,
    // that Host an address rather than a name (a name could be made to
    // point here by someone else's page).
    static bool originIsPage (const http::request<http::string_body>& request)
    {
        const auto origin = request[http::field::origin];
        const auto host = request[http::field::host];
        if (origin.empty() || host.empty() || !equalsIgnoringCase (origin, "http://" + std::string (host)))
            return false;
        const auto name = hostName (host);
        beast::error_code ec;
        net::ip::make_address (name, ec);
        return !ec || equalsIgnoringCase (name, "localhost");
    }

    void reply (http::status status, std::string body, bool keepAlive, const std::string& retryAfter = {},
                bool isPage = false)
    {
        auto response = std::make_shared<http::response<http::string_body>> (status, 11);
        response->set (http::field::server, "Tavik");
        response->set (http::field::cache_control, "no-store");
        response->set ("X-Content-Type-Options", "nosniff");
        response->set ("Referrer-Policy", "no-referrer");
        if (isPage)
        {
            response->set (http::field::content_type, "text/html; charset=utf-8");
            response->set ("X-Frame-Options", "DENY");
            response->set ("Content-Security-Policy",
                           "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
                           "connect-src 'self'; img-src data:; base-uri 'none'; form-action 'none'; "
                           "frame-ancestors 'none'");
        }
        else
            response->set (http::field::content_type, "text/plain; charset=utf-8");
        if (!retryAfter.empty())
            response->set (http::field::retry_after, retryAfter);
        const auto length = isPage ? server.page.size() : body.size();
        response->body() = std::move (body);
        response->content_length (length);
        response->keep_alive (keepAlive);
        stream.expires_after (requestTimeout);
        http::async_write (stream, *response,
                           [self = shared_from_this(), response, keepAlive] (beast::error_code ec, std::size_t)
                           {
                               if (!ec && keepAlive)
                                   self->read();
                               else
                                   self->close();
                           });
    }

    void close()
    {
        beast::error_code ignored;
        stream.socket().shutdown (tcp::socket::shutdown_send, ignored);
        stream.close();
    }
};

void RemoteServer::Impl::accept()
{
    acceptor.async_accept (ioc,
                           [this] (beast::error_code ec, tcp::socket socket)
                           {
                               if (ec == net::error::operation_aborted || !acceptor.is_open())
                                   return;
                               if (ec)
                               {
                                   // Out of descriptors, say: try again shortly rather than spin.
                                   acceptPause.expires_after (std::chrono::milliseconds (100));
                                   acceptPause.async_wait (
                                       [this] (beast::error_code e)
                                       {
                                           if (!e)
                                               accept();
                                       });
                                   return;
                               }
                               if (httpConnections < mostHttpConnections)
                                   std::make_shared<HttpSession> (std::move (socket), *this)->run();
                               accept();
                           });
}

RemoteServer::RemoteServer (Delegate& delegate, std::string token, std::string page)
    : RemoteServer (delegate, std::move (token), std::move (page), Limits())
{
}

RemoteServer::RemoteServer (Delegate& delegate, std::string token, std::string page, Limits limits)
    : impl (std::make_shared<Impl> (delegate, std::move (token), std::move (page), limits))
{
}

RemoteServer::~RemoteServer()
{
    stop();
}

bool RemoteServer::start (const std::string& address, int port, std::string& why)
{
    beast::error_code ec;
    const auto ip = net::ip::make_address (address, ec);
    if (ec || port < 0 || port > 65535)
    {
        why = "not an address and port to listen on: " + address + ":" + std::to_string (port);
        return false;
    }
    const tcp::endpoint endpoint (ip, (unsigned short) port);
    auto& acceptor = impl->acceptor;
    acceptor.open (endpoint.protocol(), ec);
    if (!ec && SocketOptions::reuseAddress())
        acceptor.set_option (net::socket_base::reuse_address (true), ec);
    if (!ec)
        acceptor.bind (endpoint, ec);
    if (!ec)
        acceptor.listen (net::socket_base::max_listen_connections, ec);
    if (ec)
    {
        why = "cannot listen on " + address + " port " + std::to_string (port) + ": " + ec.message();
        beast::error_code ignored;
        acceptor.close (ignored);
        return false;
    }
    impl->boundPort = acceptor.local_endpoint (ec).port();
    impl->accept();
    impl->thread = std::thread ([i = impl.get()] { i->ioc.run(); });
    return true;
}

void RemoteServer::stop()
{
    if (impl == nullptr || !impl->thread.joinable())
        return;
    impl->ioc.stop();
    impl->thread.join();
}

int RemoteServer::port() const noexcept
{
    return impl->boundPort.load();
}

int RemoteServer::clientCount() const noexcept
{
    return impl->clients.load();
}

void RemoteServer::sendState (int client, std::string message)
{
    net::post (impl->ioc,
               [i = impl.get(), client, m = std::make_shared<const std::string> (std::move (message))]
               {
                   const auto it = i->sessions.find (client);
                   if (it == i->sessions.end())
                       return;
                   if (const auto session = it->second.lock())
                   {
                       session->ready = true;
                       session->send (m);
                   }
               });
}

void RemoteServer::send (int client, std::string message)
{
    net::post (impl->ioc,
               [i = impl.get(), client, m = std::make_shared<const std::string> (std::move (message))]
               {
                   const auto it = i->sessions.find (client);
                   if (it != i->sessions.end())
                       if (const auto session = it->second.lock())
                           session->send (m);
               });
}

void RemoteServer::broadcast (std::string message)
{
    net::post (impl->ioc,
               [i = impl.get(), m = std::make_shared<const std::string> (std::move (message))]
               {
                   // send may drop a stalled client, which leaves the map.
                   std::vector<std::shared_ptr<WsSession>> ready;
                   for (const auto& [id, weak] : i->sessions)
                       if (auto session = weak.lock(); session != nullptr && session->ready)
                           ready.push_back (std::move (session));
                   for (const auto& session : ready)
                       session->send (m);
               });
}

bool RemoteServer::sameSecret (const std::string& given, const std::string& expected) noexcept
{
    unsigned difference = given.size() == expected.size() ? 0u : 1u;
    for (std::size_t i = 0; i < expected.size(); ++i)
        difference |= (unsigned) (unsigned char) expected[i] ^
                      (unsigned) (unsigned char) (i < given.size() ? given[i] : expected[i] ^ 0xFF);
    return difference == 0;
}
