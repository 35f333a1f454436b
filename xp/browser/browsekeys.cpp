// The browse list from the keyboard and the wheel. The dialog and its
// message loop are the host's, so a thread message hook sees the list's keys
// and wheel turns before the dialog manager does: the arrows, Home, End and
// the page keys move a frame over the pictures, Enter and Space act on the
// framed picture as a click would, and one wheel notch scrolls one row.
#include "browser/browser.h"
#include "browser/browserinternal.h"

#include <windowsx.h>

#include <algorithm>

#include "host/host.h"
#include "module/xprecord.h"
#include "resources/resource.h"

// Written by the keys, clicks and refills below; read by the row painter.
int FramedColumn;

namespace {

// Installed around the dialog by StartBrowseKeys and StopBrowseKeys.
HHOOK g_messageHook;
// Wheel turns smaller than a notch, kept until they add up to one.
int g_wheelRest;

HWND BrowseList() {
    HWND dialog = host::GetDlgWin();
    return dialog ? GetDlgItem(dialog, IDC_BROWSE_LIST) : nullptr;
}

LRESULT SendToList(HWND list, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageA(list, message, wParam, lParam);
}

ImageInfoRecord* RowEntry(int row) {
    intptr_t data = host::GetLstDta(IDC_BROWSE_LIST, row);
    return data == -1 ? nullptr : AsImageInfo(reinterpret_cast<HostEntity*>(data));
}

// Every row is full but the last: the count is the full rows and what the
// chain holds from the last row's first entry on.
int PictureCount(HWND list) {
    int rows = static_cast<int>(SendToList(list, LB_GETCOUNT));
    if (rows <= 0) return 0;
    // Past the cache's limit the entries fill whole rows; the files without
    // an entry follow.
    if (rows > UnlistedFirstRow) return UnlistedFirstRow * ColumnsPerRow + static_cast<int>(UnlistedFiles.size());
    int inLast = 0;
    for (ImageInfoRecord* entry = RowEntry(rows - 1); entry && inLast < ColumnsPerRow;
         entry = AsImageInfo(entry->nextShown)) {
        ++inLast;
    }
    return (rows - 1) * ColumnsPerRow + inLast;
}

ImageInfoRecord* PictureEntry(int picture) {
    ImageInfoRecord* entry = RowEntry(picture / ColumnsPerRow);
    for (int i = 0; entry && i < picture % ColumnsPerRow; ++i) entry = AsImageInfo(entry->nextShown);
    return entry;
}

// Whole rows the list shows, at least one: the page of Page Up and Down.
int VisibleRows(HWND list) {
    RECT client;
    int height = static_cast<int>(SendToList(list, LB_GETITEMHEIGHT, 0));
    if (!GetClientRect(list, &client) || height <= 0) return 1;
    return std::max(1, static_cast<int>(client.bottom / height));
}

// The list box itself would only make a row partly visible, and a row is
// taller than the part of a third row that shows.
void KeepRowInView(HWND list, int row) {
    int top = static_cast<int>(SendToList(list, LB_GETTOPINDEX));
    int visible = VisibleRows(list);
    if (row < top) top = row;
    else if (row >= top + visible) top = row - visible + 1;
    else return;
    SendToList(list, LB_SETTOPINDEX, top);
}

void RedrawRow(HWND list, int row) {
    RECT item;
    if (row >= 0 && SendToList(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item)) != LB_ERR) {
        InvalidateRect(list, &item, FALSE);
    }
}

// A pick ends the dialog. The host ends its dialogs itself, and its OK
// command does that as a handler's 2 would, bound values written back.
void ActOnFramed(HWND list, int picture) {
    int row = picture / ColumnsPerRow;
    int answer = row >= UnlistedFirstRow ? ActOnUnlistedFile(UnlistedAt(row, picture % ColumnsPerRow))
                                         : ActOnBrowseEntry(PictureEntry(picture));
    if (answer == kEndDialog) {
        PostMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
}

// True when the key was the list's and is used up here. In an empty list
// every key goes on as before, so Enter still closes the dialog.
bool OnListKey(HWND list, WPARAM key) {
    switch (key) {
        case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_HOME: case VK_END:
        case VK_PRIOR: case VK_NEXT: case VK_RETURN: case VK_SPACE:
            break;
        default:
            return false;
    }
    int count = PictureCount(list);
    if (count == 0) return false;
    int picture = FramedPicture();
    if (key == VK_RETURN || key == VK_SPACE) {
        ActOnFramed(list, picture);
    } else {
        FramePicture(MoveFrame(picture, static_cast<int>(key), count, ColumnsPerRow, VisibleRows(list)));
    }
    return true;
}

// The wheel scrolls the pictures when they have the focus or the pointer is
// over them; one notch is one row, so no row passes unseen.
bool OnWheel(HWND list, const MSG& msg) {
    HWND dialog = GetParent(list);
    RECT area;
    POINT at = {GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    bool overList = GetWindowRect(list, &area) && PtInRect(&area, at) &&
                    (msg.hwnd == dialog || IsChild(dialog, msg.hwnd));
    if (msg.hwnd != list && !overList) return false;
    g_wheelRest += GET_WHEEL_DELTA_WPARAM(msg.wParam);
    int notches = g_wheelRest / WHEEL_DELTA;
    g_wheelRest -= notches * WHEEL_DELTA;
    int rows = static_cast<int>(SendToList(list, LB_GETCOUNT));
    int top = static_cast<int>(SendToList(list, LB_GETTOPINDEX)) - notches;
    if (notches && rows > 0) SendToList(list, LB_SETTOPINDEX, std::max(0, std::min(top, rows - 1)));
    return true;
}

// A click frames the picture under it (the list moves its caret row
// itself); what the click does is the click handler's.
void OnListPress(HWND list, LPARAM position) {
    int column = HitColumn(GET_X_LPARAM(position), SmallPictures != 0, ColumnsPerRow);
    if (column < 0) return;
    FramedColumn = column;
    LRESULT hit = SendToList(list, LB_ITEMFROMPOINT, 0, position);
    if (HIWORD(hit) == 0) RedrawRow(list, LOWORD(hit));
}

// True when the message is used up and must not reach the dialog.
bool OnMessage(const MSG& msg) {
    HWND list = BrowseList();
    if (!list) return false;
    switch (msg.message) {
        case WM_KEYDOWN:
            return msg.hwnd == list && OnListKey(list, msg.wParam);
        case WM_MOUSEWHEEL:
            return OnWheel(list, msg);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (msg.hwnd == list) OnListPress(list, msg.lParam);
            return false;
    }
    return false;
}

// Called as each message leaves the thread's queue, before the dialog
// manager sees it; a message used up here goes on as WM_NULL.
LRESULT CALLBACK BrowseMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE && lParam) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        if (OnMessage(*msg)) msg->message = WM_NULL;
    }
    return CallNextHookEx(g_messageHook, code, wParam, lParam);
}

}  // namespace

int MoveFrame(int picture, int key, int count, int columns, int pageRows) {
    if (count <= 0 || columns <= 0) return -1;
    int last = count - 1;
    picture = std::max(0, std::min(picture, last));
    int column = picture % columns;
    int page = std::max(1, pageRows) * columns;
    switch (key) {
        case VK_LEFT: return std::max(0, picture - 1);
        case VK_RIGHT: return std::min(last, picture + 1);
        case VK_HOME: return 0;
        case VK_END: return last;
        case VK_UP: return picture >= columns ? picture - columns : picture;
        case VK_PRIOR: return picture >= page ? picture - page : column;
        // Down from above a short last row lands on its last picture.
        case VK_DOWN: return picture / columns < last / columns ? std::min(last, picture + columns) : picture;
        case VK_NEXT: return std::min(last, picture + page <= last ? picture + page
                                                                    : last / columns * columns + column);
    }
    return picture;
}

int FramedPicture() {
    HWND list = BrowseList();
    int count = list ? PictureCount(list) : 0;
    if (count == 0) return -1;
    int row = std::max(0, static_cast<int>(SendToList(list, LB_GETCARETINDEX)));
    return std::min(count - 1, row * ColumnsPerRow + FramedColumn);
}

void FramePicture(int picture) {
    HWND list = BrowseList();
    int count = list ? PictureCount(list) : 0;
    picture = std::max(0, std::min(picture, count - 1));
    FramedColumn = picture % ColumnsPerRow;
    if (count == 0) return;
    int row = picture / ColumnsPerRow;
    int before = static_cast<int>(SendToList(list, LB_GETCARETINDEX));
    SendToList(list, LB_SETCURSEL, row);
    KeepRowInView(list, row);
    RedrawRow(list, before);
    RedrawRow(list, row);
}

// The dialog manager gives the focus to the first control that takes it
// once this callback has returned; a posted request moves it on afterwards.
int InitBrowseDialog() {
    InitBrowseList();
    FramePicture(0);
    HWND list = BrowseList();
    if (list) PostMessageA(GetParent(list), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
    return kKeepOpen;
}

void StartBrowseKeys() {
    g_wheelRest = 0;
    g_messageHook = SetWindowsHookExA(WH_GETMESSAGE, BrowseMessageHook, XpRecord.hookModule,
                                      GetCurrentThreadId());
}

void StopBrowseKeys() {
    if (g_messageHook) UnhookWindowsHookEx(g_messageHook);
    g_messageHook = nullptr;
    g_wheelRest = 0;
}
