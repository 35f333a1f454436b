// The list's tooltip: the picture under the pointer named in full, with its
// file's size and last-write time, since the name band shows only as much
// of a long name as fits. One tool covers the column of the row under the
// pointer; the tooltip hides by itself when the pointer leaves it.
#include "browser/browserinternal.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"

namespace {

enum { kTipWidth = 600, kToolId = 1 };

TOOLINFOA ToolInfo() {
    TipsState& tips = Showing.tips;
    TOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = tips.list;
    tool.uId = kToolId;
    tool.rect = tips.cell;
    tool.lpszText = tips.text;
    return tool;
}

void FormatSize(char* text, size_t size, ULONGLONG bytes) {
    if (bytes < 1024) {
        FormatText(text, size, "%u bytes", static_cast<unsigned>(bytes));
    } else if (bytes < 1024 * 1024) {
        FormatText(text, size, "%u.%u KB", static_cast<unsigned>(bytes / 1024),
                   static_cast<unsigned>(bytes % 1024 * 10 / 1024));
    } else {
        ULONGLONG tenths = bytes * 10 / (1024 * 1024);
        FormatText(text, size, "%u.%u MB", static_cast<unsigned>(tenths / 10), static_cast<unsigned>(tenths % 10));
    }
}

// The date and time as the user's locale writes them, in local time.
void FormatWhen(char* text, size_t size, const FILETIME& written) {
    FILETIME local;
    SYSTEMTIME when;
    char date[64] = "", time[64] = "";
    if (!FileTimeToLocalFileTime(&written, &local) || !FileTimeToSystemTime(&local, &when)) {
        CopyText(text, size, "unknown");
        return;
    }
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, date, sizeof date);
    GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &when, nullptr, time, sizeof time);
    FormatText(text, size, "%s %s", date, time);
}

void SetFileTip(const char* name, uint8_t state) {
    char path[MAX_PATH];
    WIN32_FILE_ATTRIBUTE_DATA data;
    bool found = state != kFileDeleted && JoinPath(path, browseDirectory, name) &&
                 GetFileAttributesExA(path, GetFileExInfoStandard, &data);
    FormatTipText(Showing.tips.text, sizeof Showing.tips.text, name, found ? &data : nullptr);
}

void SetTipFor(const ShownItem& item) {
    char* text = Showing.tips.text;
    switch (item.kind) {
        case kShownFolder:
            FormatText(text, sizeof Showing.tips.text, "%s\nFolder", Showing.subfolders[item.index].name);
            return;
        case kShownUnlisted: {
            const UnlistedFile& file = Showing.unlistedFiles[item.index];
            SetFileTip(file.name, file.state);
            return;
        }
        case kShownEntry:
            break;
    }
    const ImageInfoRecord* entry = AsImageInfo(item.entity);
    if (entry) SetFileTip(entry->name, entry->state);
    else CopyText(text, sizeof Showing.tips.text, "");
}

HWND MakeTip(HWND dialog) {
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
    // Owned by the dialog, the tooltip goes when the dialog does.
    HWND tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                               nullptr, nullptr);
    if (!tip) return nullptr;
    TOOLINFOA tool = ToolInfo();
    SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    // A width makes the tooltip break its text at the line ends.
    SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, kTipWidth);
    // In the dialog's font: with its own, at 120 DPI Wine sizes the tooltip
    // a few pixels short of the text it draws, cutting the line ends.
    SendMessageA(tip, WM_SETFONT, SendMessageA(dialog, WM_GETFONT, 0, 0), FALSE);
    return tip;
}

// Made once a showing: a tooltip the system refuses is not asked for again
// at every move of the mouse.
HWND Tip() {
    TipsState& tips = Showing.tips;
    if (!tips.tried && tips.list) {
        tips.tried = true;
        tips.tip = MakeTip(GetParent(tips.list));
    }
    return tips.tip && IsWindow(tips.tip) ? tips.tip : nullptr;
}

// Names the picture (-1: none) while the pointer stays in cell. A picture
// of another fill is another picture, whatever its number.
void ShowTipFor(int picture, const RECT& cell) {
    HWND tip = Tip();
    if (!tip) return;
    TipsState& tips = Showing.tips;
    bool same = picture == tips.picture &&
                (picture < 0 || (tips.fill == Showing.fills && EqualRect(&cell, &tips.cell)));
    if (same) return;
    // Another picture: its tip comes after the usual pause, as a new tool's.
    SendMessageA(tip, TTM_POP, 0, 0);
    const ShownItem* item = ShownAt(picture);
    tips.picture = item ? picture : -1;
    tips.fill = Showing.fills;
    tips.cell = item ? cell : RECT{0, 0, 0, 0};
    if (item) SetTipFor(*item);
    TOOLINFOA tool = ToolInfo();
    SendMessageA(tip, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace

void FormatTipText(char* text, size_t size, const char* name, const WIN32_FILE_ATTRIBUTE_DATA* data) {
    if (!data) {
        FormatText(text, size, "%s\nThe file is no longer there.", name);
        return;
    }
    char bytes[32], when[140];
    FormatSize(bytes, sizeof bytes, (static_cast<ULONGLONG>(data->nFileSizeHigh) << 32) | data->nFileSizeLow);
    FormatWhen(when, sizeof when, data->ftLastWriteTime);
    FormatText(text, size, "%s\nSize: %s\nModified: %s", name, bytes, when);
}

// The tooltip is made at the first mouse message over the list, not with
// the dialog: under Wine a tooltip window takes about 5 ms, a tenth of what
// the dialog takes to its first rows. Owned by the dialog, it goes when the
// dialog does.
void StartBrowseTips(HWND list) {
    Showing.tips.list = list;
    Showing.tips.picture = -1;
}

int PictureAt(HWND list, LPARAM position) {
    LRESULT hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, position);
    if (HIWORD(hit) != 0) return -1;
    int columns = Showing.ColumnsPerRow;
    int column = HitColumn(GET_X_LPARAM(position), SmallPictures != 0, columns);
    int picture = static_cast<int>(LOWORD(hit)) * columns + column;
    return column < 0 || picture >= PictureCount(list) ? -1 : picture;
}

// The tip stays up while the pointer is within that picture's column of the
// row.
void TipAt(HWND list, LPARAM position) {
    int picture = PictureAt(list, position);
    RECT item;
    int columns = std::max(1, Showing.ColumnsPerRow);
    LPARAM itemRect = reinterpret_cast<LPARAM>(&item);
    if (picture < 0 || SendMessageA(list, LB_GETITEMRECT, picture / columns, itemRect) == LB_ERR) {
        ShowTipFor(-1, RECT{0, 0, 0, 0});
        return;
    }
    RECT box = PictureBox(item, picture % columns, SmallPictures != 0);
    ShowTipFor(picture, RECT{box.left, item.top, box.right, item.bottom});
}

// Until the tooltip has been made (the first mouse move over the list)
// there is nothing to follow.
void TipFollowsPointer() {
    TipsState& tips = Showing.tips;
    if (!tips.list || !tips.tip) return;
    POINT at;
    RECT client;
    if (!GetCursorPos(&at) || !ScreenToClient(tips.list, &at) || !GetClientRect(tips.list, &client)) return;
    if (!PtInRect(&client, at)) {
        ShowTipFor(-1, RECT{0, 0, 0, 0});
        return;
    }
    TipAt(tips.list, MAKELPARAM(at.x, at.y));
}

void RelayToTip(const MSG& msg) {
    if (msg.message < WM_MOUSEFIRST || msg.message > WM_MOUSELAST) return;
    if (HWND tip = Tip()) SendMessageA(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}
