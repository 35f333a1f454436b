// The owner-draw callback of the browse list: a row of 3 large or 6 small
// pictures with their names, pictures missing from the cache made on the spot.
#include "browser/browser.h"
#include "browser/browserinternal.h"

#include <algorithm>

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/state.h"
#include "preview/preview.h"
#include "resources/resource.h"
#include "settings/settings.h"

namespace {

enum { kFrameWidth = 2 };

// The copy is the box's width and its height plus one, from (0, 0), over
// all stored rows. The system clips it to the picture, so nothing past the
// stored rows is read: the rest of the box keeps its background, and the
// picture's top row lands one pixel below the box's top edge, its bottom
// row on the bottom edge. At other densities the stored picture is
// stretched to its scaled size, placed the same way.
int CopyPicture(HDC dc, const RECT& box, const void* bits, PictureSize size) {
    const PictureDescription description = DescribePicture(size);
    const BITMAPINFO* format = reinterpret_cast<const BITMAPINFO*>(&description);
    int width = description.header.biWidth, height = description.header.biHeight;
    if (Showing.rowDpi == kDefaultDpi) {
        return SetDIBitsToDevice(dc, box.left, box.top, box.right - box.left, box.bottom - box.top + 1, 0, 0,
                                 0, height, bits, format, DIB_RGB_COLORS);
    }
    int scaledHeight = ScaleToDpi(height);
    int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    int copied = StretchDIBits(dc, box.left, box.bottom + 1 - scaledHeight, ScaleToDpi(width), scaledHeight,
                               0, 0, width, height, bits, format, DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(dc, oldMode);
    return copied;
}

// Draws a picture of state 1 into its box; false when the copy failed.
bool DrawPicture(HDC dc, const RECT& box, const ImageInfoRecord* entry) {
    if (!SmallPictures) return CopyPicture(dc, box, entry->largePicture, kLargePicture) != 0;
    if (TakesSmallPicture(*entry) && entry->smallPresent) {
        return CopyPicture(dc, box, entry->smallPicture, kSmallPicture) != 0;
    }
    // No small picture: the large one shrunk into the small box.
    const PictureDescription large = DescribePicture(kLargePicture);
    return StretchDIBits(dc, box.left, box.top, box.right - box.left, box.bottom - box.top + 1, 0, 0,
                         kLargeWidth - 1, kLargeHeight - 1, entry->largePicture,
                         reinterpret_cast<const BITMAPINFO*>(&large), DIB_RGB_COLORS, SRCCOPY) != 0;
}

// A text on a band of the background colour; the band is filled first, so
// nothing drawn before shows through round the letters.
void DrawBandText(const RECT& band, const char* text) {
    host::DevUseBkColor(host::kBackgroundColour);
    host::DevUseColor(host::kBackgroundColour);
    host::DevSRect(&band);
    host::DevUseColor(host::kTextColour);
    HFONT kept = host::DevFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    host::DevVText(text, &band);
    if (kept) host::DevFont(kept);
}

void DrawName(const RECT& box, const char* name) { DrawBandText(NameBand(box), name); }

// A short note across an empty frame, saying why it holds no picture:
// without it a junk file, or one past the cache's limit, looks like one
// whose picture is still to come.
void DrawFrameNote(HDC dc, const RECT& box, const char* note) {
    enum { kPadding = 3 };
    // As high as the name band under the box, so the letters fit alike.
    const RECT nameBand = NameBand(box);
    const LONG height = nameBand.bottom - nameBand.top;
    SIZE size = {0, height};
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    GetTextExtentPoint32A(dc, note, lstrlenA(note), &size);
    if (old) SelectObject(dc, old);
    LONG width = std::min<LONG>(size.cx + 2 * kPadding, box.right - box.left - 2 * kPadding);
    LONG left = (box.left + box.right - width) / 2;
    LONG top = (box.top + box.bottom - height) / 2;
    RECT band = {left, top, left + width, top + height + 1};
    // The band's text starts at its left edge.
    RECT text = band;
    text.left += kPadding;
    DrawBandText(band, "");
    DrawBandText(text, note);
}

// Makes the entry's pictures; the entry may move, and then the shown
// pictures, the row's data and the chain follow it.
void MakeOnDemand(HostEntity** entity, int picture) {
    const ImageInfoRecord* entry = AsImageInfo(*entity);
    if (!entry) return;
    ShowLoadingStatus(entry->name);
    MakePictures(entity);
    ShownEntryMoved(picture, *entity);
    host::StatusMsg(nullptr);
}

// The keyboard's frame in the system's highlight colour, in the gaps round
// the box. Large rows leave room under the name band, so the name is framed
// too; small rows end with the band, whose last rows hold the underscores
// and descenders of the name, so there only the picture is framed. At 96
// pixels per inch its bottom edge takes the band's first two rows, above
// the letters; at other densities the letters start higher in the band and
// the frame, thicker, cut their tops: there the edge stays above the band,
// on the picture's last rows.
void DrawFocusFrame(HDC dc, const RECT& item, int column, bool small, int colour = COLOR_HIGHLIGHT) {
    RECT box = PictureBox(item, column, small);
    int width = ScaleToDpi(kFrameWidth);
    LONG bottom = !small ? NameBand(box).bottom + width
                  : Showing.rowDpi == kDefaultDpi ? box.bottom + 1 + width
                                                  : NameBand(box).top;
    RECT frame = {box.left - width, box.top - width, box.right + width, std::min<LONG>(bottom, item.bottom)};
    HBRUSH brush = GetSysColorBrush(colour);
    for (int ring = 0; ring < width; ++ring) {
        FrameRect(dc, &frame, brush);
        InflateRect(&frame, -1, -1);
    }
}

// A file past the cache's limit: the empty frame, a short text in it, and
// the name.
void DrawUnlistedFile(HDC dc, const RECT& box, const UnlistedFile& file) {
    DrawEmptyFrame(&box);
    DrawFrameNote(dc, box, "Cache full");
    DrawName(box, file.name);
}

int CaretRow() {
    HWND list = BrowseListWindow();
    return list ? static_cast<int>(SendMessageA(list, LB_GETCARETINDEX, 0, 0)) : -1;
}

// An entry's pictures, made first when the cache lacks them.
void DrawEntry(HDC dc, const RECT& box, HostEntity* entity, int picture) {
    const ImageInfoRecord* entry = AsImageInfo(entity);
    if (!entry) return;
    // A drawing found unreadable in this showing is not loaded again.
    if ((entry->state == kNoPicture || !colourTableReady) && !IsUnreadable(entry)) {
        MakeOnDemand(&entity, picture);
        entry = AsImageInfo(entity);
        if (!entry) return;
    }
    // Stored rows index the colour table: without one they mean nothing.
    bool drawn = entry->state == kPictureMade && colourTableReady && DrawPicture(dc, box, entry);
    if (!drawn) DrawEmptyFrame(&box);
    if (!drawn && IsUnreadable(entry)) DrawFrameNote(dc, box, "Unreadable");
    DrawName(box, entry->name);
}

// The pictures of the row as the shown list has them: folders, entries and
// files past the cache's limit alike.
void DrawRow(const DRAWITEMSTRUCT* item) {
    int columns = Showing.ColumnsPerRow;
    int first = static_cast<int>(item->itemID) * columns;
    if (!ShownAt(first)) return;
    GetDCOrgEx(item->hDC, &Showing.ListOrigin);
    if (!colourTableReady) LoadColorMap();
    bool small = SmallPictures != 0;
    int columnsDrawn = 0;
    for (int column = 0; column < columns; ++column) {
        const ShownItem* shown = ShownAt(first + column);
        if (!shown) break;
        RECT box = PictureBox(item->rcItem, column, small);
        switch (shown->kind) {
            case kShownFolder: DrawFolderTile(item->hDC, box, Showing.subfolders[shown->index].name); break;
            case kShownUnlisted: DrawUnlistedFile(item->hDC, box, Showing.unlistedFiles[shown->index]); break;
            case kShownEntry: DrawEntry(item->hDC, box, shown->entity, first + column); break;
        }
        columnsDrawn = column + 1;
    }
    // The list's focus row carries the frame; a short last row frames its
    // last picture. While searching, a list without the focus shows its
    // frame in grey, as a selection without the focus: it is the picture
    // that Enter in the Find box picks.
    bool framed = (item->itemState & ODS_FOCUS) || (Searching() && static_cast<int>(item->itemID) == CaretRow());
    if (framed && columnsDrawn > 0) {
        DrawFocusFrame(item->hDC, item->rcItem, std::min(Showing.framedColumn, columnsDrawn - 1), small,
                       (item->itemState & ODS_FOCUS) ? COLOR_HIGHLIGHT : COLOR_BTNSHADOW);
    }
}

}  // namespace

int DrawBrowseRow(int action, void* item) {
    if (action == kMeasureRow) return RowHeight(SmallPictures != 0);
    if (action != kDrawRow || !item) return 0;
    auto* draw = static_cast<const DRAWITEMSTRUCT*>(item);
    if (draw->itemID == static_cast<UINT>(-1)) return 0;
    host::DevUseOwnerDraw(draw);
    host::DevUseColor(host::kBackgroundColour);
    host::DevSRect(&draw->rcItem);
    DrawRow(draw);
    host::DevUsePrior();
    return 0;
}
