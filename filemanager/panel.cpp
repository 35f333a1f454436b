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

bool GetSelectedName(HWND panel, char (&name)[kDialogTextSize]) { return AskDialog(panel, CDM_GETSPEC, name); }

bool GetSelectedPath(HWND panel, char (&path)[kDialogTextSize]) {
    return AskDialog(panel, CDM_GETFILEPATH, path);
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
