// BrowseFiles: the "Browse files" dialog, shown once per folder until the
// user picks a file or closes it; "Select &Path" starts it over elsewhere.
#include "browser/browser.h"
#include "browser/browserinternal.h"

#include <string.h>

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/browsedir.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"
#include "module/xprecord.h"
#include "resources/resource.h"
#include "settings/settings.h"

// Written by the dialog's mouse hook; read by the click handler.
POINT LastMousePos;
// Bound to "&Delete on click"; cleared by BrowseFiles at every showing.
int DeleteOnClick;
// Set by BrowseFiles for its handlers; filled by a pick or Close.
char* ResultPath;
// Set by a pick; BrowseFiles' result.
int Picked;
// Bound to the browse list; written by the host at every click.
int BrowseListRow;

namespace {

// Installed around the dialog by BrowseFiles.
HHOOK g_mouseHook;
// Set once the left-out files, and a missing folder, have been told;
// cleared at every showing.
bool g_toldLeftOut;
bool g_toldMissingFolder;
// Set once the files past the cache's limit have been told; the same.
bool g_toldUnlisted;
// The folder that Backspace chose, handed to SelectBrowsePath through the
// button's click; empty otherwise.
char g_parentFolder[kDirSize];

const char kTemplate[] = "IDD_DLGBROWSE";
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

// One showing of the dialog for browseDirectory; the ending control's id.
int ShowBrowseDialog() {
    HDLGDEF def = host::DefDlg(kTemplate, InitBrowseDialog);
    if (!def) return 0;
    host::LSTCTL(def, IDC_BROWSE_LIST, &BrowseListRow, kEmptyList, OnBrowseListClick, DrawBrowseRow);
    host::CMBCTL(def, IDC_BROWSE_FORMAT, &FormatIndex, FormatComboItems(), ChangeBrowseFormat);
    host::CHKCTL(def, IDC_BROWSE_SMALL, &SmallPictures, 1, RefreshBrowseList);
    host::CHKCTL(def, IDC_BROWSE_DELETE, &DeleteOnClick, 1, nullptr);
    host::CHKCTL(def, IDC_BROWSE_ALWAYSCACHE, &Options.alwaysCache, 1, nullptr);
    host::BTNCTL(def, IDC_BROWSE_SELECTPATH, SelectBrowsePath);
    host::BTNCTL(def, IDC_BROWSE_CLOSE, CloseBrowser);
    host::BTNCTL(def, IDC_BROWSE_CACHEALL, CacheAll);
    g_mouseHook = SetWindowsHookExA(WH_MOUSE, BrowseMouseHook, XpRecord.hookModule, GetCurrentThreadId());
    StartBrowseKeys();
    int result = host::XPDlog(def, XpRecord.instance);
    StopBrowseKeys();
    if (g_mouseHook) UnhookWindowsHookEx(g_mouseHook);
    g_mouseHook = nullptr;
    host::RelDlg(def);
    return result;
}

// The whole sentence when one file is left out; a short reason after its
// name when several are.
struct LeftOutWords {
    const char* sentence;
    const char* reason;
};

LeftOutWords LeftOutText(LeftOutReason reason) {
    switch (reason) {
        case kPathTooLong:
            return {"The full path of this file is too long to open; it is not listed:", "path too long to open"};
        case kUnspellable:
            return {"The name of this file cannot be spelt in the system's code page, and it has no short "
                    "name that can; it is not listed:",
                    "name not in the code page"};
        case kNotPlain:
            return {"The name of this file holds a path separator or a colon, and would open a file "
                    "elsewhere; it is not listed:",
                    "name holds a path separator"};
        case kDeviceName:
            return {"The name of this file is a device name of the system; it is not listed:", "a device name"};
        case kSameName:
            return {"Another file of this name, in other letter case or by its short name, is listed "
                    "instead; this one is not:",
                    "another file of this name is listed"};
        default: return {"This file is not listed:", "not listed"};
    }
}

void FormatLeftOutFiles(char* text, size_t size) {
    if (LeftOut.count == 1) {
        FormatText(text, size, "%s\n\n%s", LeftOutText(LeftOut.files[0].reason).sentence, LeftOut.files[0].name);
        return;
    }
    FormatText(text, size, "These %d files are not listed:\n", LeftOut.count);
    int named = LeftOut.count < kLeftOutNamed ? LeftOut.count : kLeftOutNamed;
    for (int i = 0; i < named; ++i) {
        size_t used = strlen(text);
        FormatText(text + used, size - used, "\n%s (%s)", LeftOut.files[i].name,
                   LeftOutText(LeftOut.files[i].reason).reason);
    }
    if (LeftOut.count > named) {
        size_t used = strlen(text);
        FormatText(text + used, size - used, "\n... and %d more", LeftOut.count - named);
    }
}

}  // namespace

bool BrowseHookInstalled() { return g_mouseHook != nullptr; }

// Once per showing, however often the folder is scanned again: a box at
// every change of format would nag. A folder that is not there shows the
// empty list, as any folder without drawings.
void TellLeftOutFiles() {
    char text[kMessageSize];
    if (!g_toldMissingFolder && !IsFolder(browseDirectory)) {
        g_toldMissingFolder = true;
        FormatText(text, sizeof text, "This folder does not exist:\n\n%s", browseDirectory);
        host::ErrorBox(text);
    }
    if (!LeftOut.count || g_toldLeftOut) return;
    g_toldLeftOut = true;
    char list[kLeftOutNamed * (MAX_PATH + 48) + 64];
    FormatLeftOutFiles(list, sizeof list);
    host::ErrorBox(list);
}

void TellUnlistedFiles() {
    if (UnlistedFiles.empty() || g_toldUnlisted) return;
    g_toldUnlisted = true;
    char text[kMessageSize];
    FormatText(text, sizeof text,
               "This folder holds %d drawings of this format, more than the picture cache keeps: "
               "%d have pictures. The others are listed after them without a picture and can still "
               "be picked.",
               FoundCount, FoundCount - static_cast<int>(UnlistedFiles.size()));
    host::ErrorBox(text);
}

LRESULT CALLBACK BrowseMouseHook(int code, WPARAM wParam, LPARAM lParam) {
    if (lParam) LastMousePos = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam)->pt;
    return CallNextHookEx(g_mouseHook, code, wParam, lParam);
}

int CloseBrowser() {
    if (ResultPath) JoinPath(ResultPath, kPickedPathSize, browseDirectory, "Work");
    browseRequested = false;
    return kEndDialog;
}

// A root has no parent, and a server's name alone ("\\server") is no
// folder to browse.
bool OpenParentFolder() {
    char parent[kDirSize];
    CopyText(parent, browseDirectory);
    CutAtLastBackslash(parent);
    bool serverOnly = parent[0] == '\\' && parent[1] == '\\' && !strchr(parent + 2, '\\');
    HWND dialog = host::GetDlgWin();
    HWND button = dialog ? GetDlgItem(dialog, IDC_BROWSE_SELECTPATH) : nullptr;
    if (!parent[0] || serverOnly || lstrcmpiA(parent, browseDirectory) == 0 || !button) {
        MessageBeep(MB_OK);
        return false;
    }
    CopyText(g_parentFolder, parent);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_BROWSE_SELECTPATH, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    return true;
}

// The current directory is read into room for any the system keeps, and put
// back only when it was read whole: a buffer too small is left unfilled.
int SelectBrowsePath() {
    if (g_parentFolder[0]) {
        CopyText(browseDirectory, g_parentFolder);
        g_parentFolder[0] = '\0';
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

// Without a cache for the first folder no dialog is shown, the options are
// not stored and nothing is picked. A folder chosen with "Select &Path" that
// has none ends the browser too, but the options of the dialogs shown are
// kept. Either way the user is told why.
int BrowseFiles(char* resultPath, int keepCache) {
    LoadOptions();
    int showings = 0;
    for (;;) {
        // The listing clears the leftovers of killed saves as it meets them:
        // the folder is not listed a second time for them.
        StartFolderListing(FormatIndex);
        if (!OpenCache(browseDirectory, Leftovers::kClearedByListing)) {
            DropFolderListing();
            TellNoCache();
            break;
        }
        ResultPath = resultPath;
        g_parentFolder[0] = '\0';
        Picked = 0;
        DeleteOnClick = 0;
        g_toldLeftOut = false;
        ForgetUnreadable();
        g_toldMissingFolder = false;
        g_toldUnlisted = false;
        ScanBrowseDir(FormatIndex);
        ++showings;
        int result = ShowBrowseDialog();
        if (!keepCache) CloseCache();
        if (result != kSelectPathEnded) break;
    }
    ResultPath = nullptr;
    DropFolderListing();
    // The names past the cache's limit are only the dialog's.
    std::vector<UnlistedFile>().swap(UnlistedFiles);
    if (!showings) return 0;
    SaveOptions();
    return Picked;
}
