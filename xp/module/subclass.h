// A window procedure put in front of a window's own. comctl32's
// SetWindowSubclass looks its chain up in a window property at every
// message, and under Wine a property is a trip to the window server: a
// browse list of hundreds of rows takes several messages a row (0.2 ms a
// row, a fifth of a second for a big folder's fill). One of these keeps the
// procedure it replaced in plain memory instead.
#pragma once

#include <windows.h>

struct Subclass {
    HWND window;
    WNDPROC original;   // null while not installed
};

// Puts `procedure` in front; false (nothing changed) when the window refuses.
bool InstallSubclass(Subclass& subclass, HWND window, WNDPROC procedure);
// The replaced procedure's answer; DefWindowProc's when none is kept.
LRESULT CallOriginal(const Subclass& subclass, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Gives the window its replaced procedure back; called at WM_NCDESTROY, when
// this procedure is still the outermost (procedures installed later are
// removed before it, as their windows go the same way).
void RemoveSubclass(Subclass& subclass);
