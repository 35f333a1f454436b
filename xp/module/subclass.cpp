#include "module/subclass.h"

bool InstallSubclass(Subclass& subclass, HWND window, WNDPROC procedure) {
    subclass = Subclass();
    if (!window) return false;
    SetLastError(0);
    LONG_PTR was = SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
    if (!was && GetLastError() != 0) return false;
    subclass.window = window;
    subclass.original = reinterpret_cast<WNDPROC>(was);
    return true;
}

LRESULT CallOriginal(const Subclass& subclass, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!subclass.original) return DefWindowProcA(window, message, wParam, lParam);
    return CallWindowProcA(subclass.original, window, message, wParam, lParam);
}

void RemoveSubclass(Subclass& subclass) {
    if (subclass.window && subclass.original) {
        SetWindowLongPtrA(subclass.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclass.original));
    }
}
