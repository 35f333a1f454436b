// HELP: the commands the host knows and those its modules registered, one
// line each, in the transcript and in a box closed with OK.
#include "standin/standin.h"
#include "standin/window/standin_res.h"

#include <stdio.h>

namespace {

struct HelpList {
    const HelpLine* lines;
    int count;
};

// Wide enough for the longest name, "BROWSEPART" or "HELP or ?", in dialog units.
const int kNameColumn = 64;

INT_PTR CALLBACK HelpProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const HelpList* list = reinterpret_cast<const HelpList*>(lParam);
        HWND box = GetDlgItem(dialog, IDC_HELP_LIST);
        int stop = kNameColumn;
        SendMessageA(box, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&stop));
        for (int i = 0; i < list->count; ++i) {
            char text[sizeof list->lines[i].name + sizeof list->lines[i].description + 2];
            snprintf(text, sizeof text, "%s\t%s", list->lines[i].name, list->lines[i].description);
            SendMessageA(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        }
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void ShowHelp(const HelpLine* lines, int count) {
    for (int i = 0; i < count; ++i) RecordF("help", "%s - %s", lines[i].name, lines[i].description);
    HelpList list = {lines, count};
    if (DialogBoxParamA(GetModuleHandleA(nullptr), "IDD_KV32HELP", MainWindow(), HelpProc,
                        reinterpret_cast<LPARAM>(&list)) < 0) {
        RecordError("the list of commands (IDD_KV32HELP) could not be shown (error %lu)", GetLastError());
    }
}
