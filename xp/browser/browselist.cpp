// The browse list: one list item per row of pictures, each item's data the
// first entry of its row, the rest of the row reached through next shown.
// Missing pictures are made in batches with progress in the status line.
#include "browser/browser.h"
#include "browser/browserinternal.h"

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/state.h"
#include "module/text.h"
#include "module/xprecord.h"
#include "resources/resource.h"
#include "settings/settings.h"

namespace {

// A batch of missing pictures: how far it is, told in the status line, and
// whether the user stopped it with Escape.
struct PictureBatch {
    int formatIndex;
    int done, total;
    DWORD started, lastShown;   // GetTickCount of the start and of the last progress shown
};
// Progress waits half a second (a short batch would only flash it) and then
// comes at most four times a second: each costs a repaint of the host.
enum { kProgressDelayMs = 500, kProgressEveryMs = 250 };

int CountMissingPicture(int, HostEntity* entity, intptr_t batchValue, intptr_t) {
    auto* batch = reinterpret_cast<PictureBatch*>(batchValue);
    ImageInfoRecord* entry = ShownEntry(entity, batch->formatIndex);
    if (entry && entry->state == kNoPicture) ++batch->total;
    return 0;
}

// The batch runs inside a handler, so the dialog's own loop sees no key
// until it ends: Escape is taken from the queue here, between two pictures
// (and not left to close the dialog afterwards). Other keys pressed
// meanwhile go too: they were meant for a list that was not listening.
bool EscapePressed() {
    MSG msg;
    bool escape = false;
    while (PeekMessageA(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) {
        if (msg.wParam == VK_ESCAPE) escape = true;
    }
    return escape;
}

void ShowBatchProgress(PictureBatch* batch) {
    DWORD now = GetTickCount();
    if (now - batch->started < kProgressDelayMs || now - batch->lastShown < kProgressEveryMs) return;
    batch->lastShown = now;
    char text[kStatusSize];
    FormatBatchProgress(text, batch->done, batch->total);
    host::StatusMsg(text);
    // The host's window gets no paint while the batch runs.
    if (XpRecord.hostWindow) {
        RedrawWindow(XpRecord.hostWindow, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
}

// The walk hands over its own entity variable, so that MakePictures can
// point it at the entry's new place when the entry moves. Non-zero ends
// the walk: the user stopped it.
int MakeMissingPicture(int, HostEntity* entity, intptr_t batchValue, intptr_t) {
    auto* batch = reinterpret_cast<PictureBatch*>(batchValue);
    ImageInfoRecord* entry = ShownEntry(entity, batch->formatIndex);
    if (!entry || entry->state != kNoPicture) return 0;
    if (EscapePressed()) return 1;
    MakePictures(&entity);
    ++batch->done;
    ShowBatchProgress(batch);
    return 0;
}

// The width the rows have with the scroll bar shown, whether it is or not:
// a count that hung on the scroll bar could turn it on and off for ever.
// Without the list (a fill outside the dialog) the rows are the default's.
int ColumnsForList() {
    bool small = SmallPictures != 0;
    HWND list = BrowseListWindow();
    RECT client;
    if (!list || !GetClientRect(list, &client)) return small ? kSmallColumns : kLargeColumns;
    int width = client.right;
    if (!(GetWindowLongA(list, GWL_STYLE) & WS_VSCROLL)) width -= GetSystemMetrics(SM_CXVSCROLL);
    return ColumnsForWidth(width, small);
}

void SetControlText(int id, const char* text) {
    HWND dialog = host::GetDlgWin();
    HWND control = dialog ? GetDlgItem(dialog, id) : nullptr;
    if (control) SetWindowTextA(control, text);
}

}  // namespace

// "Loading " and "..." leave 248 bytes for the name; a longer name keeps its
// start and its last characters (the extension) around "...".
void FormatLoadingStatus(char (&text)[kStatusSize], const char* name) {
    if (FormatText(text, sizeof text, "Loading %s...", name)) return;
    enum { kHead = 232, kTail = 12 };
    int length = lstrlenA(name);
    FormatText(text, sizeof text, "Loading %.*s...%s...", static_cast<int>(kHead), name,
               name + (length > kTail ? length - kTail : 0));
}

void ShowLoadingStatus(const char* name) {
    char text[kStatusSize];
    FormatLoadingStatus(text, name);
    host::StatusMsg(text);
}

// The pictures shown are collected first, then the rows made for them: a
// row is only a place for ColumnsPerRow of them.
void FillBrowseList() {
    SetControlText(IDC_BROWSE_DIR, browseDirectory);
    host::ClrLstStr(IDC_BROWSE_LIST);
    Showing.ColumnsPerRow = ColumnsForList();
    ++Showing.fills;
    CollectShownItems(FormatIndex);
    AddShownRows();
    ShowFileCount();
}

// Wine repaints a shown list box (its scroll bar and rows) for every row
// added: 4 ms a row, a minute for 15,000 rows. With redrawing off the fill
// costs microseconds a row and one repaint at the end. (Selecting the
// frame's row scrolls the list, and Wine's list box, when redrawing comes
// back on, moves a top row that leaves part of a page empty: the top is put
// back after both.)
static void RefillList(int framed, int topPicture) {
    HWND list = BrowseListWindow();
    if (list) SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    FillBrowseList();
    FramePicture(framed, false);
    if (list) {
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        SendMessageA(list, LB_SETTOPINDEX, topPicture / Showing.ColumnsPerRow, 0);
    }
    host::UpdCtl(IDC_BROWSE_LIST);
    TipFollowsPointer();
}

// The user may have scrolled away from the framed picture: the framed
// picture stays framed and the first picture shown stays at the top, also
// when the number of pictures to a row changes.
int RefreshBrowseList() {
    HWND list = BrowseListWindow();
    int topPicture = list ? static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0)) * Showing.ColumnsPerRow : 0;
    RefillList(FramedPicture(), topPicture);
    return kKeepOpen;
}

// Other pictures, or the same in another order: the list starts at its
// first picture, framed.
void RefillFromTop() { RefillList(0, 0); }

void FormatBatchProgress(char (&text)[kStatusSize], int done, int total) {
    FormatText(text, sizeof text, "Making pictures: %d of %d (Esc stops)", done, total);
}

// The pictures made before a stop stay in their entries, and the cache is
// saved with them when the dialog closes. Entries move as their notes are
// stored: the pictures shown name none of them until the list is filled
// again, which every caller does after the batch.
void CacheMissingPictures(int formatIndex) {
    if (!CacheList) return;
    Showing.shown.clear();
    PictureBatch batch = {formatIndex, 0, 0, GetTickCount(), 0};
    host::DLScan(CacheList, CountMissingPicture, kScanAll, reinterpret_cast<intptr_t>(&batch), 0);
    BeginPictureBatch();
    host::DLScan(CacheList, MakeMissingPicture, kScanAll, reinterpret_cast<intptr_t>(&batch), 0);
    EndPictureBatch();
    host::StatusMsg(nullptr);
}

int InitBrowseList() {
    if (Options.alwaysCache) CacheMissingPictures(FormatIndex);
    RefreshBrowseList();
    TellLeftOutFiles();
    TellUnlistedFiles();
    if (commandMode == ModeTemplate) {
        host::DsAbCtl(IDC_BROWSE_FORMAT);
        host::DsAbCtl(IDC_BROWSE_FORMATLABEL);
    }
    return kKeepOpen;
}

int ChangeBrowseFormat() {
    ScanBrowseDir(FormatIndex, kReuseUnchanged);
    return InitBrowseList();
}

void ScanAndFillAgain() {
    ScanBrowseDir(FormatIndex, kListAgain);
    InitBrowseList();
}

bool ColumnsChanged() { return ColumnsForList() != Showing.ColumnsPerRow; }

int CacheAll() {
    CacheMissingPictures(FormatIndex);
    return RefreshBrowseList();
}

// The order is the user's, kept for the next showing; the list shows the
// first pictures of the new order.
int ChangeBrowseOrder() {
    SaveBrowseOrder(NewestFirst == kOrderNewestFirst ? kOrderNewestFirst : kOrderByName);
    RefillFromTop();
    return kKeepOpen;
}
