// The browse list: one list item per row of pictures, each item's data the
// first entry of its row, the rest of the row reached through next shown.
// Missing pictures are made in batches with progress in the status line.
#include "browser/browser.h"
#include "browser/browserinternal.h"

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/state.h"
#include "module/text.h"
#include "resources/resource.h"
#include "settings/settings.h"

// Written by the "&Small pictures" check box; read by the fill, the painter
// and the click handler.
int SmallPictures;
// Written by FillBrowseList; read by the painter and the click handler.
int ColumnsPerRow = kLargeColumns;

namespace {

const char kRowText[] = "Muu";

struct RowFill {
    int counter;
    int formatIndex;
};

int AddRowEntry(int, HostEntity* entity, intptr_t fillValue, intptr_t) {
    auto* fill = reinterpret_cast<RowFill*>(fillValue);
    if (!ShownEntry(entity, fill->formatIndex)) return 0;
    if (fill->counter == 0) {
        int index = host::AddLstStr(IDC_BROWSE_LIST, kRowText);
        if (index >= 0) host::SetLstDta(IDC_BROWSE_LIST, index, reinterpret_cast<intptr_t>(entity));
    }
    if (++fill->counter >= ColumnsPerRow) fill->counter = 0;
    return 0;
}

// The walk hands over its own entity variable, so that MakePictures can
// point it at the entry's new place when the entry moves.
int MakeMissingPicture(int, HostEntity* entity, intptr_t formatIndex, intptr_t) {
    ImageInfoRecord* entry = ShownEntry(entity, static_cast<int>(formatIndex));
    if (!entry || entry->state != kNoPicture) return 0;
    ShowLoadingStatus(entry->name);
    MakePictures(&entity);
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

void FillBrowseList() {
    char count[16];
    FormatText(count, sizeof count, "%d", FoundCount);
    SetControlText(IDC_BROWSE_DIR, browseDirectory);
    SetControlText(IDC_BROWSE_COUNT, count);
    host::ClrLstStr(IDC_BROWSE_LIST);
    ColumnsPerRow = ColumnsForList();
    RowFill fill = {0, FormatIndex};
    if (CacheList) host::DLScan(CacheList, AddRowEntry, kScanAll, reinterpret_cast<intptr_t>(&fill), 0);
    LinkViewChain(FormatIndex);
}

// The framed picture stays framed through a refill, also when the rows
// change from three to six pictures.
int RefreshBrowseList() {
    int framed = FramedPicture();
    FillBrowseList();
    FramePicture(framed);
    host::UpdCtl(IDC_BROWSE_LIST);
    return kKeepOpen;
}

void CacheMissingPictures(int formatIndex) {
    BeginPictureBatch();
    if (CacheList) host::DLScan(CacheList, MakeMissingPicture, kScanAll, formatIndex, 0);
    EndPictureBatch();
    host::StatusMsg(nullptr);
}

int InitBrowseList() {
    if (Options.alwaysCache) CacheMissingPictures(FormatIndex);
    RefreshBrowseList();
    TellLeftOutFiles();
    if (commandMode == ModeTemplate) {
        host::DsAbCtl(IDC_BROWSE_FORMAT);
        host::DsAbCtl(IDC_BROWSE_FORMATLABEL);
    }
    return kKeepOpen;
}

int ChangeBrowseFormat() {
    ScanBrowseDir(FormatIndex);
    return InitBrowseList();
}

HWND BrowseListWindow() {
    HWND dialog = host::GetDlgWin();
    return dialog ? GetDlgItem(dialog, IDC_BROWSE_LIST) : nullptr;
}

bool ColumnsChanged() { return ColumnsForList() != ColumnsPerRow; }

// The user may have scrolled away from the framed picture: the refill keeps
// both where they were.
int CacheAll() {
    CacheMissingPictures(FormatIndex);
    HWND list = BrowseListWindow();
    LRESULT top = list ? SendMessageA(list, LB_GETTOPINDEX, 0, 0) : 0;
    int framed = FramedPicture();
    FillBrowseList();
    FramePicture(framed, false);
    if (list) SendMessageA(list, LB_SETTOPINDEX, top, 0);
    host::UpdCtl(IDC_BROWSE_LIST);
    return kKeepOpen;
}
