// The file the user chose in the system dialog, as the code page spells it.
// The dialog holds wide names and hands an A caller their best-fit spelling:
// "Ω.KVW" chosen arrives as "O.KVW", another file of the folder, which the
// host would load. So what the file-name field holds, and the folder shown,
// are spelt again without best fit; a choice that cannot be spelt is never
// used, nor one whose path would end a macro line.
#include "filemanager/panel.h"

#include <commdlg.h>
#include <dlgs.h>

#include "host/host.h"
#include "module/names.h"
#include "module/paths.h"
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

namespace {

// The field's text with '?' for what the code page lacks: for showing only.
void TypedNameShown(HWND panel, char (&shown)[kDialogTextSize]) {
    wchar_t typed[kDialogTextSize];
    typed[0] = L'\0';
    GetWindowTextW(NameField(panel), typed, kDialogTextSize);
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, typed, -1, shown, sizeof shown, nullptr, nullptr) <= 0) {
        CopyText(shown, "?");
    }
}

// The folder shown, as the system dialog keeps it: Wine and Windows make it
// the current directory while the dialog browses. A name typed with a
// folder of its own ("C:\\plans\\A.KVW") was spelt with the field's text.
// False with the folder and name as they can be shown, '?' for what the
// code page lacks (the dialog's own spelling names the other folder).
bool IsShownFolderSpelt(HWND panel, char (&shown)[kDialogTextSize]) {
    wchar_t typed[kDialogTextSize];
    typed[0] = L'\0';
    GetWindowTextW(NameField(panel), typed, kDialogTextSize);
    if (typed[0] == L'\\' || (typed[0] && typed[1] == L':')) return true;
    wchar_t folder[MAX_PATH];
    DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
    char spelt[MAX_PATH * 2];
    if (length == 0 || length >= MAX_PATH || SpellInCodePage(folder, spelt, sizeof spelt)) return true;
    char name[kDialogTextSize];
    TypedNameShown(panel, name);
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, folder, -1, spelt, sizeof spelt, nullptr, nullptr) <= 0 ||
        !JoinPath(shown, spelt, name)) {
        CopyText(shown, name);
    }
    return false;
}

void TellUnusable(const char* shown, const char* why) {
    char text[kMessageSize];
    FormatText(text, sizeof text, "This file cannot be used:\n\n%s\n\n%s", shown, why);
    host::ErrorBox(text);
}

// True when the choice may go on to the caller, the path the dialog hands
// it (record->lpstrFile) included; otherwise the user has been told why not.
bool AcceptChoice(HWND panel, const OPENFILENAMEA* record) {
    char shown[kDialogTextSize];
    if (!IsChosenNameSpelt(panel)) {
        TypedNameShown(panel, shown);
        TellUnusable(shown, "Its name cannot be spelt in the system's code page; the host would open another file.");
        return false;
    }
    if (!IsShownFolderSpelt(panel, shown)) {
        TellUnusable(shown, "The name of its folder cannot be spelt in the system's code page; the host would "
                            "open a file in another folder.");
        return false;
    }
    if (!record || !record->lpstrFile || !CopyText(shown, record->lpstrFile)) TypedNameShown(panel, shown);
    return AcceptPickedPath(shown);
}

}  // namespace

// The system dialog keeps itself open when its hook answers CDN_FILEOK with
// a non-zero result. Told after the dialog had closed, a refused choice
// left the user at the bare host window with the command ended.
bool RefuseUnusableChoice(HWND panel, const OFNOTIFYA* notify) {
    if (AcceptChoice(panel, notify ? notify->lpOFN : nullptr)) return false;
    // The host's box belongs to the host window, which takes the activation
    // back when the box closes; the file dialog is where the user goes on.
    SetActiveWindow(GetParent(panel));
    SetWindowLongPtrA(panel, DWLP_MSGRESULT, 1);
    return true;
}
