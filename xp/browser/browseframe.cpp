// The keyboard's frame over the pictures: which picture is framed (the
// list's caret row and the showing's framed column), and the row kept in
// view.
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

// Between a scan or a batch of pictures and the fill after it the list has
// rows but no pictures shown: the frame's place still counts, for the fill
// to keep.
int FramedPicture() {
    HWND list = BrowseListWindow();
    if (!list || SendToList(list, LB_GETCOUNT) <= 0) return -1;
    int row = std::max(0, static_cast<int>(SendToList(list, LB_GETCARETINDEX)));
    int picture = row * Showing.ColumnsPerRow + Showing.framedColumn;
    int count = PictureCount(list);
    return count > 0 ? std::min(count - 1, picture) : picture;
}

void FramePicture(int picture, bool intoView) {
    HWND list = BrowseListWindow();
    int count = list ? PictureCount(list) : 0;
    picture = std::max(0, std::min(picture, count - 1));
    Showing.framedColumn = picture % Showing.ColumnsPerRow;
    if (count == 0) return;
    int row = picture / Showing.ColumnsPerRow;
    int before = static_cast<int>(SendToList(list, LB_GETCARETINDEX));
    LRESULT topBefore = SendToList(list, LB_GETTOPINDEX);
    SendToList(list, LB_SETCURSEL, row);
    if (intoView) KeepRowInView(list, row);
    RedrawRow(list, before);
    RedrawRow(list, row);
    // The list scrolls to show the row (selecting it scrolls too): the
    // tooltip then names what the pointer is over now.
    if (SendToList(list, LB_GETTOPINDEX) != topBefore) TipFollowsPointer();
}
