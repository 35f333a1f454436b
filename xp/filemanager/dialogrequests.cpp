// The panel's requests to the system's file dialog, its parent: the path
// selected, the file that Open would take for it, and the folder shown.
#include "filemanager/panel.h"

#include <commdlg.h>
#include <dlgs.h>
#include <string.h>

#include "browser/browser.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"

namespace {

// The system dialog answers into a buffer of 259 characters; a result of 0 or
// less is nothing delivered, and so is one larger than the buffer (the path
// did not fit, and what the buffer holds then is not the path).
bool AskDialog(HWND panel, UINT request, char (&text)[kDialogTextSize]) {
    text[0] = '\0';
    LRESULT length = SendMessageA(GetParent(panel), request, kDialogTextSize - 1,
                                  reinterpret_cast<LPARAM>(text));
    text[kDialogTextSize - 1] = '\0';
    return length > 0 && length <= kDialogTextSize - 1;
}

// The file type shown: the row of the system dialog's type list (cmb1),
// which holds the filter list's rows in order.
int ShownFilterRow(HWND panel) {
    HWND types = GetDlgItem(GetParent(panel), cmb1);
    return types ? static_cast<int>(SendMessageA(types, CB_GETCURSEL, 0, 0)) : -1;
}

bool NamesFile(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// A name the code page cannot spell is no selection: its spelling names
// another file, whose picture and notes would be shown.
bool GetSelectedPath(HWND panel, char (&path)[kDialogTextSize]) {
    return IsChosenNameSpelt(panel) && AskDialog(panel, CDM_GETFILEPATH, path);
}

// Open adds the file type's extension to a name given without one and
// takes that file when it is there, else the name as it stands. The
// starting name is proposed without its extension, so this is how it is
// previewed: with a file PLAN001 beside PLAN001.KVW, Open loads the
// drawing, and the preview once showed PLAN001.
bool GetSelectedFile(HWND panel, char (&path)[kDialogTextSize]) {
    if (!GetSelectedPath(panel, path)) return false;
    const char* name = FileNamePart(path);
    if (strchr(name, '.')) return true;
    const char* extension = FormatFirstExtension(ShownFilterRow(panel));
    char withExtension[kDialogTextSize];
    if (extension && FormatText(withExtension, sizeof withExtension, "%s.%s", path, extension) &&
        NamesFile(withExtension)) {
        CopyText(path, withExtension);
    }
    return true;
}

// Asked into a local buffer first, so that a request that delivers nothing
// leaves the browse directory as it was.
bool GetShownFolder(HWND panel) {
    char folder[kDialogTextSize];
    if (!AskDialog(panel, CDM_GETFOLDERPATH, folder)) return false;
    CopyText(browseDirectory, folder);
    return true;
}
