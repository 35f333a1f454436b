// The preview box: the cached picture of the selected file, or the preview
// drawing through the renderer; a fresh cache entry receives what was drawn.
#include "filemanager/panel.h"

#include <assert.h>

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/gdi.h"
#include "module/state.h"
#include "module/text.h"
#include "preview/preview.h"
#include "settings/settings.h"

namespace {

enum { kBackgroundColour = 15 };  // the host's colour of backgrounds

// Every conversion through PictureInfo fills exactly one large picture; a
// description left at another size would read or write past the entry.
bool DescribesLargePicture() {
    const BITMAPINFOHEADER& header = PictureInfo.header;
    bool large = header.biWidth == kLargeWidth && header.biHeight == kLargeHeight && header.biBitCount == 8;
    assert(large);
    return large;
}

// One SetDIBitsToDevice of the stored 8-bit rows; the box is left as it was
// when the copy fails. The stored picture serves only while nothing is
// loaded: a loaded drawing is what Zoom all and Show all redraw, and taking
// the stored picture once it had been stored made both buttons do nothing.
bool DrawCachedPicture(HWND panel, const DRAWITEMSTRUCT* drawItem, HDC paintDC) {
    ImageInfoRecord* entry = CacheList ? AsImageInfo(currentEntry) : nullptr;
    if (useBrowseFile != 1 || PreviewDrawing || !entry || entry->state != kPictureMade) return false;
    if (colourTableReady != 1 || !DescribesLargePicture()) return false;
    const RECT& item = drawItem->rcItem;
    // The item is wider than the picture: the strip beside it is cleared,
    // or it would keep the previous picture.
    RECT strip = {item.left + kLargeWidth, item.top, item.right, item.bottom};
    if (strip.right > strip.left) {
        host::DevUseColor(kBackgroundColour);
        host::DevSRect(&strip);
    }
    HRGN clip = MakeRectRegion(&item);
    if (clip) SelectClipRgn(paintDC, clip);
    int copied = SetDIBitsToDevice(drawItem->hDC, item.left, item.top, item.right - item.left,
                                   item.bottom - item.top + 1, 0, 0, 0, kLargeHeight, entry->largePicture,
                                   reinterpret_cast<const BITMAPINFO*>(&PictureInfo), DIB_RGB_COLORS);
    if (!copied && clip) SelectClipRgn(paintDC, nullptr);
    DropObject(clip);
    if (NotesRequest == 1) {
        HDL notes = host::DLGetSubList(currentEntry);
        if (notes) {
            BeginNotesFill(panel);
            host::DLScan(notes, NoteScanCallback, kScanAll, reinterpret_cast<intptr_t>(panel), 0);
            EndNotesFill(panel);
            NotesRequest = 0;
        }
    }
    return true;
}

bool SelectedIsSymbolLibrary(HWND panel) {
    const ImageInfoRecord* entry = AsImageInfo(currentEntry);
    if (entry) return HasExtension(entry->name, "KVS");
    char name[kDialogTextSize];
    return GetSelectedName(panel, name) && HasExtension(name, "KVS");
}

// The first picture drawn after a selection (the off-screen render) goes
// into the selected file's fresh entry, converted to 8 bits through
// PictureInfo, with the notes of the list drawn, as the browser makes an
// entry whole. An entry that holds a picture is refreshed only while the
// colour table is not ready (the conversion fills it); what Zoom all and
// Show all draw later is never stored.
void StorePictureInCache(const DRAWITEMSTRUCT* drawItem, HDL drawList) {
    ImageInfoRecord* entry = CacheList ? AsImageInfo(currentEntry) : nullptr;
    if (useBrowseFile != 1 || !entry || !ScreenCopy || !drawList || !DescribesLargePicture()) return;
    if (entry->state != kNoPicture && !(entry->state == kPictureMade && colourTableReady == 0)) return;
    HDC memory = MakeMemoryDC(drawItem->hDC);
    if (!memory) return;
    if (GetDIBits(memory, ScreenCopy, 0, kLargeHeight, entry->largePicture,
                  reinterpret_cast<BITMAPINFO*>(&PictureInfo), DIB_RGB_COLORS)) {
        if (entry->state == kNoPicture) CacheDirty = 1;
        entry->state = kPictureMade;
        if (colourTableReady == 0) SaveColorMap();
        StoreEntryNotes(&currentEntry, drawList);
    }
    DropDC(memory);
}

}  // namespace

// The clip region goes on the item's own device context. BeginPaint on the
// panel here, outside its WM_PAINT, would erase the panel's pending update
// region over controls that had already painted (the panel has no
// WS_CLIPCHILDREN) and then validate it, leaving the controls blank; and a
// clip on the panel's context would not clip the item at all.
void DrawPreviewBox(HWND panel, const DRAWITEMSTRUCT* drawItem) {
    if (static_cast<int>(drawItem->itemID) == -1) return;
    HDC paintDC = drawItem->hDC;
    // PaintPreviewItem ends by removing the clip region, the one the list box
    // set around its item among it: the context goes back as it was given.
    int saved = SaveDC(paintDC);
    host::DevUseOwnerDraw(drawItem);
    if (colourTableReady == 0) LoadColorMap();
    if (!DrawCachedPicture(panel, drawItem, paintDC)) {
        HDL drawList = nullptr;
        if (PreviewDrawing) {
            drawList = SelectedIsSymbolLibrary(panel) ? SymbolListOrDrawing(PreviewDrawing) : PreviewDrawing;
            PaintPreviewItem(drawItem, drawList, paintDC, panel);
        } else {
            DrawEmptyFrame(&drawItem->rcItem);
        }
        StorePictureInCache(drawItem, drawList);
    }
    host::DevUsePrior();
    if (saved) RestoreDC(paintDC, saved);
}
