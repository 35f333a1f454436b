// A click on the browse list: the host names the row, the mouse position
// names the column; what the click then does to that picture (open a
// folder, pick a file, or delete it) is ActOnPicture's.
#include "browser/browser.h"
#include "browser/browserinternal.h"

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/infolder.h"
#include "module/names.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"
#include "module/writefailure.h"
#include "resources/resource.h"

namespace {

enum { kListClickCode = 19, kAnswerYes = 6 };

// Where the list's client area is on the screen now. The painter's
// ListOrigin is only as fresh as the last row drawn: a dialog moved since
// then would place every click wrongly.
POINT ListScreenOrigin() {
    HWND dialog = host::GetDlgWin();
    HWND list = dialog ? GetDlgItem(dialog, IDC_BROWSE_LIST) : nullptr;
    POINT origin = {0, 0};
    if (list && ClientToScreen(list, &origin)) return origin;
    return Showing.ListOrigin;
}

// Where the click was: the hook's record, or without a hook the position of
// the message being handled, rather than a position left from long ago.
POINT ClickPosition() {
    if (Showing.mouseHook) return Showing.LastMousePos;
    DWORD position = GetMessagePos();
    POINT point = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    return point;
}

void TellAboutFile(const char* format, const char* name) {
    char text[kMessageSize];
    FormatText(text, sizeof text, format, name);
    host::ErrorBox(text);
}

// The entry's full path as the host would open it: the host opens no path
// of MAX_PATH characters or more, so such a path is refused, never cut; nor
// is a name that would lead out of the folder (from a hostile cache).
bool EntryPath(const ImageInfoRecord* entry, char (&path)[MAX_PATH]) {
    if (JoinPath(path, browseDirectory, entry->name)) return true;
    TellAboutFile("This file cannot be opened from this folder; its name is not usable:\n\n%s", entry->name);
    return false;
}

enum FileCheck { kFileAsPictured, kFileGone, kFileChanged };

// Whether the file is still the one whose picture the entry holds: there,
// not a folder, and last written when the entry says.
FileCheck CheckEntryFile(const ImageInfoRecord* entry, const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return kFileGone;
    }
    return CompareFileTime(&data.ftLastWriteTime, &entry->fileTime) == 0 ? kFileAsPictured
                                                                         : kFileChanged;
}

// A file deleted from the browser or gone since the listing is no pick: the
// host would only fail to load it. The path is checked before the file: a
// path that cannot stand in a macro line is told, not passed over as if the
// file were gone. A drawing the host
// could not load in this showing is no pick either: the host would only
// fail again. Either way the dialog stays open and the user is told.
int PickEntry(const ImageInfoRecord* entry) {
    char path[MAX_PATH];
    if (!EntryPath(entry, path) || !AcceptPickedPath(path)) return kKeepOpen;
    if (entry->state == kFileDeleted || CheckEntryFile(entry, path) == kFileGone) {
        TellAboutFile("The file is no longer there:\n\n%s", entry->name);
        return kKeepOpen;
    }
    if (IsUnreadable(entry)) {
        TellAboutFile("%s cannot be read as a drawing.", entry->name);
        return kKeepOpen;
    }
    if (!Showing.ResultPath || !CopyText(Showing.ResultPath, kPickedPathSize, path)) return kKeepOpen;
    Showing.Picked = true;
    return kEndDialog;
}

// The entry is marked deleted only once its name is gone: on a read-only
// mount DeleteFileA reports success and the file stays. The file no longer
// counts, among the folder's files and among those a search shows.
void DeleteCheckedFile(ImageInfoRecord* entry, const char* path) {
    SetLastError(0);
    bool deleted = DeleteFileA(path) != 0;
    DWORD error = deleted ? 0 : GetLastError();
    if (!deleted || !IsNameGone(browseDirectory, entry->name)) {
        char reason[kReasonSize];
        DescribeDeleteFailure(error, path, reason, sizeof reason);
        char text[kMessageSize];
        FormatText(text, sizeof text, "Error: Couldn't delete file!\n\n%s\n\n%s.", entry->name, reason);
        host::ErrorBox(text);
        return;
    }
    entry->state = kFileDeleted;
    if (Showing.FoundCount > 0) --Showing.FoundCount;
    if (Showing.shownDrawings > 0) --Showing.shownDrawings;
    ShowFileCount();
    HWND dialog = host::GetDlgWin();
    HWND list = dialog ? GetDlgItem(dialog, IDC_BROWSE_LIST) : nullptr;
    if (list) InvalidateRect(list, nullptr, FALSE);
}

}  // namespace

// The name is checked against the picture right before the deletion: a
// file put there since the listing is not the one the user was asked about,
// and a name that leads elsewhere (a symbolic link, whose target Wine's
// DeleteFileA would delete) is not this folder's file.
int DeleteEntryFile(ImageInfoRecord* entry) {
    char text[kMessageSize];
    FormatText(text, sizeof text, "Do you want to delete this file?\n\n%s", entry->name);
    if (host::QuestBox(text) != kAnswerYes) return kKeepOpen;
    char path[MAX_PATH];
    if (!EntryPath(entry, path)) return kKeepOpen;
    FileCheck check = CheckEntryFile(entry, path);
    if (check == kFileGone) {
        TellAboutFile("The file is no longer there; nothing was deleted.\n\n%s", entry->name);
    } else if (check == kFileChanged) {
        TellAboutFile("The file has changed since its picture was made; it was not deleted.\n\n%s", entry->name);
    } else if (!NamesFileInFolder(browseDirectory, entry->name)) {
        TellAboutFile("This name leads to a file outside this folder (a link); it was not deleted.\n\n%s",
                      entry->name);
    } else {
        DeleteCheckedFile(entry, path);
    }
    return kKeepOpen;
}


int ActOnBrowseEntry(ImageInfoRecord* entry) {
    if (!entry) return kKeepOpen;
    return Showing.DeleteOnClick ? DeleteEntryFile(entry) : PickEntry(entry);
}

// A file past the cache's limit is picked or deleted as an entry is, all
// checks and messages alike, through an entry that carries its name, time
// and state.
int ActOnUnlistedFile(UnlistedFile* file) {
    if (!file) return kKeepOpen;
    static ImageInfoRecord stand;  // 43 KB: not on the stack
    CopyText(stand.name, file->name);
    stand.fileTime = file->fileTime;
    stand.state = file->state;
    int answer = ActOnBrowseEntry(&stand);
    file->state = stand.state;
    return answer;
}

namespace {

// When a click opened a folder (its message time): the next showing's
// first press within a double click's time is that click's second half.
// Written here, handed on by BrowseFiles to the next showing.
DWORD g_openingClickAt;
bool g_openedByClick;

}  // namespace

DWORD TakeOpeningClick() {
    DWORD at = g_openedByClick ? g_openingClickAt : 0;
    g_openedByClick = false;
    return at;
}

// A double click on a folder tile opens the folder at its first click, and
// the new showing's list would take the second for a pick of whatever lies
// under it there.
bool IsOpeningClicksEcho(DWORD time) {
    DWORD& at = Showing.openingClickAt;
    bool echo = at != 0 && time - at <= GetDoubleClickTime();
    at = 0;
    return echo;
}

// A folder that can have no cache would end the browser on a message: it is
// told here and the dialog stays. So is a folder gone since the listing.
void OpenSubfolder(const char* name) {
    char folder[MAX_PATH];
    if (!JoinPath(folder, browseDirectory, name) || lstrlenA(folder) > kLongestCacheFolder) {
        TellAboutFile("The path of this folder is too long to browse:\n\n%s", name);
    } else if (!IsFolder(folder)) {
        TellAboutFile("The folder is no longer there:\n\n%s", name);
    } else {
        ShowFolderNext(folder);
    }
}

// A folder opens whether "&Delete on click" is ticked or not: the browser
// never deletes a folder.
int ActOnPicture(int picture) {
    const ShownItem* item = ShownAt(picture);
    if (!item) return kKeepOpen;
    switch (item->kind) {
        case kShownFolder:
            OpenSubfolder(Showing.subfolders[item->index].name);
            return kKeepOpen;
        case kShownUnlisted:
            return ActOnUnlistedFile(&Showing.unlistedFiles[item->index]);
        case kShownEntry:
            break;
    }
    return ActOnBrowseEntry(AsImageInfo(item->entity));
}

// A pick ends the dialog. The host ends its dialogs itself, and its OK
// command does that as a handler's 2 would, bound values written back.
void ActOnFramedPicture() {
    HWND list = BrowseListWindow();
    int picture = FramedPicture();
    if (!list || picture < 0) return;
    if (ActOnPicture(picture) == kEndDialog) {
        PostMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
}

int OnBrowseListClick(int code) {
    if (code != kListClickCode) return kKeepOpen;
    int row = Showing.BrowseListRow;
    if (host::GetLstDta(IDC_BROWSE_LIST, row) == -1) return kKeepOpen;
    POINT click = ClickPosition();
    POINT origin = ListScreenOrigin();
    int column = HitColumn(click.x - origin.x, SmallPictures != 0, Showing.ColumnsPerRow);
    if (column < 0) return kKeepOpen;
    int picture = row * Showing.ColumnsPerRow + column;
    const ShownItem* item = ShownAt(picture);
    bool folder = item && item->kind == kShownFolder;
    int answer = ActOnPicture(picture);
    if (folder && Showing.nextFolder[0]) {
        g_openedByClick = true;
        g_openingClickAt = GetMessageTime() | 1;  // 0 would mean none
    }
    return answer;
}
