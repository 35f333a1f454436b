// The record of one showing of the browse dialog, and the dialog's list.
#include "browser/browserinternal.h"

#include "host/host.h"
#include "module/text.h"
#include "resources/resource.h"

// Reset by BrowseFiles as each showing starts; each field says who writes
// and who reads it.
BrowseShowing Showing;

// Written by the "&Small pictures" check box; read by the fill, the painter,
// the clicks, the keys and the tooltip.
int SmallPictures;

HWND BrowseListWindow() {
    HWND dialog = host::GetDlgWin();
    return dialog ? GetDlgItem(dialog, IDC_BROWSE_LIST) : nullptr;
}

bool Searching() { return Showing.find.words.count > 0; }

// The folder goes to "Select &Path" through its button's click, which ends
// the dialog as a folder chosen there does: this folder's cache is saved
// before the next one is shown.
bool ShowFolderNext(const char* folder) {
    HWND dialog = host::GetDlgWin();
    HWND button = dialog ? GetDlgItem(dialog, IDC_BROWSE_SELECTPATH) : nullptr;
    if (!button || !CopyText(Showing.nextFolder, folder)) return false;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_BROWSE_SELECTPATH, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return true;
}
