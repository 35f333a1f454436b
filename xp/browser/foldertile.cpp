// A subfolder's tile in the browse list: a folder drawn in the picture box,
// its full name under it, broken over as many lines as the box holds (a
// file's name band shows only what fits on one line; a folder has no
// picture to fill the box with, so its name takes the room).
#include "browser/browserinternal.h"

#include <algorithm>

namespace {

// The folder's shape, as parts of the box's width.
const double kBodyWidth = 0.62, kBodyHeight = 0.42, kTabWidth = 0.36, kTabHeight = 0.09;
const COLORREF kBackColour = RGB(222, 170, 60), kFrontColour = RGB(250, 212, 110), kEdgeColour = RGB(140, 98, 28);
const COLORREF kNameColour = RGB(0, 0, 0);
const UINT kNameFormat = DT_CENTER | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX;
enum { kGap = 4 };

int Part(int length, double share) { return static_cast<int>(length * share + 0.5); }

// The back with its tab, and the front a little lower, as an open folder
// seen from the front, its top at top. The stock DC brush and pen take the
// colours: nothing is made that would have to be deleted.
void DrawFolderShape(HDC dc, const RECT& box, int top) {
    int width = box.right - box.left;
    int bodyWidth = Part(width, kBodyWidth), bodyHeight = Part(width, kBodyHeight);
    int left = box.left + (width - bodyWidth) / 2;
    int right = left + bodyWidth, bottom = top + bodyHeight;
    int tab = std::max(2, Part(width, kTabHeight));
    int tabRight = left + Part(width, kTabWidth);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(DC_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(DC_PEN));
    COLORREF oldPenColour = SetDCPenColor(dc, kEdgeColour);
    COLORREF oldBrushColour = SetDCBrushColor(dc, kBackColour);
    const POINT back[] = {{left, top + tab},  {left, top},     {tabRight - tab, top}, {tabRight, top + tab},
                          {right, top + tab}, {right, bottom}, {left, bottom}};
    Polygon(dc, back, sizeof back / sizeof back[0]);
    SetDCBrushColor(dc, kFrontColour);
    Rectangle(dc, left, top + 2 * tab, right, bottom);
    SetDCBrushColor(dc, oldBrushColour);
    SetDCPenColor(dc, oldPenColour);
    if (oldPen) SelectObject(dc, oldPen);
    if (oldBrush) SelectObject(dc, oldBrush);
}

}  // namespace

// The folder and a one-line name stand together in the middle of the box
// and its name band, so that folders line up in a row; a longer name moves
// its folder up as far as it needs, and what does not fit even then is cut
// at the band's end (the tooltip names it whole).
void DrawFolderTile(HDC dc, const RECT& box, const char* name) {
    RECT area = {box.left, box.top, box.right, NameBand(box).bottom};
    int shapeHeight = Part(box.right - box.left, kBodyHeight), gap = ScaleToDpi(kGap);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICA font = {};
    GetTextMetricsA(dc, &font);
    RECT measured = {area.left, 0, area.right, 0};
    DrawTextA(dc, name, -1, &measured, kNameFormat | DT_CALCRECT);
    int height = area.bottom - area.top;
    int top = (height - (shapeHeight + gap + font.tmHeight)) / 2;
    top = std::min<int>(top, height - (shapeHeight + gap + (measured.bottom - measured.top)));
    top = area.top + std::max(gap, top);
    DrawFolderShape(dc, box, top);
    RECT text = {area.left, top + shapeHeight + gap, area.right, area.bottom};
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour = SetTextColor(dc, kNameColour);
    DrawTextA(dc, name, -1, &text, kNameFormat);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    if (oldFont) SelectObject(dc, oldFont);
}
