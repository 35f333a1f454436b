// The list's tooltip: the picture under the pointer named in full, with its
// file's size and last-write time, since the name band shows only as much
// of a long name as fits. One tool covers the column of the row under the
// pointer; the tooltip hides by itself when the pointer leaves it.
#include "browser/browserinternal.h"

#include <commctrl.h>

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

void SetTipFor(const ImageInfoRecord* entry) {
    char path[MAX_PATH];
    WIN32_FILE_ATTRIBUTE_DATA data;
    bool found = entry->state != kFileDeleted && JoinPath(path, browseDirectory, entry->name) &&
                 GetFileAttributesExA(path, GetFileExInfoStandard, &data);
    FormatTipText(Showing.tips.text, sizeof Showing.tips.text, entry->name, found ? &data : nullptr);
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
void StartBrowseTips(HWND list) { Showing.tips.list = list; }

void ShowTipFor(const ImageInfoRecord* entry, const RECT& cell) {
    HWND tip = Tip();
    if (!tip) return;
    TipsState& tips = Showing.tips;
    if (entry == tips.entry && (!entry || EqualRect(&cell, &tips.cell))) return;
    // Another picture: its tip comes after the usual pause, as a new tool's.
    SendMessageA(tip, TTM_POP, 0, 0);
    tips.entry = entry;
    tips.cell = entry ? cell : RECT{0, 0, 0, 0};
    if (entry) SetTipFor(entry);
    TOOLINFOA tool = ToolInfo();
    SendMessageA(tip, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

void RelayToTip(const MSG& msg) {
    if (msg.message < WM_MOUSEFIRST || msg.message > WM_MOUSELAST) return;
    if (HWND tip = Tip()) SendMessageA(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}
