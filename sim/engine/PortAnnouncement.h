#pragma once

#include <string>

namespace taviksim
{

// Lets the program's port chooser find a simulator without any setup: a
// file named after our pid in the user's own folder, holding the port's path.
class PortAnnouncement
{
public:
    // $XDG_RUNTIME_DIR/tavik-sim-ports, or /tmp/tavik-sim-ports-<uid> without
    // it: the user's alone, so no one else can offer the program a port of
    // theirs (the program reads the same folder: device/SerialPlatformPosix.cpp).
    static std::string defaultFolder();

    explicit PortAnnouncement (std::string folder = defaultFolder());
    ~PortAnnouncement();
    PortAnnouncement (const PortAnnouncement&) = delete;
    PortAnnouncement& operator= (const PortAnnouncement&) = delete;

    // Creates the folder (0700) if needed; refuses one that is not a real
    // folder of this user with no access for anyone else.
    bool publish (const std::string& portPath, std::string& error);
    void withdraw();
    const std::string& file() const { return announced; }

private:
    std::string folder;
    std::string announced;
};

} // namespace taviksim
