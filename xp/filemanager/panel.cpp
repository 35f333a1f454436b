// FileManagerHook: the preview panel's messages inside the system's open
// dialog, and the panel's requests to that dialog.
#include "filemanager/panel.h"

#include <commctrl.h>
#include <commdlg.h>

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/state.h"
#include "module/text.h"
#include "preview/preview.h"
#include "resources/resource.h"
#include "settings/settings.h"

// Written by the panel's check boxes; read by the panel and RunFileManager.
int autoPreview = 1;
int autoZoomAll;
int useBrowseFile;

namespace {

enum { kItemHeight = 188, kHelpTopic = 13000 };

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

void SetCheck(HWND panel, int id, int checked) {
    SendDlgItemMessageA(panel, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void OpenShownFolderCache(HWND panel) {
    if (GetShownFolder(panel)) OpenCache(browseDirectory);
}

void OnInitDialog(HWND panel) {
    SendDlgItemMessageA(panel, IDC_FILE_PREVIEW, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Dummy"));
    if (autoPreview == 1) SetCheck(panel, IDC_FILE_AUTOPREVIEW, 1);
    if (autoZoomAll == 1) SetCheck(panel, IDC_FILE_AUTOZOOM, 1);
    if (useBrowseFile == 1) {
        SetCheck(panel, IDC_FILE_USECACHE, 1);
        OpenShownFolderCache(panel);
        currentEntry = nullptr;
    }
}

// A window's rectangle in the panel's client coordinates.
RECT RectInPanel(HWND panel, HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The panel's right-hand column ("Preview:", the preview box and the
// buttons under it) is kept clear of the system dialog's own controls.
// Wine widens the place of those controls (stc32) beyond the template but
// moves the controls to its right by less, and its toolbar then covered the
// "Preview:" label and the box's top-left corner. Once the dialog has placed
// everything, the column moves right past whatever system control reaches
// into it; where nothing does (as on Windows), nothing moves.
void KeepColumnClear(HWND panel) {
    HWND box = GetDlgItem(panel, IDC_FILE_PREVIEW);
    if (!box) return;
    RECT boxRect = RectInPanel(panel, box);
    RECT units = {0, 0, 4, 0};  // the column starts a unit or so left of the box
    MapDialogRect(panel, &units);
    RECT column = boxRect;
    for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect = RectInPanel(panel, child);
        if (rect.left < boxRect.left - units.right) continue;
        if (rect.left < column.left) column.left = rect.left;
        if (rect.top < column.top) column.top = rect.top;
    }
    enum { kGap = 2 };
    int shift = 0;
    HWND first = GetWindow(GetParent(panel), GW_CHILD);
    for (HWND other = first; other; other = GetWindow(other, GW_HWNDNEXT)) {
        // The dialog is not shown yet: what will show carries WS_VISIBLE.
        if (other == panel || !(GetWindowLongA(other, GWL_STYLE) & WS_VISIBLE)) continue;
        RECT rect = RectInPanel(panel, other);
        bool reaches = rect.top < boxRect.bottom && rect.bottom > column.top && rect.left < boxRect.right &&
                       rect.right + kGap > column.left;
        if (reaches && rect.right + kGap - column.left > shift) shift = rect.right + kGap - column.left;
    }
    if (shift == 0) return;
    for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect = RectInPanel(panel, child);
        if (rect.left < column.left) continue;
        SetWindowPos(child, nullptr, rect.left + shift, rect.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void PreviewAndZoom(HWND panel) {
    PreviewSelectedFile(panel);
    if (autoZoomAll == 1) ZoomAllPreview(panel);
}

void OnSelectionChange(HWND panel) {
    currentEntry = nullptr;
    ClearPreview(panel);
    SendDlgItemMessageA(panel, IDC_FILE_NOTES, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    bool folderShown = false;
    if (useBrowseFile == 1) {
        folderShown = GetShownFolder(panel);
        if (folderShown) OpenCache(browseDirectory);
    }
    if (autoPreview != 1) return;
    if (useBrowseFile == 1 && folderShown && CacheList) LookUpSelectedFile(panel);
    if (colourTableReady == 0) LoadColorMap();
    const ImageInfoRecord* entry = AsImageInfo(currentEntry);
    if (!entry || entry->state == kNoPicture || colourTableReady == 0) {
        PreviewAndZoom(panel);
    } else {
        // Served from the entry when the box is drawn next; nothing is loaded.
        NotesRequest = 1;
    }
}

void ToggleUseBrowseFile(HWND panel) {
    useBrowseFile = 1 - useBrowseFile;
    HWND autoBox = GetDlgItem(panel, IDC_FILE_AUTOPREVIEW);
    if (useBrowseFile == 1) {
        OpenShownFolderCache(panel);
        if (autoPreview == 0) {
            SetCheck(panel, IDC_FILE_AUTOPREVIEW, 1);
            autoPreview = 1;
        }
        EnableWindow(autoBox, FALSE);
    } else {
        CloseCache();
        EnableWindow(autoBox, TRUE);
    }
}

void OnCommand(HWND panel, WPARAM wParam) {
    if (HIWORD(wParam) != BN_CLICKED) return;
    switch (LOWORD(wParam)) {
        case IDC_FILE_AUTOPREVIEW:
            autoPreview = 1 - autoPreview;
            break;
        case IDC_FILE_PREVIEWNOW:
            if (autoPreview == 0) PreviewAndZoom(panel);
            break;
        case IDC_FILE_ZOOMALL:
            DropScreenCopy();
            ZoomAllPreview(panel);
            break;
        case IDC_FILE_AUTOZOOM:
            autoZoomAll = 1 - autoZoomAll;
            break;
        case IDC_FILE_SHOWALL:
            DropScreenCopy();
            ShowAllRequest = 1;
            InvalidateRect(GetDlgItem(panel, IDC_FILE_PREVIEW), nullptr, FALSE);
            break;
        case IDC_FILE_BROWSE:
            // Escape makes the system dialog close as cancelled; the file
            // manager then opens the browser on browseDirectory.
            if (GetShownFolder(panel)) {
                browseRequested = 1;
                PostMessageA(panel, WM_KEYDOWN, VK_ESCAPE, 0);
            }
            break;
        case IDC_FILE_USECACHE:
            ToggleUseBrowseFile(panel);
            break;
        case IDC_FILE_HELP:
            host::ForceHelp(kHelpTopic);
            break;
        default:
            break;
    }
}

UINT_PTR HandleMessage(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(panel);
            return 0;
        case WM_MEASUREITEM:
            reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = kItemHeight;
            return 1;
        case WM_NOTIFY:
            if (reinterpret_cast<const NMHDR*>(lParam)->code == CDN_SELCHANGE) OnSelectionChange(panel);
            if (reinterpret_cast<const NMHDR*>(lParam)->code == CDN_INITDONE) KeepColumnClear(panel);
            if (reinterpret_cast<const NMHDR*>(lParam)->code == CDN_FILEOK) return RefuseUnspeltChoice(panel);
            return 0;
        case WM_COMMAND:
            OnCommand(panel, wParam);
            return 0;
        case WM_DRAWITEM:
            DrawPreviewBox(panel, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return 0;
        default:
            return 0;
    }
}

}  // namespace

// A name the code page cannot spell is no selection: its spelling names
// another file, whose picture and notes would be shown.
bool GetSelectedName(HWND panel, char (&name)[kDialogTextSize]) {
    return IsChosenNameSpelt(panel) && AskDialog(panel, CDM_GETSPEC, name);
}

bool GetSelectedPath(HWND panel, char (&path)[kDialogTextSize]) {
    return IsChosenNameSpelt(panel) && AskDialog(panel, CDM_GETFILEPATH, path);
}

// Asked into a local buffer first, so that a request that delivers nothing
// leaves the browse directory as it was.
bool GetShownFolder(HWND panel) {
    char folder[kDialogTextSize];
    if (!AskDialog(panel, CDM_GETFOLDERPATH, folder)) return false;
    CopyText(browseDirectory, folder);
    return true;
}

// Called by the system dialog inside its modal loop: nothing may escape.
UINT_PTR CALLBACK FileManagerHook(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return HandleMessage(panel, message, wParam, lParam);
    } catch (...) {
        return message == WM_MEASUREITEM ? 1 : 0;
    }
}
