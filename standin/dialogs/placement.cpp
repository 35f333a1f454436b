// Where the host's windows open: every window that comes up over the host
// window (a module's dialog, a message box, a file dialog) is centred on it
// the first time it is activated, as a user expects of a host program,
// instead of appearing at the screen's corner.
#include "standin/standin.h"

#include <algorithm>

namespace {

HHOOK g_placementHook;                       // on the user-interface thread
const char kPlacedProp[] = "KV32.Placed";    // set once a window has been placed
// The window last placed and its size then: the system's file dialog sizes
// itself to its contents only after its first activation, so it is placed
// again once its own start-up is over (a timer comes only when nothing else
// waits).
HWND g_lastPlaced;
SIZE g_placedSize;

// A maximised window is where the system put it, its frame just off the
// screen's edges: placed again once its size had changed (a dialog that
// maximises itself as it shows), it sat 4 pixels right and down, half its
// close box off the screen.
void CentreOnHost(HWND window) {
    if (IsZoomed(window) || IsIconic(window)) return;
    RECT host, own, area;
    if (!GetWindowRect(MainWindow(), &host) || !GetWindowRect(window, &own)) return;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) GetWindowRect(GetDesktopWindow(), &area);
    int width = own.right - own.left, height = own.bottom - own.top;
    int x = host.left + (host.right - host.left - width) / 2;
    int y = host.top + (host.bottom - host.top - height) / 2;
    // Kept on the screen, its title bar above all.
    x = std::max<int>(area.left, std::min<int>(x, area.right - width));
    y = std::max<int>(area.top, std::min<int>(y, area.bottom - height));
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE SizeOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

void CALLBACK PlaceAgainIfResized(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (!g_lastPlaced || !IsWindow(g_lastPlaced)) return;
    SIZE now = SizeOf(g_lastPlaced);
    if (now.cx != g_placedSize.cx || now.cy != g_placedSize.cy) CentreOnHost(g_lastPlaced);
    g_lastPlaced = nullptr;
}

LRESULT CALLBACK PlaceOnFirstActivation(int code, WPARAM wParam, LPARAM lParam) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && MainWindow() && window != MainWindow() &&
        !(GetWindowLongA(window, GWL_STYLE) & WS_CHILD) && !GetPropA(window, kPlacedProp)) {
        SetPropA(window, kPlacedProp, reinterpret_cast<HANDLE>(1));
        CentreOnHost(window);
        g_lastPlaced = window;
        g_placedSize = SizeOf(window);
        SetTimer(nullptr, 0, 0, PlaceAgainIfResized);
    } else if (code == HCBT_DESTROYWND) {
        RemovePropA(window, kPlacedProp);
        if (window == g_lastPlaced) g_lastPlaced = nullptr;
    }
    return CallNextHookEx(g_placementHook, code, wParam, lParam);
}

}  // namespace

void CentreWindowsOnHost(DWORD uiThreadId) {
    g_placementHook = SetWindowsHookExA(WH_CBT, PlaceOnFirstActivation, nullptr, uiThreadId);
}
