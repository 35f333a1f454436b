// The record of one showing of the browse dialog, and the dialog's list.
#include "browser/browserinternal.h"

#include "host/host.h"
#include "resources/resource.h"

// Reset by BrowseFiles as each showing starts; each field says who writes
// and who reads it.
BrowseShowing Showing;

HWND BrowseListWindow() {
    HWND dialog = host::GetDlgWin();
    return dialog ? GetDlgItem(dialog, IDC_BROWSE_LIST) : nullptr;
}
