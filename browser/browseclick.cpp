// A click on the browse list: the host names the row, the mouse position
// names the column; the picture under it is picked or its file deleted.
#include "browser/browser.h"
#include "browser/browserinternal.h"

#include "commands/macrolines.h"
#include "host/host.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"
#include "resources/resource.h"

namespace {

enum { kListClickCode = 19, kAnswerYes = 6 };
// The hit-test pitch is the picture's width, not the drawing pitch: a click
// in the gap left of a box counts for the column before it.
enum { kLargePitch = 188, kSmallPitch = 94 };
enum { kQuestionSize = 320 };

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

int PickEntry(const ImageInfoRecord* entry) {
    // A path that does not fit the caller's buffer is no pick: a cut path
    // would name another file.
    if (!ResultPath || !JoinPath(ResultPath, kPickedPathSize, browseDirectory, entry->name)) return kKeepOpen;
    // Refused while the user can still pick another file.
    if (!AcceptPickedPath(ResultPath)) return kKeepOpen;
    Picked = 1;
    return kEndDialog;
}

int DeleteEntryFile(ImageInfoRecord* entry) {
    char question[kQuestionSize];
    FormatText(question, sizeof question, "Do you want to delete this file?\n\n%s", entry->name);
    if (host::QuestBox(question) != kAnswerYes) return kKeepOpen;
    char path[kDirSize + kEntryNameSize + 2];
    bool fits = JoinPath(path, browseDirectory, entry->name);
    if (fits && DeleteFileA(path)) {
        entry->state = kFileDeleted;
        HWND dialog = host::GetDlgWin();
        HWND list = dialog ? GetDlgItem(dialog, IDC_BROWSE_LIST) : nullptr;
        if (list) InvalidateRect(list, nullptr, FALSE);
    } else {
        host::ErrorBox("Error: Couldn't delete file!");
    }
    return kKeepOpen;
}

}  // namespace

int HitColumn(int dx, bool small, int columns) {
    if (dx <= 0) return -1;
    int column = dx / (small ? kSmallPitch : kLargePitch);
    return column < columns ? column : -1;
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
    if (!entry) return kKeepOpen;
    return DeleteOnClick ? DeleteEntryFile(entry) : PickEntry(entry);
}
