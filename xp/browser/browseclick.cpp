// A click on the browse list: the host names the row, the mouse position
// names the column; what the click then does to that entry (pick it, or
// delete its file) is ActOnBrowseEntry's.
#include "browser/browser.h"
#include "browser/browserinternal.h"

#include "host/host.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"
#include "resources/resource.h"

namespace {

enum { kListClickCode = 19, kAnswerYes = 6 };
enum { kMessageSize = 400 };

// Where the list's client area is on the screen now. The painter's
// ListOrigin is only as fresh as the last row drawn: a dialog moved since
// then would place every click wrongly.
POINT ListScreenOrigin() {
    HWND dialog = host::GetDlgWin();
    HWND list = dialog ? GetDlgItem(dialog, IDC_BROWSE_LIST) : nullptr;
    POINT origin = {0, 0};
    if (list && ClientToScreen(list, &origin)) return origin;
    return ListOrigin;
}

// Where the click was: the hook's record, or without a hook the position of
// the message being handled, rather than a position left from long ago.
POINT ClickPosition() {
    if (BrowseHookInstalled()) return LastMousePos;
    DWORD position = GetMessagePos();
    POINT point = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    return point;
}

// The entry's full path as the host would open it: the host opens no path
// of MAX_PATH characters or more, so such a path is refused, never cut.
bool EntryPath(const ImageInfoRecord* entry, char (&path)[MAX_PATH]) {
    return JoinPath(path, browseDirectory, entry->name);
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
// host would only fail to load it. The dialog stays open.
int PickEntry(const ImageInfoRecord* entry) {
    char path[MAX_PATH];
    if (entry->state == kFileDeleted || !EntryPath(entry, path)) return kKeepOpen;
    if (CheckEntryFile(entry, path) == kFileGone) return kKeepOpen;
    if (!ResultPath || !CopyText(ResultPath, kPickedPathSize, path)) return kKeepOpen;
    // Refused while the user can still pick another file.
    if (!AcceptPickedPath(ResultPath)) return kKeepOpen;
    Picked = 1;
    return kEndDialog;
}

}  // namespace

// The name is checked against the picture right before the deletion: a
// file put there since the listing is not the one the user was asked about.
int DeleteEntryFile(ImageInfoRecord* entry) {
    char text[kMessageSize];
    FormatText(text, sizeof text, "Do you want to delete this file?\n\n%s", entry->name);
    if (host::QuestBox(text) != kAnswerYes) return kKeepOpen;
    char path[MAX_PATH];
    FileCheck check = EntryPath(entry, path) ? CheckEntryFile(entry, path) : kFileGone;
    if (check == kFileGone) {
        FormatText(text, sizeof text, "The file is no longer there; nothing was deleted.\n\n%s", entry->name);
        host::ErrorBox(text);
    } else if (check == kFileChanged) {
        FormatText(text, sizeof text,
                   "The file has changed since its picture was made; it was not deleted.\n\n%s",
                   entry->name);
        host::ErrorBox(text);
    } else if (DeleteFileA(path)) {
        entry->state = kFileDeleted;
        HWND dialog = host::GetDlgWin();
        HWND list = dialog ? GetDlgItem(dialog, IDC_BROWSE_LIST) : nullptr;
        if (list) InvalidateRect(list, nullptr, FALSE);
    } else {
        host::ErrorBox("Error: Couldn't delete file!");
    }
    return kKeepOpen;
}

int ActOnBrowseEntry(ImageInfoRecord* entry) {
    if (!entry) return kKeepOpen;
    return DeleteOnClick ? DeleteEntryFile(entry) : PickEntry(entry);
}

int OnBrowseListClick(int code) {
    if (code != kListClickCode) return kKeepOpen;
    intptr_t data = host::GetLstDta(IDC_BROWSE_LIST, BrowseListRow);
    if (data == -1) return kKeepOpen;
    POINT click = ClickPosition();
    POINT origin = ListScreenOrigin();
    int column = HitColumn(click.x - origin.x, SmallPictures != 0, ColumnsPerRow);
    if (column < 0) return kKeepOpen;
    // Every link is read through the gate: the row's data and next shown
    // are addresses, trusted only once they prove to be entries.
    ImageInfoRecord* entry = AsImageInfo(reinterpret_cast<HostEntity*>(data));
    for (int i = 0; entry && i < column; ++i) entry = AsImageInfo(entry->nextShown);
    return ActOnBrowseEntry(entry);
}
