// Smoke-test helper: find-window DESKTOP TITLE [close]
// Exits 0 when a top-level window with exactly this title exists on the named
// Wine desktop (and, with "close", asks it to close), 1 otherwise. Inside
// Wine's virtual desktop a program's windows are not X windows, so X tools
// cannot see them; and FindWindow only searches the caller's own desktop.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain (int argc, wchar_t** argv)
{
    if (argc < 3 || argc > 4)
    {
        std::fputws (L"usage: find-window DESKTOP TITLE [close]\n", stderr);
        return 2;
    }
    const HDESK desktop = OpenDesktopW (argv[1], 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE);
    if (desktop == nullptr || !SetThreadDesktop (desktop))
    {
        std::fwprintf (stderr, L"no desktop \"%ls\"\n", argv[1]);
        return 1;
    }
    // The program may own hidden windows of the same title: take a shown one.
    HWND window = nullptr;
    while ((window = FindWindowExW (nullptr, window, nullptr, argv[2])) != nullptr)
        if (IsWindowVisible (window))
            break;
    if (window == nullptr)
        return 1;
    RECT bounds{};
    GetWindowRect (window, &bounds);
    std::wprintf (L"found \"%ls\" at %ld,%ld size %ldx%ld\n", argv[2], bounds.left, bounds.top,
                  bounds.right - bounds.left, bounds.bottom - bounds.top);
    if (argc == 4 && std::wcscmp (argv[3], L"close") == 0)
        PostMessageW (window, WM_CLOSE, 0, 0);
    return 0;
}
