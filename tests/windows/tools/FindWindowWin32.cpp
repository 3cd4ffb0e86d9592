// Test helper for programs in a Wine virtual desktop, whose windows are not X
// windows, so X tools cannot see them (and FindWindow only searches the
// caller's own desktop):
//   find-window DESKTOP TITLE [close | repaint]
//     exits 0 when a shown top-level window with exactly this title exists on
//     the named desktop, 1 otherwise; "close" asks it to close, "repaint" has
//     it paint itself whole now (the framework paints changes on the display's
//     vertical blank, which Wine does not report);
//   find-window DESKTOP
//     lists every shown, titled top-level window, one a line:
//     "HANDLE X Y WIDTH HEIGHT TITLE", the client area in desktop pixels.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace
{
BOOL CALLBACK listWindow (HWND window, LPARAM)
{
    wchar_t title[512] = {};
    if (!IsWindowVisible (window) || GetWindowTextW (window, title, 512) == 0)
        return TRUE;
    RECT client{};
    POINT origin{};
    GetClientRect (window, &client);
    ClientToScreen (window, &origin);
    std::wprintf (L"%llu %ld %ld %ld %ld %ls\n", (unsigned long long) (ULONG_PTR) window, origin.x, origin.y,
                  client.right, client.bottom, title);
    return TRUE;
}
} // namespace

int wmain (int argc, wchar_t** argv)
{
    if (argc < 2 || argc > 4)
    {
        std::fputws (L"usage: find-window DESKTOP [TITLE [close | repaint]]\n", stderr);
        return 2;
    }
    const HDESK desktop = OpenDesktopW (argv[1], 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE);
    if (desktop == nullptr || !SetThreadDesktop (desktop))
    {
        std::fwprintf (stderr, L"no desktop \"%ls\"\n", argv[1]);
        return 1;
    }
    if (argc == 2)
        return EnumDesktopWindows (desktop, listWindow, 0) ? 0 : 1;

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
    if (argc == 4 && std::wcscmp (argv[3], L"repaint") == 0)
        RedrawWindow (window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return 0;
}
