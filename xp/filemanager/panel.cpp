// FileManagerHook: the preview panel's messages inside the system's open
// dialog.
#include "filemanager/panel.h"

#include <commctrl.h>
#include <commdlg.h>

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/state.h"
#include "preview/preview.h"
#include "resources/resource.h"
#include "settings/settings.h"

namespace {

// Posted to the panel after a change of folder or file type.
enum : UINT { kFollowSelection = WM_APP + 1 };

void SetCheck(HWND panel, int id, int checked) {
    SendDlgItemMessageA(panel, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void OpenShownFolderCache(HWND panel) {
    if (GetShownFolder(panel)) OpenCache(browseDirectory);
}

void OnInitDialog(HWND panel) {
    ShownPanel = PanelShowing();
    NotePanelTemplate(panel);
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

// The box goes back to the empty frame, the tree to no notes.
void ForgetSelection(HWND panel) {
    ShownPanel.previewedFile[0] = '\0';
    currentEntry = nullptr;
    ClearPreview(panel);
    SendDlgItemMessageA(panel, IDC_FILE_NOTES, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

void OnSelectionChange(HWND panel) {
    ShownPanel.selectionTold = true;
    ForgetSelection(panel);
    if (!GetSelectedFile(panel, ShownPanel.previewedFile)) ShownPanel.previewedFile[0] = '\0';
    bool folderShown = false;
    if (useBrowseFile == 1) {
        folderShown = GetShownFolder(panel);
        if (folderShown) OpenCache(browseDirectory);
    }
    if (autoPreview != 1) return;
    if (useBrowseFile == 1 && folderShown && CacheList) LookUpSelectedFile(panel);
    if (!colourTableReady) LoadColorMap();
    const ImageInfoRecord* entry = AsImageInfo(currentEntry);
    if (!entry || entry->state == kNoPicture || !colourTableReady) {
        PreviewAndZoom(panel);
    } else {
        // Served from the entry when the box is drawn next; nothing is loaded.
        NotesRequest = true;
    }
}

// How many files the system dialog's file list has selected (the list view
// inside its shell view); -1 when it shows no such list.
int SelectedInFileList(HWND panel) {
    HWND view = FindWindowExA(GetParent(panel), nullptr, "SHELLDLL_DefView", nullptr);
    HWND list = view ? FindWindowExA(view, nullptr, WC_LISTVIEWA, nullptr) : nullptr;
    return list ? static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0)) : -1;
}

// A new folder or file type refills the file list with nothing selected
// (the name field may still hold the old name): the preview never shows a
// file that is not selected, so it is cleared, and it follows a selection
// that names another file. Before the dialog's first selection notice the
// starting name has not been previewed yet, and that notice does it.
void FollowSelection(HWND panel) {
    if (!ShownPanel.selectionTold) return;
    char file[kDialogTextSize];
    bool selected = SelectedInFileList(panel) != 0 && GetSelectedFile(panel, file);
    if (!selected) file[0] = '\0';
    if (lstrcmpiA(file, ShownPanel.previewedFile) == 0) return;
    if (selected) {
        OnSelectionChange(panel);
    } else {
        ForgetSelection(panel);
    }
}

void OnNotify(HWND panel, const NMHDR* header) {
    switch (header->code) {
        case CDN_SELCHANGE:
            OnSelectionChange(panel);
            break;
        case CDN_FOLDERCHANGE:
        case CDN_TYPECHANGE:
            // Wine tells a new type before it refills the list: the list is
            // read once the dialog has done with this change. The first
            // folder is told before the first selection, which previews the
            // starting name.
            if (ShownPanel.selectionTold) PostMessageA(panel, kFollowSelection, 0, 0);
            break;
        case CDN_INITDONE:
            if (ArrangePanel(panel)) RefitPreview(panel);
            break;
        default:
            break;
    }
}

void ToggleUseBrowseFile(HWND panel) {
    useBrowseFile = !useBrowseFile;
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
            autoPreview = !autoPreview;
            break;
        case IDC_FILE_PREVIEWNOW:
            if (autoPreview == 0) PreviewAndZoom(panel);
            break;
        case IDC_FILE_ZOOMALL:
            PressZoomAll(panel);
            break;
        case IDC_FILE_AUTOZOOM:
            autoZoomAll = !autoZoomAll;
            break;
        case IDC_FILE_SHOWALL:
            PressShowAll(panel);
            break;
        case IDC_FILE_BROWSE:
            // Escape makes the system dialog close as cancelled; the file
            // manager then opens the browser on browseDirectory.
            if (GetShownFolder(panel)) {
                browseRequested = true;
                PostMessageA(panel, WM_KEYDOWN, VK_ESCAPE, 0);
            }
            break;
        case IDC_FILE_USECACHE:
            ToggleUseBrowseFile(panel);
            break;
        case IDC_FILE_HELP:
            host::ForceHelp(kModuleHelpTopic);
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
            // The picture's height; the panel's layout fits it to the box later.
            reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = kLargeHeight;
            return 1;
        case WM_NOTIFY:
            if (reinterpret_cast<const NMHDR*>(lParam)->code == CDN_FILEOK) {
                return RefuseUnusableChoice(panel, reinterpret_cast<const OFNOTIFYA*>(lParam));
            }
            OnNotify(panel, reinterpret_cast<const NMHDR*>(lParam));
            return 0;
        case WM_SIZE:
            if (FollowPanelSize(panel)) RefitPreview(panel);
            return 0;
        case kFollowSelection:
            FollowSelection(panel);
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

// Called by the system dialog inside its modal loop. Nothing the panel does
// throws: the cache lookup, the one user of the standard containers, keeps
// its own allocation failures to itself.
UINT_PTR CALLBACK FileManagerHook(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    return HandleMessage(panel, message, wParam, lParam);
}
