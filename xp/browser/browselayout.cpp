// The browse dialog grows with its window. Every control keeps its distance
// to the edges it belongs to (the buttons to the bottom right, the check
// boxes and the format to the bottom left, the count to the top right), the
// list takes whatever room is left, and the rows are filled again when the
// list's width holds another count of pictures. The template's size is the
// smallest, and the size last closed at is where the next showing starts.
#include "browser/browserinternal.h"

#include <algorithm>

#include "host/host.h"
#include "module/gdi.h"
#include "module/subclass.h"
#include "resources/resource.h"
#include "settings/settings.h"

namespace {

enum { kLeft = 1, kTop = 2, kRight = 4, kBottom = 8 };
struct Anchor {
    int id;
    int edges;
};
const Anchor kAnchors[] = {
    {IDC_BROWSE_DIR, kLeft | kTop | kRight},
    {IDC_BROWSE_COUNT, kRight | kTop},
    {IDC_BROWSE_FILESLABEL, kRight | kTop},
    {IDC_BROWSE_LIST, kLeft | kTop | kRight | kBottom},
    {IDC_BROWSE_SMALL, kLeft | kBottom},
    {IDC_BROWSE_DELETE, kLeft | kBottom},
    {IDC_BROWSE_ALWAYSCACHE, kLeft | kBottom},
    {IDC_BROWSE_FORMATLABEL, kLeft | kBottom},
    {IDC_BROWSE_FORMAT, kLeft | kBottom},
    {IDC_BROWSE_SELECTPATH, kRight | kBottom},
    {IDC_BROWSE_CACHEALL, kRight | kBottom},
    {IDC_BROWSE_CLOSE, kRight | kBottom},
    {IDC_BROWSE_HELP, kRight | kBottom},
    {IDC_BROWSE_FINDLABEL, kRight | kBottom},
    {IDC_BROWSE_FIND, kRight | kBottom},
    {IDC_BROWSE_NEWEST, kRight | kBottom},
    {IDC_BROWSE_FINDNOTE, kLeft | kRight | kBottom},
};
enum { kAnchorCount = sizeof kAnchors / sizeof kAnchors[0] };
static_assert(int{kAnchorCount} == int{kAnchoredControls}, "the showing keeps a place for each anchored control");

RECT ClientRectOf(HWND dialog, HWND control) {
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int AnchorIndex(int id) {
    for (int i = 0; i < kAnchorCount; ++i) {
        if (kAnchors[i].id == id) return i;
    }
    return -1;
}

// Controls that only move keep their size untouched: a combo box given its
// closed height would lose its drop-down. The count grows to its left as
// far as its text needs, and the path gives way to it.
void MoveControls(HWND dialog, int width, int height) {
    const LayoutState& layout = Showing.layout;
    int dx = width - layout.startClient.cx, dy = height - layout.startClient.cy;
    HDWP moves = BeginDeferWindowPos(kAnchorCount);
    for (int i = 0; i < kAnchorCount && moves; ++i) {
        HWND control = GetDlgItem(dialog, kAnchors[i].id);
        if (!control) continue;
        RECT rect = layout.start[i];
        int edges = kAnchors[i].edges;
        if (edges & kRight) {
            if (!(edges & kLeft)) rect.left += dx;
            rect.right += dx;
        }
        if (edges & kBottom) {
            if (!(edges & kTop)) rect.top += dy;
            rect.bottom += dy;
        }
        if (kAnchors[i].id == IDC_BROWSE_COUNT) rect.left -= layout.countGrowth;
        if (kAnchors[i].id == IDC_BROWSE_DIR) rect.right -= layout.countGrowth;
        bool stretches = (edges & (kLeft | kRight)) == (kLeft | kRight) ||
                         (edges & (kTop | kBottom)) == (kTop | kBottom) || kAnchors[i].id == IDC_BROWSE_COUNT;
        moves = DeferWindowPos(moves, control, nullptr, rect.left, rect.top, rect.right - rect.left,
                               rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE | (stretches ? 0 : SWP_NOSIZE));
    }
    if (moves) EndDeferWindowPos(moves);
}

void OnSize(HWND dialog, int width, int height) {
    MoveControls(dialog, width, height);
    if (Showing.layout.filled && ColumnsChanged()) RefreshBrowseList();
    // Rows are drawn as wide as the list; the path's ellipsis moves.
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

BrowseSizeRecord SizeNow(HWND dialog) {
    WINDOWPLACEMENT placement = {sizeof placement};
    GetWindowPlacement(dialog, &placement);
    const RECT& normal = placement.rcNormalPosition;
    BrowseSizeRecord size = {normal.right - normal.left, normal.bottom - normal.top, Showing.rowDpi,
                             Showing.layout.maximised ? 1 : 0};
    return size;
}

// Stored only when it changed: a user who never resizes never writes.
void RememberSize(HWND dialog) {
    BrowseSizeRecord now = SizeNow(dialog);
    const BrowseSizeRecord& was = Showing.layout.shownAt;
    if (now.width != was.width || now.height != was.height || now.dpi != was.dpi ||
        now.maximised != was.maximised) {
        SaveBrowseSize(now);
    }
}

LRESULT CALLBACK LayoutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    LayoutState& layout = Showing.layout;
    switch (message) {
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED) break;
            layout.maximised = wParam == SIZE_MAXIMIZED;
            OnSize(dialog, LOWORD(lParam), HIWORD(lParam));
            break;
        // The dialog manager shows a dialog "normal" when its queue first
        // runs empty, which would undo a maximising done before: it is done
        // once the dialog shows.
        case WM_SHOWWINDOW:
            if (wParam && layout.maximiseWhenShown) {
                layout.maximiseWhenShown = false;
                PostMessageA(dialog, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
            }
            break;
        case WM_GETMINMAXINFO:
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {layout.smallest.cx, layout.smallest.cy};
            return 0;
        case WM_DESTROY:
            RememberSize(dialog);
            break;
        case WM_NCDESTROY:
            RemoveSubclass(layout.dialogProc);
            break;
    }
    return CallOriginal(layout.dialogProc, dialog, message, wParam, lParam);
}

int ScreenDpi() {
    WindowDC screen(nullptr);
    int dpi = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : kDefaultDpi;
    return dpi > 0 ? dpi : kDefaultDpi;
}

// A size stored at another density is scaled to this one; none stored, or
// one smaller than the template, leaves the template's. The window is
// centred on the host once it shows, and maximised then if it was. A
// stored value that is no size leaves the template's too, and the size
// closed at replaces it even when the user did not resize.
void RestoreSize(HWND dialog) {
    BrowseSizeRecord stored;
    LayoutState& layout = Showing.layout;
    StoredBrowseSize found = LoadBrowseSize(stored);
    if (found == StoredBrowseSize::kBroken) layout.shownAt = BrowseSizeRecord{0, 0, 0, 0};
    if (found != StoredBrowseSize::kLoaded) return;
    int dpi = Showing.rowDpi;
    int width = MulDiv(stored.width, dpi, stored.dpi), height = MulDiv(stored.height, dpi, stored.dpi);
    RECT area;
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) {
        width = std::min<int>(width, area.right - area.left);
        height = std::min<int>(height, area.bottom - area.top);
    }
    width = std::max<int>(width, layout.smallest.cx);
    height = std::max<int>(height, layout.smallest.cy);
    SetWindowPos(dialog, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    layout.shownAt = SizeNow(dialog);
    layout.shownAt.maximised = stored.maximised ? 1 : 0;
    layout.maximiseWhenShown = stored.maximised != 0;
}

}  // namespace

// The showing's layout record starts empty; it is written here and read
// at every resize and when the dialog goes.
void StartBrowseLayout() {
    Showing.rowDpi = ScreenDpi();
    HWND dialog = host::GetDlgWin();
    if (!dialog) return;
    LayoutState& layout = Showing.layout;
    RECT client, window;
    GetClientRect(dialog, &client);
    GetWindowRect(dialog, &window);
    layout.startClient = {client.right, client.bottom};
    layout.smallest = {window.right - window.left, window.bottom - window.top};
    for (int i = 0; i < kAnchorCount; ++i) {
        HWND control = GetDlgItem(dialog, kAnchors[i].id);
        if (control) layout.start[i] = ClientRectOf(dialog, control);
    }
    const RECT& count = layout.start[AnchorIndex(IDC_BROWSE_COUNT)];
    layout.countWidth = count.right - count.left;
    layout.shownAt = SizeNow(dialog);
    if (!InstallSubclass(layout.dialogProc, dialog, LayoutProc)) return;
    RestoreSize(dialog);
    layout.filled = true;
}
