// The file count over the list, "N", or "N of M" while searching (the
// drawings shown of the folder's), with room to its left for all its text;
// and beside the Find box, how many drawings a search may have missed for
// want of their notes.
#include "browser/browserinternal.h"

#include <algorithm>

#include "host/host.h"
#include "module/gdi.h"
#include "module/text.h"
#include "resources/resource.h"

namespace {

HWND DialogControl(int id) {
    HWND dialog = host::GetDlgWin();
    return dialog ? GetDlgItem(dialog, id) : nullptr;
}

int TextWidth(HWND control, const char* text) {
    WindowDC dc(control);
    if (!dc) return 0;
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0));
    HGDIOBJ kept = font ? SelectObject(dc.Get(), font) : nullptr;
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc.Get(), text, lstrlenA(text), &size);
    if (kept) SelectObject(dc.Get(), kept);
    return size.cx;
}

// Moves one edge of a control by dx pixels.
void MoveEdge(HWND control, bool left, int dx) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    (left ? rect.left : rect.right) += dx;
    SetWindowPos(control, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(control, nullptr, TRUE);
}

// "12 of 30000" is wider than the count's place, made for a number alone:
// the count reaches further left and the path gives way, here and at every
// resize (the layout keeps the growth).
void FitCountToText(HWND count) {
    LayoutState& layout = Showing.layout;
    HWND dir = DialogControl(IDC_BROWSE_DIR);
    if (!dir || layout.countWidth <= 0) return;
    char text[kCountSize] = "";
    GetWindowTextA(count, text, sizeof text);
    int growth = std::max(0, TextWidth(count, text) - layout.countWidth);
    int change = growth - layout.countGrowth;
    if (change == 0) return;
    layout.countGrowth = growth;
    MoveEdge(count, true, -change);
    MoveEdge(dir, false, -change);
}

}  // namespace

void FormatFileCount(char (&text)[kCountSize]) {
    if (Searching()) {
        FormatText(text, sizeof text, "%d of %d", Showing.shownDrawings, Showing.FoundCount);
    } else {
        FormatText(text, sizeof text, "%d", Showing.FoundCount);
    }
}

void ShowFileCount() {
    HWND count = DialogControl(IDC_BROWSE_COUNT);
    if (count) {
        char text[kCountSize];
        FormatFileCount(text);
        SetWindowTextA(count, text);
        FitCountToText(count);
    }
    ShowFindNote();
}

void FormatUnreadNote(char* text, size_t size, int unread) {
    FormatText(text, size, unread == 1 ? "%d drawing's notes unread: Cache all reads them"
                                       : "%d drawings' notes unread: Cache all reads them",
               unread);
}

// Shown only while a search may have missed drawings.
void ShowFindNote() {
    HWND note = DialogControl(IDC_BROWSE_FINDNOTE);
    if (!note) return;
    int unread = Searching() ? Showing.find.unread : 0;
    char text[128] = "";
    if (unread > 0) FormatUnreadNote(text, sizeof text, unread);
    SetWindowTextA(note, text);
    ShowWindow(note, unread > 0 ? SW_SHOWNA : SW_HIDE);
}
