// The Find box: the list shows only the folders and drawings whose name, or
// a drawing's cached notes, hold every word typed (browsematch.cpp says
// how). The box's own keys, and Ctrl+F and F3 from anywhere in the dialog.
#include "browser/browserinternal.h"

#include <string.h>

#include "host/host.h"
#include "module/text.h"
#include "resources/resource.h"

namespace {

HWND FindBox() {
    HWND dialog = host::GetDlgWin();
    return dialog ? GetDlgItem(dialog, IDC_BROWSE_FIND) : nullptr;
}

// A new search shows its first picture framed, at the top.
void OnFindChanged(HWND box) {
    FindState& find = Showing.find;
    char typed[kFindSize] = "";
    GetWindowTextA(box, typed, sizeof typed);
    FindWords words;
    SplitFindWords(typed, &words);
    CopyText(find.typed, typed);
    if (words.count == find.words.count && memcmp(words.text, find.words.text, sizeof words.text) == 0) return;
    find.words = words;
    RefillFromTop();
}

LRESULT CALLBACK FindDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    FindState& find = Showing.find;
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_BROWSE_FIND && HIWORD(wParam) == EN_CHANGE) {
        OnFindChanged(reinterpret_cast<HWND>(lParam));
    }
    if (message == WM_NCDESTROY) RemoveSubclass(find.dialogProc);
    return CallOriginal(find.dialogProc, dialog, message, wParam, lParam);
}

void PutCaretInBox(HWND dialog, HWND box) {
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(box), TRUE);
    SendMessageA(box, EM_SETSEL, 0, -1);
}

// The keys of the box itself: Enter picks the framed picture as a click
// would (the dialog's default button would close it), Down goes to the
// pictures, and Escape empties the box before it closes the dialog.
bool OnBoxKey(HWND dialog, HWND box, WPARAM key) {
    HWND list = BrowseListWindow();
    switch (key) {
        case VK_RETURN:
            if (list && PictureCount(list) > 0) ActOnFramedPicture();
            else MessageBeep(MB_OK);
            return true;
        case VK_DOWN:
            if (list) SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
            return true;
        case VK_ESCAPE:
            if (GetWindowTextLengthA(box) == 0) return false;
            SetWindowTextA(box, "");
            return true;
    }
    return false;
}

}  // namespace

// The box holds at most a search's worth of text.
void StartFindBox() {
    HWND box = FindBox();
    if (!box) return;
    SendMessageA(box, EM_LIMITTEXT, kFindSize - 1, 0);
    InstallSubclass(Showing.find.dialogProc, GetParent(box), FindDialogProc);
}

// Ctrl+F and F3 reach the box from any control of the dialog, not from a
// box shown over it.
bool OnFindMessage(const MSG& msg) {
    if (msg.message != WM_KEYDOWN) return false;
    HWND box = FindBox();
    HWND dialog = box ? GetParent(box) : nullptr;
    if (!dialog || (msg.hwnd != dialog && !IsChild(dialog, msg.hwnd))) return false;
    bool controlOnly = GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0;
    if (msg.wParam == VK_F3 || (msg.wParam == 'F' && controlOnly)) {
        PutCaretInBox(dialog, box);
        return true;
    }
    return msg.hwnd == box && OnBoxKey(dialog, box, msg.wParam);
}
