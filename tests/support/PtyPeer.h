#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The far end of a real pseudo-terminal, driven by a test byte by byte: for
// link tests that need exact control of timing (late or missing answers).
class PtyPeer
{
public:
    PtyPeer();
    ~PtyPeer();

    bool isOpen() const { return master >= 0; }
    const std::string& path() const { return slavePath; }

    // Reads up to count bytes, waiting at most timeoutMs in all.
    std::vector<std::uint8_t> read (std::size_t count, int timeoutMs);
    void write (const std::vector<std::uint8_t>& bytes);

private:
    int master = -1;
    int keepOpen = -1; // a slave descriptor, so the master never sees a hang-up
    std::string slavePath;
};
