// An empty browse list says why it is empty, in a line across its top, so a
// user who picked the wrong format or a folder that is gone is not left
// looking at white space.
#include "browser/browser.h"
#include "browser/browserinternal.h"

#include "module/gdi.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/subclass.h"
#include "module/text.h"

namespace {

enum { kTextSize = 200, kMargin = 8 };

void DrawEmptyListText(HWND list) {
    char text[kTextSize];
    FormatEmptyListText(text, sizeof text, IsFolder(browseDirectory), FormatIndex, commandMode == ModeTemplate);
    WindowDC listDC(list);
    HDC dc = listDC.Get();
    if (!dc) return;
    RECT client;
    GetClientRect(list, &client);
    InflateRect(&client, -ScaleToDpi(kMargin), -ScaleToDpi(kMargin));
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(GetParent(list), WM_GETFONT, 0, 0));
    HGDIOBJ kept = font ? SelectObject(dc, font) : nullptr;
    int mode = SetBkMode(dc, TRANSPARENT);
    COLORREF colour = SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    // In the middle, clear of the focus rectangle the list draws at its top.
    const UINT format = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
    RECT area = client;
    DrawTextA(dc, text, -1, &area, format | DT_CALCRECT);
    OffsetRect(&area, 0, (client.bottom - client.top - (area.bottom - area.top)) / 2);
    area.left = client.left;
    area.right = client.right;
    DrawTextA(dc, text, -1, &area, format);
    SetTextColor(dc, colour);
    SetBkMode(dc, mode);
    if (kept) SelectObject(dc, kept);
}

LRESULT CALLBACK EmptyListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) RemoveSubclass(Showing.emptyListProc);
    LRESULT result = CallOriginal(Showing.emptyListProc, list, message, wParam, lParam);
    if (message == WM_PAINT && SendMessageA(list, LB_GETCOUNT, 0, 0) == 0) DrawEmptyListText(list);
    // The text is centred: a new width moves it.
    if (message == WM_SIZE) InvalidateRect(list, nullptr, TRUE);
    return result;
}

}  // namespace

void FormatEmptyListText(char* text, size_t size, bool folderExists, int formatIndex, bool templates) {
    if (!folderExists) {
        CopyText(text, size, "This folder does not exist.");
    } else if (templates) {
        CopyText(text, size, "No templates (KVT) in this folder.");
    } else {
        FormatText(text, size, "No files of the format \"%s\" in this folder.", FormatLabel(formatIndex));
    }
}

void StartEmptyListText(HWND list) {
    InstallSubclass(Showing.emptyListProc, list, EmptyListProc);
}
