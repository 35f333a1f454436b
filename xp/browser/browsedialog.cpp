// BrowseFiles: the "Browse files" dialog, shown once per folder until the
// user picks a file or closes it; "Select &Path" starts it over elsewhere.
#include "browser/browser.h"
#include "browser/browserinternal.h"

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/browsedir.h"
#include "module/dialog.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"
#include "module/xprecord.h"
#include "resources/resource.h"
#include "settings/settings.h"

namespace {

const char kTemplate[] = "IDD_DLGBROWSE";
const char kTitle[] = "Browse files";
const char kEmptyList[] = "";
const char kPresetName[] = "work.kvt";
enum { kSelectPathEnded = IDC_BROWSE_SELECTPATH };

// Why a folder shows no dialog: a path too long, or no list for its cache.
void TellNoCache() {
    char text[kMessageSize];
    if (lstrlenA(browseDirectory) > kLongestCacheFolder) {
        FormatText(text, sizeof text, "The path of this folder is too long to browse:\n\n%s",
                   browseDirectory);
    } else {
        FormatText(text, sizeof text, "Error: Couldn't open the browse info of this folder:\n\n%s",
                   browseDirectory);
    }
    host::ErrorBox(text);
}

// One showing of the dialog for browseDirectory; the ending control's id,
// 0 when the dialog could not be made (the user has been told).
int ShowBrowseDialog() {
    HDLGDEF def = DefineDialog(kTemplate, kTitle, InitBrowseDialog);
    if (!def) return 0;
    host::LSTCTL(def, IDC_BROWSE_LIST, &Showing.BrowseListRow, kEmptyList, OnBrowseListClick, DrawBrowseRow);
    host::CMBCTL(def, IDC_BROWSE_FORMAT, &FormatIndex, FormatComboItems(), ChangeBrowseFormat);
    host::CHKCTL(def, IDC_BROWSE_SMALL, &SmallPictures, 1, RefreshBrowseList);
    host::CHKCTL(def, IDC_BROWSE_DELETE, &Showing.DeleteOnClick, 1, nullptr);
    host::CHKCTL(def, IDC_BROWSE_ALWAYSCACHE, &Options.alwaysCache, 1, nullptr);
    NewestFirst = LoadBrowseOrder();
    host::CHKCTL(def, IDC_BROWSE_NEWEST, &NewestFirst, kOrderNewestFirst, ChangeBrowseOrder);
    host::BTNCTL(def, IDC_BROWSE_SELECTPATH, SelectBrowsePath);
    host::BTNCTL(def, IDC_BROWSE_CLOSE, CloseBrowser);
    host::BTNCTL(def, IDC_BROWSE_CACHEALL, CacheAll);
    Showing.mouseHook =
        SetWindowsHookExA(WH_MOUSE, BrowseMouseHook, XpRecord.hookModule, GetCurrentThreadId());
    StartBrowseKeys();
    int result = host::XPDlog(def, XpRecord.instance);
    StopBrowseKeys();
    if (Showing.mouseHook) UnhookWindowsHookEx(Showing.mouseHook);
    Showing.mouseHook = nullptr;
    host::RelDlg(def);
    return result;
}

}  // namespace

// The dialog manager gives the focus to the first control that takes it
// once this callback has returned; a posted request moves it on afterwards.
int InitBrowseDialog() {
    StartBrowseLayout();
    InitBrowseList();
    FramePicture(0);
    HWND list = BrowseListWindow();
    StartBrowseTips(list);
    StartEmptyListText(list);
    StartFindBox();
    if (list) PostMessageA(GetParent(list), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
    return kKeepOpen;
}

LRESULT CALLBACK BrowseMouseHook(int code, WPARAM wParam, LPARAM lParam) {
    if (lParam) Showing.LastMousePos = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam)->pt;
    return CallNextHookEx(Showing.mouseHook, code, wParam, lParam);
}

int CloseBrowser() {
    if (Showing.ResultPath) JoinPath(Showing.ResultPath, kPickedPathSize, browseDirectory, "Work");
    browseRequested = false;
    return kEndDialog;
}

// The current directory is read into room for any the system keeps, and put
// back only when it was read whole: a buffer too small is left unfilled.
// Backspace's parent folder and a subfolder opened come through the
// button's click.
int SelectBrowsePath() {
    if (Showing.nextFolder[0]) {
        CopyText(browseDirectory, Showing.nextFolder);
        Showing.nextFolder[0] = '\0';
        return kEndDialog;
    }
    char saved[MAX_PATH];
    DWORD savedLength = GetCurrentDirectoryA(sizeof saved, saved);
    bool restore = savedLength > 0 && savedLength < sizeof saved;
    SetCurrentDirectoryA(browseDirectory);
    static const char kNoFilters[] = "\0";
    // A folder that cannot be browsed is told, and the dialog stays on the
    // folder it shows rather than closing on nothing.
    bool chosen = ChooseBrowseDirectory({kPresetName, "?", "*.KVT", kNoFilters, kLongestCacheFolder});
    if (restore) SetCurrentDirectoryA(saved);
    if (!chosen) {
        if (HWND dialog = host::GetDlgWin()) SetFocus(dialog);
        return kKeepOpen;
    }
    return kEndDialog;
}

// Without a cache for the first folder, or without the dialog, no dialog is
// shown, the options are not stored and nothing is picked. A folder chosen
// with "Select &Path" that has none ends the browser too, but the options
// of the dialogs shown are kept. Either way the user is told why.
int BrowseFiles(char* resultPath, int keepCache) {
    LoadOptions();
    int showings = 0;
    for (;;) {
        Showing = BrowseShowing();
        Showing.ResultPath = resultPath;
        Showing.openingClickAt = TakeOpeningClick();
        // The listing clears the leftovers of killed saves as it meets them:
        // the folder is not listed a second time for them.
        StartFolderListing(FormatIndex);
        if (!OpenCache(browseDirectory, Leftovers::kClearedByListing)) {
            DropFolderListing();
            TellNoCache();
            break;
        }
        ForgetUnreadable();
        ScanBrowseDir(FormatIndex);
        int result = ShowBrowseDialog();
        if (result) ++showings;
        if (!keepCache) CloseCache();
        if (result != kSelectPathEnded) break;
    }
    bool picked = Showing.Picked;
    // What the showing kept (the names past the cache's limit, above all)
    // is only the dialog's.
    Showing = BrowseShowing();
    if (!showings) return 0;
    SaveOptions();
    return picked;
}
