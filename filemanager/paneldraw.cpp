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

// Every conversion through PictureInfo fills exactly one large picture; a
// description left at another size would read or write past the entry.
bool DescribesLargePicture() {
    const BITMAPINFOHEADER& header = PictureInfo.header;
    bool large = header.biWidth == kLargeWidth && header.biHeight == kLargeHeight && header.biBitCount == 8;
    assert(large);
    return large;
}

// One SetDIBitsToDevice of the stored 8-bit rows; the box is left as it was
// when the copy fails.
bool DrawCachedPicture(HWND panel, const DRAWITEMSTRUCT* drawItem, HDC paintDC) {
    ImageInfoRecord* entry = CacheList ? AsImageInfo(currentEntry) : nullptr;
    if (useBrowseFile != 1 || !entry || entry->state != kPictureMade || colourTableReady != 1) return false;
    if (!DescribesLargePicture()) return false;
    const RECT& item = drawItem->rcItem;
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
            host::DLScan(notes, NoteScanCallback, kScanAll, reinterpret_cast<intptr_t>(panel), 0);
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

// What the box shows after a render goes into the selected file's fresh or
// refreshed cache entry, converted to 8 bits through PictureInfo.
void StorePictureInCache(const DRAWITEMSTRUCT* drawItem) {
    ImageInfoRecord* entry = CacheList ? AsImageInfo(currentEntry) : nullptr;
    if (useBrowseFile != 1 || !entry || !ScreenCopy || !DescribesLargePicture()) return;
    HDC memory = MakeMemoryDC(drawItem->hDC);
    if (!memory) return;
    if (GetDIBits(memory, ScreenCopy, 0, kLargeHeight, entry->largePicture,
                  reinterpret_cast<BITMAPINFO*>(&PictureInfo), DIB_RGB_COLORS)) {
        if (entry->state == kNoPicture) CacheDirty = 1;
        entry->state = kPictureMade;
        if (colourTableReady == 0) SaveColorMap();
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
        if (PreviewDrawing) {
            HDL drawList = SelectedIsSymbolLibrary(panel) ? SymbolListOrDrawing(PreviewDrawing) : PreviewDrawing;
            PaintPreviewItem(drawItem, drawList, paintDC, panel);
        } else {
            DrawEmptyFrame(&drawItem->rcItem);
        }
        StorePictureInCache(drawItem);
    }
    host::DevUsePrior();
    if (saved) RestoreDC(paintDC, saved);
}
