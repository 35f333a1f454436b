// The browse list from the keyboard and the wheel. The dialog and its
// message loop are the host's, so a thread message hook sees the list's keys
// and wheel turns before the dialog manager does: the arrows, Home, End and
// the page keys move a frame over the pictures, Enter and Space act on the
// framed picture as a click would, and one wheel notch scrolls one row.
// As in the system's icon views, letters typed within a second of each other
// frame the next name they begin, Delete deletes the framed file, F5 reads
// the folder again, and Backspace or Alt+Up go to the parent folder.
#include "browser/browser.h"
#include "browser/browserinternal.h"

#include <windowsx.h>

#include <string.h>

#include <algorithm>

#include "host/host.h"
#include "module/browsedir.h"
#include "module/state.h"
#include "module/text.h"
#include "module/xprecord.h"
#include "resources/resource.h"

namespace {

// Letters typed within this time of each other make one prefix.
enum { kTypeAheadMs = 1000 };

LRESULT SendToList(HWND list, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageA(list, message, wParam, lParam);
}

// F5: the folder is read again, whatever a change notification told, and
// the frame stays on its file while that is still there, else on its place.
void ScanFolderAgain() {
    int picture = FramedPicture();
    const char* framed = PictureName(picture);
    char name[kEntryNameSize] = "";
    if (framed) CopyText(name, framed);
    ScanAndFillAgain();
    int found = name[0] ? FindPictureNamed(name) : -1;
    FramePicture(found >= 0 ? found : std::max(0, picture));
}

bool StartsWith(const char* name, const char* prefix) {
    int length = lstrlenA(prefix);
    return lstrlenA(name) >= length &&
           CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, name, length, prefix, length) == CSTR_EQUAL;
}

// True while a prefix is being typed: its last letter came within the
// type-ahead's time.
bool TypingPrefix(DWORD time) {
    const KeysState& keys = Showing.keys;
    return keys.typed[0] && time - keys.lastTyped <= kTypeAheadMs;
}

// A letter typed again and again steps through the names it begins, as in
// list views; other prefixes may still name the framed picture.
void TypeAhead(HWND list, char letter, DWORD time) {
    KeysState& keys = Showing.keys;
    size_t length = strlen(keys.typed);
    if (!TypingPrefix(time) || length + 1 >= sizeof keys.typed) length = 0;
    keys.lastTyped = time;
    keys.typed[length] = letter;
    keys.typed[length + 1] = '\0';
    bool repeated = true;
    for (size_t i = 1; i <= length; ++i) repeated = repeated && keys.typed[i] == keys.typed[0];
    char single[2] = {keys.typed[0], '\0'};
    const char* prefix = repeated ? single : keys.typed;
    int count = PictureCount(list);
    int start = std::max(0, FramedPicture()) + (repeated ? 1 : 0);
    for (int i = 0; i < count; ++i) {
        int picture = (start + i) % count;
        const char* name = PictureName(picture);
        if (name && StartsWith(name, prefix)) {
            FramePicture(picture);
            return;
        }
    }
    MessageBeep(MB_OK);
}

// True when the key was the list's and is used up here. In an empty list
// every key goes on as before, so Enter still closes the dialog; a folder
// can be read again or left from an empty list too.
bool OnListKey(HWND list, WPARAM key) {
    if (key == VK_F5) {
        ScanFolderAgain();
        return true;
    }
    if (key == VK_BACK) {
        OpenParentFolder();
        return true;
    }
    switch (key) {
        case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_HOME: case VK_END:
        case VK_PRIOR: case VK_NEXT: case VK_RETURN: case VK_SPACE: case VK_DELETE:
            break;
        default:
            return false;
    }
    int count = PictureCount(list);
    if (count == 0) return false;
    int picture = FramedPicture();
    if (key == VK_RETURN || key == VK_SPACE) {
        ActOnFramedPicture();
    } else if (key == VK_DELETE) {
        if (ImageInfoRecord* entry = PictureEntry(picture)) DeleteEntryFile(entry);
    } else {
        FramePicture(MoveFrame(picture, static_cast<int>(key), count, Showing.ColumnsPerRow, VisibleRows(list)));
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
    int& rest = Showing.keys.wheelRest;
    rest += GET_WHEEL_DELTA_WPARAM(msg.wParam);
    int notches = rest / WHEEL_DELTA;
    rest -= notches * WHEEL_DELTA;
    int rows = static_cast<int>(SendToList(list, LB_GETCOUNT));
    int top = static_cast<int>(SendToList(list, LB_GETTOPINDEX)) - notches;
    if (notches && rows > 0) SendToList(list, LB_SETTOPINDEX, std::max(0, std::min(top, rows - 1)));
    TipFollowsPointer();
    return true;
}

// A click frames the picture under it (the list moves its caret row
// itself); what the click does is the click handler's. A click on no
// picture (below the last row, right of a row's last picture) would have
// the list move its caret to some row: it only takes the focus, and the
// frame stays. True when the press is used up.
bool OnListPress(HWND list, LPARAM position) {
    int picture = PictureAt(list, position);
    if (picture < 0) {
        SetFocus(list);
        return true;
    }
    Showing.framedColumn = picture % Showing.ColumnsPerRow;
    RedrawRow(list, picture / Showing.ColumnsPerRow);
    return false;
}

// True when the message is used up and must not reach the dialog.
bool OnMessage(const MSG& msg) {
    HWND list = BrowseListWindow();
    if (!list) return false;
    if (OnFindMessage(msg)) return true;
    if (msg.hwnd == list && msg.message == WM_MOUSEMOVE) TipAt(list, msg.lParam);
    if (msg.hwnd == list) RelayToTip(msg);
    switch (msg.message) {
        // A space typed within a prefix ("my pl") belongs to the name, as
        // in list views; only on its own does Space act on the frame.
        case WM_KEYDOWN:
            if (msg.hwnd == list && msg.wParam == VK_SPACE && TypingPrefix(msg.time)) {
                TypeAhead(list, ' ', msg.time);
                return true;
            }
            return msg.hwnd == list && OnListKey(list, msg.wParam);
        // Alt+Up goes on to the list: the system must see that Alt was not
        // pressed alone, or its release would open the window menu.
        case WM_SYSKEYDOWN:
            if (msg.hwnd == list && msg.wParam == VK_UP) OpenParentFolder();
            return false;
        case WM_CHAR:
            if (msg.hwnd != list || msg.wParam < ' ' || msg.wParam == 0x7F) return false;
            TypeAhead(list, static_cast<char>(msg.wParam), msg.time);
            return true;
        case WM_MOUSEWHEEL:
            return OnWheel(list, msg);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return msg.hwnd == list && (IsOpeningClicksEcho(msg.time) || OnListPress(list, msg.lParam));
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
    return CallNextHookEx(Showing.keys.messageHook, code, wParam, lParam);
}

}  // namespace

// The showing's keys start with nothing typed and no wheel turned.
void StartBrowseKeys() {
    Showing.keys.messageHook =
        SetWindowsHookExA(WH_GETMESSAGE, BrowseMessageHook, XpRecord.hookModule, GetCurrentThreadId());
}

void StopBrowseKeys() {
    if (Showing.keys.messageHook) UnhookWindowsHookEx(Showing.keys.messageHook);
    Showing.keys.messageHook = nullptr;
}

// A root has no parent, and a server's name alone ("\\server") is no
// folder to browse.
bool OpenParentFolder() {
    char parent[kDirSize];
    CopyText(parent, browseDirectory);
    CutAtLastBackslash(parent);
    bool serverOnly = parent[0] == '\\' && parent[1] == '\\' && !strchr(parent + 2, '\\');
    if (!parent[0] || serverOnly || lstrcmpiA(parent, browseDirectory) == 0 || !ShowFolderNext(parent)) {
        MessageBeep(MB_OK);
        return false;
    }
    return true;
}
