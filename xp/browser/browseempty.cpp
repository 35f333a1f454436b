// An empty browse list says why it is empty, in a line across its top, so a
// user who picked the wrong format or a folder that is gone is not left
// looking at white space.
#include "browser/browser.h"
#include "browser/browserinternal.h"

#include <string.h>

#include "module/gdi.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/subclass.h"
#include "module/text.h"

namespace {

// A search's line repeats what was typed (up to 255 characters).
enum { kTextSize = 640, kMargin = 8 };

// What the empty list says is also its window text, which tools that read
// the screen to a user take for what it holds (as the tests do); a list
// with rows has none.
void NameList(HWND list, const char* text) {
    char now[kTextSize] = "";
    GetWindowTextA(list, now, sizeof now);
    if (lstrcmpA(now, text) != 0) SetWindowTextA(list, text);
}

void DrawEmptyListText(HWND list, HDC dc) {
    char text[kTextSize];
    bool folderExists = IsFolder(browseDirectory);
    if (folderExists && Searching()) {
        FormatEmptySearchText(text, sizeof text, Showing.find.typed, Showing.find.unread);
    } else {
        FormatEmptyListText(text, sizeof text, folderExists, FormatIndex, commandMode == ModeTemplate);
    }
    NameList(list, text);
    RECT client;
    GetClientRect(list, &client);
    InflateRect(&client, -ScaleToDpi(kMargin), -ScaleToDpi(kMargin));
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(GetParent(list), WM_GETFONT, 0, 0));
    HGDIOBJ kept = font ? SelectObject(dc, font) : nullptr;
    int mode = SetBkMode(dc, TRANSPARENT);
    COLORREF colour = SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
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

// The empty list is painted here, not by the list: an owner-drawn list
// without items draws a dotted focus rectangle of its own at its top
// (Wine's list box does, on its paint and whenever the focus comes or
// goes), which no row of pictures ever shows.
void PaintEmptyList(HWND list) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(list, &paint);
    if (!dc) return;
    RECT client;
    GetClientRect(list, &client);
    HBRUSH background = reinterpret_cast<HBRUSH>(SendMessageA(
        GetParent(list), WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(list)));
    FillRect(dc, &client, background ? background : GetSysColorBrush(COLOR_WINDOW));
    DrawEmptyListText(list, dc);
    EndPaint(list, &paint);
}

bool IsEmpty(HWND list) { return SendMessageA(list, LB_GETCOUNT, 0, 0) == 0; }

LRESULT CALLBACK EmptyListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) RemoveSubclass(Showing.emptyListProc);
    if (message == WM_PAINT && IsEmpty(list)) {
        PaintEmptyList(list);
        return 0;
    }
    LRESULT result = CallOriginal(Showing.emptyListProc, list, message, wParam, lParam);
    if (message == WM_PAINT && GetWindowTextLengthA(list) > 0) NameList(list, "");
    // The text is centred: a new width moves it. The focus rectangle that
    // the list drew as the focus came or went is painted over.
    bool focusMoved = (message == WM_SETFOCUS || message == WM_KILLFOCUS) && IsEmpty(list);
    if (message == WM_SIZE || focusMoved) InvalidateRect(list, nullptr, TRUE);
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

void FormatEmptySearchText(char* text, size_t size, const char* typed, int unread) {
    FormatText(text, size, "No drawing's name or notes hold \"%s\".", typed);
    if (unread <= 0) return;
    size_t used = strlen(text);
    FormatText(text + used, size - used,
               unread == 1 ? "\n\n%d drawing has no picture yet, so only its name was searched: \"Cache all\" "
                             "reads its notes."
                           : "\n\n%d drawings have no picture yet, so only their names were searched: \"Cache "
                             "all\" reads their notes.",
               unread);
}

void StartEmptyListText(HWND list) {
    InstallSubclass(Showing.emptyListProc, list, EmptyListProc);
}
