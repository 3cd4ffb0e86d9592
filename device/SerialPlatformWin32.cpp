#include "device/SerialPlatform.h"

#include "device/ComPortName.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <setupapi.h>

#include <algorithm>
#include <utility>

namespace
{
constexpr DWORD waitStepMs = 100;
constexpr int highestProbedPort = 255;
constexpr DWORD portNameBufferBytes = 512;

// {86E0D1E0-8089-11D0-9CE4-08003E301F73}, spelt out so that no GUID library is needed.
const GUID comPortInterfaceClass = { 0x86E0D1E0, 0x8089, 0x11D0, { 0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73 } };

class ScopedHandle
{
public:
    ScopedHandle() = default;
    explicit ScopedHandle (HANDLE h)
        : handle (h)
    {
    }
    ~ScopedHandle()
    {
        if (isValid())
            CloseHandle (handle);
    }

    ScopedHandle (ScopedHandle&& other) noexcept
        : handle (std::exchange (other.handle, nullptr))
    {
    }
    ScopedHandle& operator= (ScopedHandle&&) = delete;
    ScopedHandle (const ScopedHandle&) = delete;
    ScopedHandle& operator= (const ScopedHandle&) = delete;

    bool isValid() const { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle; }

private:
    HANDLE handle = nullptr;
};

// What reads and writes fail with once the device has gone (a USB adapter
// unplugged, its driver stopped); the port never works again.
bool isRemovedDeviceError (DWORD error)
{
    switch (error)
    {
        case ERROR_ACCESS_DENIED:
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEVICE_REMOVED:
            return true;
        default:
            return false;
    }
}

ScopedHandle createManualResetEvent()
{
    return ScopedHandle (CreateEventW (nullptr, TRUE, FALSE, nullptr));
}

class Win32Port final : public SerialPlatformPort
{
public:
    Win32Port (ScopedHandle device, ScopedHandle writeDone, ScopedHandle readDone, ScopedHandle wake)
        : writeEvent (std::move (writeDone))
        , readEvent (std::move (readDone))
        , interruptEvent (std::move (wake))
        , port (std::move (device))
    {
    }

    int write (const std::uint8_t* bytes, int count, int timeoutMs, const StopCheck& shouldStop) override
    {
        return transfer (writeEvent.get(), count, timeoutMs, shouldStop,
                         [&] (OVERLAPPED* ov) { return WriteFile (port.get(), bytes, (DWORD) count, nullptr, ov); });
    }

    int read (std::uint8_t* buffer, int count, int timeoutMs, const StopCheck& shouldStop) override
    {
        return transfer (readEvent.get(), count, timeoutMs, shouldStop,
                         [&] (OVERLAPPED* ov) { return ReadFile (port.get(), buffer, (DWORD) count, nullptr, ov); });
    }

    void discardInput() override { PurgeComm (port.get(), PURGE_RXCLEAR); }

    // Stays signalled: the port is on its way to being closed, and every later
    // transfer must fail at once as well.
    void interrupt() override { SetEvent (interruptEvent.get()); }

    void resume() override { ResetEvent (interruptEvent.get()); }

    // Windows has no question without side effects for this (ClearCommError
    // clears the port's error state): a removed device is noticed at its
    // next transfer instead.
    bool checkLine() override { return isLost(); }

private:
    // Waits in steps of at most 100 ms for the overlapped operation; on the
    // deadline, a stop request or an interrupt the operation is cancelled and
    // waited for, so that nothing writes into the caller's buffer or our
    // OVERLAPPED later.
    template <typename Start>
    int transfer (HANDLE event, int count, int timeoutMs, const StopCheck& shouldStop, Start&& start)
    {
        if (count <= 0 || isLost() || WaitForSingleObject (interruptEvent.get(), 0) == WAIT_OBJECT_0)
            return 0;

        OVERLAPPED ov{};
        ResetEvent (event);
        ov.hEvent = event;

        DWORD done = 0;
        if (start (&ov))
            return GetOverlappedResult (port.get(), &ov, &done, FALSE) ? (int) done : failed (GetLastError());
        if (const DWORD error = GetLastError(); error != ERROR_IO_PENDING)
            return failed (error);

        const ULONGLONG started = GetTickCount64();
        const ULONGLONG timeout = (ULONGLONG) std::max (0, timeoutMs);

        for (;;)
        {
            const ULONGLONG elapsed = GetTickCount64() - started;
            const DWORD step = (DWORD) std::min<ULONGLONG> (timeout - std::min (elapsed, timeout), waitStepMs);
            const HANDLE waits[] = { event, interruptEvent.get() };
            const DWORD woke = WaitForMultipleObjects (2, waits, FALSE, step);

            // Asked even without a wake-up: a concurrent transfer in the same
            // direction shares the event and may have reset it.
            if (GetOverlappedResult (port.get(), &ov, &done, FALSE))
                return (int) done;
            if (const DWORD error = GetLastError(); error != ERROR_IO_INCOMPLETE)
                return failed (error); // finished with an error; nothing is pending any more
            if (woke == WAIT_OBJECT_0)
                ResetEvent (event); // someone else's completion; ours will set it again
            if (woke == WAIT_FAILED || woke == WAIT_OBJECT_0 + 1)
                break;

            if (shouldStop())
                break;
            if (GetTickCount64() - started >= timeout)
                break;
        }

        // Waited for in steps rather than with GetOverlappedResult (TRUE): a
        // concurrent transfer sharing the event could reset it under that wait.
        CancelIoEx (port.get(), &ov);
        while (!HasOverlappedIoCompleted (&ov))
            WaitForSingleObject (event, waitStepMs);
        return 0;
    }

    int failed (DWORD error)
    {
        if (isRemovedDeviceError (error))
            markLost();
        return 0;
    }

    // Declared before the port so that the port is closed first.
    const ScopedHandle writeEvent, readEvent, interruptEvent;
    const ScopedHandle port;
};

template <typename Function>
Function lookUp (HMODULE library, const char* name)
{
    // Through the generic function type, which the compiler accepts as a cast target.
    return reinterpret_cast<Function> (reinterpret_cast<void (*)()> (GetProcAddress (library, name)));
}

// The library is loaded at run time, as the systems it is needed on may lack it.
bool listPortsWithSetupApi (juce::StringArray& names)
{
    const HMODULE library = LoadLibraryW (L"SETUPAPI.DLL");
    if (library == nullptr)
        return false;

    const auto openDevRegKey = lookUp<decltype (&SetupDiOpenDevRegKey)> (library, "SetupDiOpenDevRegKey");
    const auto getClassDevs = lookUp<decltype (&SetupDiGetClassDevsW)> (library, "SetupDiGetClassDevsW");
    const auto getRegistryProperty =
        lookUp<decltype (&SetupDiGetDeviceRegistryPropertyW)> (library, "SetupDiGetDeviceRegistryPropertyW");
    const auto destroyInfoList =
        lookUp<decltype (&SetupDiDestroyDeviceInfoList)> (library, "SetupDiDestroyDeviceInfoList");
    const auto enumDeviceInfo = lookUp<decltype (&SetupDiEnumDeviceInfo)> (library, "SetupDiEnumDeviceInfo");

    // The property reader is not used, but a library without it is not one we trust.
    if (openDevRegKey == nullptr || getClassDevs == nullptr || getRegistryProperty == nullptr ||
        destroyInfoList == nullptr || enumDeviceInfo == nullptr)
    {
        FreeLibrary (library);
        SetLastError (ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }

    const HDEVINFO devices =
        getClassDevs (&comPortInterfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (devices == INVALID_HANDLE_VALUE)
    {
        FreeLibrary (library);
        return false;
    }

    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof (device);
    for (DWORD index = 0; enumDeviceInfo (devices, index, &device); ++index)
    {
        const HKEY key = openDevRegKey (devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
        if (key == nullptr || key == reinterpret_cast<HKEY> (INVALID_HANDLE_VALUE))
            continue;

        BYTE value[portNameBufferBytes] = {};
        DWORD size = sizeof (value);
        DWORD type = 0;
        if (RegQueryValueExW (key, L"PortName", nullptr, &type, value, &size) == ERROR_SUCCESS && type == REG_SZ)
            if (const auto number = comPortNumber (value, std::min<DWORD> (size, sizeof (value))))
                names.add ("COM" + juce::String (*number));

        RegCloseKey (key);
    }

    destroyInfoList (devices);
    FreeLibrary (library);
    return true;
}

// Older systems have no device interface for COM ports: ask for each name.
void listPortsByProbing (juce::StringArray& names)
{
    for (int number = 1; number <= highestProbedPort; ++number)
    {
        const juce::String name = "COM" + juce::String (number);
        COMMCONFIG config{};
        DWORD size = sizeof (config);
        if (GetDefaultCommConfigW (name.toWideCharPointer(), &config, &size))
            names.add (name);
    }
}
} // namespace

std::unique_ptr<SerialPlatformPort> SerialPlatform::open (const juce::String& portName, juce::String& error)
{
    const juce::String path = "\\\\.\\" + portName;
    ScopedHandle port (CreateFileW (path.toWideCharPointer(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, nullptr));
    if (!port.isValid())
    {
        error = "Unable to open serial port";
        return nullptr;
    }

    DCB control{};
    control.DCBlength = sizeof (DCB);
    if (!BuildCommDCBW (L"57600,n,8,1", &control))
    {
        error = "Unable to build serial port configuration.";
        return nullptr;
    }

    // All-zero time-outs make a read wait for every byte asked for, however a
    // previous program left the driver; our own deadlines do the timing.
    COMMTIMEOUTS noDriverTimeouts{};
    if (!SetCommState (port.get(), &control) || !SetCommTimeouts (port.get(), &noDriverTimeouts))
    {
        error = "Unable to configure serial port.";
        return nullptr;
    }

    auto writeEvent = createManualResetEvent();
    auto readEvent = createManualResetEvent();
    auto interruptEvent = createManualResetEvent();
    if (!writeEvent.isValid() || !readEvent.isValid() || !interruptEvent.isValid())
    {
        error = "Unable to create serial port events";
        return nullptr;
    }

    return std::make_unique<Win32Port> (std::move (port), std::move (writeEvent), std::move (readEvent),
                                        std::move (interruptEvent));
}

bool SerialPlatform::listPorts (juce::StringArray& names)
{
    const auto os = juce::SystemStats::getOperatingSystemType();
    if ((os & juce::SystemStats::Windows) != 0 && os >= juce::SystemStats::Win2000)
        return listPortsWithSetupApi (names);

    listPortsByProbing (names);
    return true;
}
