#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>
#include <string>

// Just enough of a remote page's WebSocket to 127.0.0.1, for tests and
// benchmarks: the upgrade, masked text out, text in.
class WebSocketPage
{
public:
    WebSocketPage (int port, const juce::String& token)
    {
        if (!socket.connect ("127.0.0.1", port, 2000))
            return;
        const juce::String request = "GET /ws?token=" + token + " HTTP/1.1\r\nHost: 127.0.0.1:" + juce::String (port) +
                                     "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13"
                                     "\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nOrigin: http://127.0.0.1:" +
                                     juce::String (port) + "\r\n\r\n";
        socket.write (request.toRawUTF8(), (int) request.getNumBytesAsUTF8());
        juce::String answer;
        char c = 0;
        while (!answer.endsWith ("\r\n\r\n") && socket.waitUntilReady (true, 2000) == 1 &&
               socket.read (&c, 1, true) == 1)
            answer += c;
        open = answer.startsWith ("HTTP/1.1 101");
    }

    void send (const std::string& text)
    {
        // The shortest length form, as the protocol asks (up to 64 KiB here).
        std::string frame{ '\x81' };
        if (text.size() < 126)
            frame += (char) (0x80 | text.size());
        else
            frame += { (char) (0x80 | 126), (char) (text.size() >> 8), (char) (text.size() & 0xFF) };
        frame.append (4, '\0'); // a zero mask leaves the text as it is
        frame += text;
        socket.write (frame.data(), (int) frame.size());
    }

    // The next text message, or empty after a close or 5 s of silence.
    std::string receive()
    {
        std::string message;
        for (;;)
        {
            unsigned char head[2];
            if (!readAll (head, 2))
                return {};
            std::uint64_t length = head[1] & 0x7F;
            const int extra = length == 126 ? 2 : length == 127 ? 8 : 0;
            unsigned char bytes[8];
            if (extra > 0 && !readAll (bytes, extra))
                return {};
            if (extra > 0)
                length = 0;
            for (int i = 0; i < extra; ++i)
                length = (length << 8) | bytes[i];
            std::string payload (length, '\0');
            if (length > 0 && !readAll (payload.data(), (int) length))
                return {};
            if ((head[0] & 0x0F) == 8)
                return {};
            message += payload;
            if ((head[0] & 0x80) != 0)
                return message;
        }
    }

    // The next message that contains text (within a bounded number).
    std::string receiveWith (const std::string& text)
    {
        for (int i = 0; i < 400; ++i)
        {
            const auto m = receive();
            if (m.empty() || m.find (text) != std::string::npos)
                return m;
        }
        return {};
    }

    bool open = false;

private:
    juce::StreamingSocket socket;

    bool readAll (void* buffer, int count)
    {
        auto* p = static_cast<char*> (buffer);
        while (count > 0)
        {
            if (socket.waitUntilReady (true, 5000) != 1)
                return false;
            const int n = socket.read (p, count, false);
            if (n <= 0)
                return false;
            p += n;
            count -= n;
        }
        return true;
    }
};
