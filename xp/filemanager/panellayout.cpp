// The panel's place beside the system dialog's own controls at every size
// and DPI, and the size of the picture its preview box holds.
//
// The system dialog places the panel once (the template's controls right of
// stc32 go right of its own controls, those below it go below them) and
// moves them again at every resize by a rule of its own: Wine moves what
// lies right of its file list to the right and what lies below it down, so
// the buttons and check boxes under the preview box stayed behind when the
// box went right. Here each control keeps the distances the first placing
// gave it to the edges it follows, whatever the size.
#include "filemanager/panel.h"

#include "module/state.h"
#include "resources/resource.h"

namespace {

// Pixels the box may exceed the picture by and still show it at its own
// size: the template's box is 181 x 188 give or take the pixels that the
// dialog font's rounding leaves at 96 DPI.
enum { kFitSlack = 4 };

// A list box item is at most 255 pixels high; a taller box is drawn whole
// by its one item all the same (paneldraw.cpp).
enum { kMaxItemHeight = 255 };

// A window's rectangle in the panel's client coordinates.
RECT RectInPanel(HWND panel, HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int DialogUnitsWide(HWND panel, int units) {
    RECT rect = {0, 0, units, 0};
    MapDialogRect(panel, &rect);
    return rect.right;
}

void MoveTo(HWND window, const RECT& rect) {
    SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// The panel's right-hand column ("Preview:", the preview box and the
// buttons under it) is kept clear of the system dialog's own controls.
// Wine widens the place of those controls (stc32) beyond the template but
// moves the controls to its right by less, and its toolbar then covered the
// "Preview:" label and the box's top-left corner. Once the dialog has placed
// everything, the column moves right past whatever system control reaches
// into it; where nothing does (as on Windows), nothing moves.
void KeepColumnClear(HWND panel) {
    HWND box = GetDlgItem(panel, IDC_FILE_PREVIEW);
    if (!box) return;
    RECT boxRect = RectInPanel(panel, box);
    int reach = DialogUnitsWide(panel, 4);  // the column starts a unit or so left of the box
    RECT column = boxRect;
    for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect = RectInPanel(panel, child);
        if (rect.left < boxRect.left - reach) continue;
        if (rect.left < column.left) column.left = rect.left;
        if (rect.top < column.top) column.top = rect.top;
    }
    enum { kGap = 2 };
    int shift = 0;
    HWND first = GetWindow(GetParent(panel), GW_CHILD);
    for (HWND other = first; other; other = GetWindow(other, GW_HWNDNEXT)) {
        // The dialog is not shown yet: what will show carries WS_VISIBLE.
        if (other == panel || !(GetWindowLongA(other, GWL_STYLE) & WS_VISIBLE)) continue;
        RECT rect = RectInPanel(panel, other);
        bool reaches = rect.top < boxRect.bottom && rect.bottom > column.top && rect.left < boxRect.right &&
                       rect.right + kGap > column.left;
        if (reaches && rect.right + kGap - column.left > shift) shift = rect.right + kGap - column.left;
    }
    if (shift == 0) return;
    for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect = RectInPanel(panel, child);
        if (rect.left < column.left) continue;
        SetWindowPos(child, nullptr, rect.left + shift, rect.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// The notes tree ends a margin short of the first control beside it. The
// template's tree reaches under the check boxes' place, which Wine's shift
// of the panel's right part clears at 96 DPI; at 120 DPI that shift is
// smaller and the tree covered "Auto-preview".
void KeepNotesClear(HWND panel) {
    HWND tree = GetDlgItem(panel, IDC_FILE_NOTES);
    if (!tree) return;
    RECT treeRect = RectInPanel(panel, tree);
    int limit = treeRect.right + DialogUnitsWide(panel, 7);
    for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (child == tree || !(GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE)) continue;
        RECT rect = RectInPanel(panel, child);
        bool beside = rect.left > treeRect.left && rect.top < treeRect.bottom && rect.bottom > treeRect.top;
        if (beside && rect.left < limit) limit = rect.left;
    }
    int right = limit - DialogUnitsWide(panel, 7);
    if (right >= treeRect.right) return;
    treeRect.right = right > treeRect.left ? right : treeRect.left + 1;
    MoveTo(tree, treeRect);
}

// The item is as high as the picture the box holds, as far as an item can
// be. The box once stopped growing there, and a tall dialog kept an empty
// band under it. True when that picture's size changed.
bool FitPreviewItem(HWND panel) {
    PanelLayout& layout = ShownPanel.layout;
    HWND box = GetDlgItem(panel, IDC_FILE_PREVIEW);
    if (!box) return false;
    SIZE picture = PreviewPictureSize(panel);
    SendMessageA(box, LB_SETITEMHEIGHT, 0, picture.cy < kMaxItemHeight ? picture.cy : static_cast<LONG>(kMaxItemHeight));
    if (picture.cx == layout.picture.cx && picture.cy == layout.picture.cy) return false;
    layout.picture = picture;
    return true;
}

// The start of every control once the dialog has placed the panel.
void TakeStartRects(HWND panel) {
    PanelLayout& layout = ShownPanel.layout;
    layout.picture = {kLargeWidth, kLargeHeight};
    RECT client;
    GetClientRect(panel, &client);
    layout.start = {client.right, client.bottom};
    for (int i = 0; i < layout.count; ++i) {
        layout.controls[i].start = RectInPanel(panel, layout.controls[i].window);
    }
    layout.panel = panel;
}

}  // namespace

SIZE PreviewPictureSize(HWND panel) {
    RECT client = {0, 0, 0, 0};
    HWND box = GetDlgItem(panel, IDC_FILE_PREVIEW);
    if (box) GetClientRect(box, &client);
    SIZE picture = {kLargeWidth, kLargeHeight};
    if (client.right > kLargeWidth + kFitSlack) picture.cx = client.right;
    if (client.bottom > kLargeHeight + kFitSlack) picture.cy = client.bottom;
    return picture;
}

POINT PictureOffset(const RECT& item, int width, int height) {
    int spareX = (item.right - item.left) - width, spareY = (item.bottom - item.top) - height;
    return {spareX > kFitSlack ? spareX / 2 : 0, spareY > kFitSlack ? spareY / 2 : 0};
}

// Which edges each control follows is read from the template's own
// positions, before the dialog moves anything: right of stc32, below stc32.
// The template puts "File notes:" and "Preview" at stc32's very edge, and
// each position is rounded from dialog units on its own: at 144 DPI stc32
// ends a pixel below them, the dialog took them for controls beside its
// own and left them behind while the rest of the panel went down, and its
// file list then grew over "File notes:". A pixel's rounding is allowed.
void NotePanelTemplate(HWND panel) {
    PanelLayout& layout = ShownPanel.layout;
    HWND place = GetDlgItem(panel, IDC_FILE_SYSTEM);
    RECT system = place ? RectInPanel(panel, place) : RECT{0, 0, 0, 0};
    enum { kRounding = 1 };
    for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (child == place || layout.count == kMaxPanelControls) continue;
        PlacedControl& placed = layout.controls[layout.count++];
        placed.window = child;
        placed.atTemplate = RectInPanel(panel, child);
        placed.followsRight = placed.atTemplate.left >= system.right - kRounding;
        placed.followsBottom = placed.atTemplate.top >= system.bottom - kRounding;
    }
}

// Every control the dialog should have moved right (or down) goes as far
// as the ones it did move. Where the dialog moved them all alike, nothing
// moves.
void CompleteDialogShift(HWND panel) {
    const PanelLayout& layout = ShownPanel.layout;
    int dx = 0, dy = 0;
    for (int i = 0; i < layout.count; ++i) {
        const PlacedControl& placed = layout.controls[i];
        RECT now = RectInPanel(panel, placed.window);
        if (placed.followsRight && now.left - placed.atTemplate.left > dx) dx = now.left - placed.atTemplate.left;
        if (placed.followsBottom && now.top - placed.atTemplate.top > dy) dy = now.top - placed.atTemplate.top;
    }
    for (int i = 0; i < layout.count; ++i) {
        const PlacedControl& placed = layout.controls[i];
        RECT now = RectInPanel(panel, placed.window), want = now;
        if (placed.followsRight) OffsetRect(&want, placed.atTemplate.left + dx - now.left, 0);
        if (placed.followsBottom) OffsetRect(&want, 0, placed.atTemplate.top + dy - now.top);
        if (!EqualRect(&want, &now)) MoveTo(placed.window, want);
    }
}

bool ArrangePanel(HWND panel) {
    CompleteDialogShift(panel);
    KeepColumnClear(panel);
    KeepNotesClear(panel);
    TakeStartRects(panel);
    return FitPreviewItem(panel);
}

// The preview box takes the height the dialog gains, the notes tree the
// width; everything else keeps its distances to the edges it follows.
bool FollowPanelSize(HWND panel) {
    const PanelLayout& layout = ShownPanel.layout;
    if (layout.panel != panel) return false;
    RECT client;
    GetClientRect(panel, &client);
    int dx = client.right - layout.start.cx, dy = client.bottom - layout.start.cy;
    HWND box = GetDlgItem(panel, IDC_FILE_PREVIEW), tree = GetDlgItem(panel, IDC_FILE_NOTES);
    for (int i = 0; i < layout.count; ++i) {
        const PlacedControl& placed = layout.controls[i];
        RECT rect = placed.start;
        if (placed.followsRight) OffsetRect(&rect, dx, 0);
        if (placed.followsBottom) OffsetRect(&rect, 0, dy);
        if (placed.window == box) rect.bottom += dy;
        if (placed.window == tree) rect.right += dx;
        MoveTo(placed.window, rect);
    }
    KeepNotesClear(panel);
    bool refit = FitPreviewItem(panel);
    RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return refit;
}

