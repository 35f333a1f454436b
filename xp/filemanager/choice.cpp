// The file the user chose in the system dialog, as the code page spells it.
// The dialog holds wide names and hands an A caller their best-fit spelling:
// "Ω.KVW" chosen arrives as "O.KVW", another file of the folder, which the
// host would load. So what the file-name field holds is spelt again without
// best fit; a choice that cannot be spelt is never used.
#include "filemanager/panel.h"

#include <commdlg.h>
#include <dlgs.h>

#include "host/host.h"
#include "module/names.h"
#include "module/state.h"
#include "module/text.h"

namespace {

// The file-name field: the combo box of the Explorer-style dialog, or the
// edit field of the older one.
HWND NameField(HWND panel) {
    HWND dialog = GetParent(panel);
    HWND field = GetDlgItem(dialog, cmb13);
    return field ? field : GetDlgItem(dialog, edt1);
}

}  // namespace

bool IsChosenNameSpelt(HWND panel) {
    HWND field = NameField(panel);
    if (!field) return true;
    wchar_t typed[kDialogTextSize];
    typed[0] = L'\0';
    GetWindowTextW(field, typed, kDialogTextSize);
    char spelt[kDialogTextSize * 2];
    return SpellInCodePage(typed, spelt, sizeof spelt);
}

// The system dialog keeps itself open when its hook answers CDN_FILEOK with
// a non-zero result.
bool RefuseUnspeltChoice(HWND panel) {
    if (IsChosenNameSpelt(panel)) return false;
    wchar_t typed[kDialogTextSize];
    typed[0] = L'\0';
    GetWindowTextW(NameField(panel), typed, kDialogTextSize);
    char shown[kDialogTextSize];
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, typed, -1, shown, sizeof shown, nullptr, nullptr) <= 0) {
        CopyText(shown, "?");
    }
    char text[kMessageSize];
    FormatText(text, sizeof text,
               "This file cannot be used:\n\n%s\n\nIts name cannot be spelt in the system's code page; "
               "the host would open another file.",
               shown);
    host::ErrorBox(text);
    // The host's box belongs to the host window, which takes the activation
    // back when the box closes; the file dialog is where the user goes on.
    SetActiveWindow(GetParent(panel));
    SetWindowLongPtrA(panel, DWLP_MSGRESULT, 1);
    return true;
}
