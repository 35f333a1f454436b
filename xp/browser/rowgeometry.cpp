// Where the pictures of a row lie: the one geometry that the painter, the
// click handler, the keys and the fill of the list all ask. At 96 pixels per
// inch it is the classic table, pixel for pixel; at other densities every
// length grows with the dialog's font, so a row holds as many pictures at
// the dialog's default size whatever the screen.
#include "browser/browserinternal.h"

#include <algorithm>

#include "browsecache/imageinfo.h"

namespace {

struct Geometry {
    int firstLeft, pitch, width, topGap, height, rowHeight;
};
const Geometry kLarge = {12, 191, 186, 5, kLargeHeight, kLargeRowHeight};
const Geometry kSmall = {5, 97, 92, 2, kSmallHeight, kSmallRowHeight};
enum { kBandHeight = 12 };

const Geometry& GeometryOf(bool small) { return small ? kSmall : kLarge; }

}  // namespace

int ScaleToDpi(int length) { return MulDiv(length, Showing.rowDpi, kDefaultDpi); }

RECT PictureBox(const RECT& item, int column, bool small) {
    const Geometry& g = GeometryOf(small);
    int left = g.firstLeft + g.pitch * column;
    RECT box;
    box.left = ScaleToDpi(left);
    box.right = ScaleToDpi(left + g.width);
    box.top = item.top + ScaleToDpi(g.topGap);
    box.bottom = box.top + ScaleToDpi(g.height);
    return box;
}

RECT NameBand(const RECT& box) {
    RECT band = {box.left, box.bottom + 1, box.right, box.bottom + 1 + ScaleToDpi(kBandHeight)};
    return band;
}

int RowHeight(bool small) { return ScaleToDpi(GeometryOf(small).rowHeight); }

// As many pictures as fit whole, at least one: a list narrower than one
// picture still shows one, cut at the list's edge.
int ColumnsForWidth(int width, bool small) {
    const RECT row = {0, 0, 0, 0};
    int columns = 1;
    while (columns < kMaxColumns && PictureBox(row, columns, small).right <= width) ++columns;
    return columns;
}

// Column i takes the clicks from the right edge of box i - 1 (the list's
// left edge for the first) up to its own right edge: the picture, its name
// band and the gap before it. The edges are the painter's own boxes, so a
// click always names the picture drawn under it; right of the last box of a
// row nothing is hit.
int HitColumn(int dx, bool small, int columns) {
    if (dx < 0) return -1;
    const RECT row = {0, 0, 0, 0};
    for (int column = 0; column < columns; ++column) {
        if (dx < PictureBox(row, column, small).right) return column;
    }
    return -1;
}
