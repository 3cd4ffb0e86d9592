#pragma once

// The framework unloads the window system's libraries at exit, before the
// leak checker runs, and what they hold for the life of the process would
// then look leaked. Kept loaded, it stays reachable.
void keepWindowSystemLibrariesLoaded();

// Lowers the largest file this process may write to bytes until destroyed, as
// a full disk would stop a write (the write fails; no signal ends the test).
// supported() is false where the system has no such limit.
class ScopedFileSizeLimit
{
public:
    explicit ScopedFileSizeLimit (long long bytes);
    ~ScopedFileSizeLimit();
    bool supported() const { return active; }

private:
    bool active = false;
    long long previous = 0;
};
