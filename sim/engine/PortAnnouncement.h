#pragma once

#include <string>

namespace taviksim
{

// Lets the program's port chooser find a simulator without any setup: a
// file named after our pid in a shared folder, holding the port's path.
class PortAnnouncement
{
public:
    static constexpr const char* defaultFolder = "/tmp/tavik-sim-ports";

    explicit PortAnnouncement (std::string folder = defaultFolder);
    ~PortAnnouncement();
    PortAnnouncement (const PortAnnouncement&) = delete;
    PortAnnouncement& operator= (const PortAnnouncement&) = delete;

    bool publish (const std::string& portPath, std::string& error);
    void withdraw();
    const std::string& file() const { return announced; }

private:
    std::string folder;
    std::string announced;
};

} // namespace taviksim
