// The keyboard's frame over the pictures: which picture is framed (the
// list's caret row and the showing's framed column), the pictures counted
// through the rows and the view chain, and the row kept in view.
#include "browser/browserinternal.h"

#include <algorithm>

#include "host/host.h"
#include "resources/resource.h"

namespace {

LRESULT SendToList(HWND list, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageA(list, message, wParam, lParam);
}

// The list box itself would only make a row partly visible, and a row is
// taller than the part of a third row that shows.
void KeepRowInView(HWND list, int row) {
    int top = static_cast<int>(SendToList(list, LB_GETTOPINDEX));
    int visible = VisibleRows(list);
    if (row < top) top = row;
    else if (row >= top + visible) top = row - visible + 1;
    else return;
    SendToList(list, LB_SETTOPINDEX, top);
}

}  // namespace

ImageInfoRecord* RowEntry(int row) {
    intptr_t data = host::GetLstDta(IDC_BROWSE_LIST, row);
    return data == -1 ? nullptr : AsImageInfo(reinterpret_cast<HostEntity*>(data));
}

// Every row is full but the last: the count is the full rows and what the
// chain holds from the last row's first entry on.
int PictureCount(HWND list) {
    int rows = static_cast<int>(SendToList(list, LB_GETCOUNT));
    if (rows <= 0) return 0;
    int columns = Showing.ColumnsPerRow;
    // Past the cache's limit the entries fill whole rows; the files without
    // an entry follow.
    if (rows > Showing.unlistedFirstRow) {
        return Showing.unlistedFirstRow * columns + static_cast<int>(Showing.unlistedFiles.size());
    }
    int inLast = 0;
    for (ImageInfoRecord* entry = RowEntry(rows - 1); entry && inLast < columns;
         entry = AsImageInfo(entry->nextShown)) {
        ++inLast;
    }
    return (rows - 1) * columns + inLast;
}

ImageInfoRecord* PictureEntry(int picture) {
    ImageInfoRecord* entry = RowEntry(picture / Showing.ColumnsPerRow);
    for (int i = 0; entry && i < picture % Showing.ColumnsPerRow; ++i) entry = AsImageInfo(entry->nextShown);
    return entry;
}

// The page of Page Up and Down.
int VisibleRows(HWND list) {
    RECT client;
    int height = static_cast<int>(SendToList(list, LB_GETITEMHEIGHT, 0));
    if (!GetClientRect(list, &client) || height <= 0) return 1;
    return std::max(1, static_cast<int>(client.bottom / height));
}

void RedrawRow(HWND list, int row) {
    RECT item;
    if (row >= 0 && SendToList(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item)) != LB_ERR) {
        InvalidateRect(list, &item, FALSE);
    }
}

int MoveFrame(int picture, int key, int count, int columns, int pageRows) {
    if (count <= 0 || columns <= 0) return -1;
    int last = count - 1;
    picture = std::max(0, std::min(picture, last));
    int column = picture % columns;
    int page = std::max(1, pageRows) * columns;
    switch (key) {
        case VK_LEFT: return std::max(0, picture - 1);
        case VK_RIGHT: return std::min(last, picture + 1);
        case VK_HOME: return 0;
        case VK_END: return last;
        case VK_UP: return picture >= columns ? picture - columns : picture;
        case VK_PRIOR: return picture >= page ? picture - page : column;
        // Down from above a short last row lands on its last picture.
        case VK_DOWN: return picture / columns < last / columns ? std::min(last, picture + columns) : picture;
        case VK_NEXT: return std::min(last, picture + page <= last ? picture + page
                                                                    : last / columns * columns + column);
    }
    return picture;
}

int FramedPicture() {
    HWND list = BrowseListWindow();
    int count = list ? PictureCount(list) : 0;
    if (count == 0) return -1;
    int row = std::max(0, static_cast<int>(SendToList(list, LB_GETCARETINDEX)));
    return std::min(count - 1, row * Showing.ColumnsPerRow + Showing.framedColumn);
}

void FramePicture(int picture, bool intoView) {
    HWND list = BrowseListWindow();
    int count = list ? PictureCount(list) : 0;
    picture = std::max(0, std::min(picture, count - 1));
    Showing.framedColumn = picture % Showing.ColumnsPerRow;
    if (count == 0) return;
    int row = picture / Showing.ColumnsPerRow;
    int before = static_cast<int>(SendToList(list, LB_GETCARETINDEX));
    SendToList(list, LB_SETCURSEL, row);
    if (intoView) KeepRowInView(list, row);
    RedrawRow(list, before);
    RedrawRow(list, row);
}
