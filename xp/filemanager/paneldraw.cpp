// The preview box: the cached picture of the selected file, or the preview
// drawing through the renderer; a fresh cache entry receives what was drawn.
#include "filemanager/panel.h"

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/gdi.h"
#include "module/state.h"
#include "module/text.h"
#include "preview/preview.h"
#include "settings/settings.h"

namespace {

// One SetDIBitsToDevice of the stored 8-bit rows; the box is left as it was
// when the copy fails. The stored picture serves only while nothing is
// loaded: a loaded drawing is what Zoom all and Show all redraw, and taking
// the stored picture once it had been stored made both buttons do nothing.
bool DrawCachedPicture(HWND panel, const DRAWITEMSTRUCT* drawItem) {
    ImageInfoRecord* entry = CacheList ? AsImageInfo(currentEntry) : nullptr;
    if (useBrowseFile != 1 || PreviewDrawing || !entry || entry->state != kPictureMade) return false;
    if (colourTableReady != 1) return false;
    const RECT& item = drawItem->rcItem;
    // The item is wider than the picture: the strip beside it is cleared,
    // or it would keep the previous picture.
    RECT strip = {item.left + kLargeWidth, item.top, item.right, item.bottom};
    if (strip.right > strip.left) {
        host::DevUseColor(host::kBackgroundColour);
        host::DevSRect(&strip);
    }
    HRGN clip = MakeRectRegion(&item);
    if (clip) SelectClipRgn(drawItem->hDC, clip);
    const PictureDescription large = DescribePicture(kLargePicture);
    int copied = SetDIBitsToDevice(drawItem->hDC, item.left, item.top, item.right - item.left,
                                   item.bottom - item.top + 1, 0, 0, 0, kLargeHeight, entry->largePicture,
                                   reinterpret_cast<const BITMAPINFO*>(&large), DIB_RGB_COLORS);
    if (!copied && clip) SelectClipRgn(drawItem->hDC, nullptr);
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

// The selected file's name: its entry's, or the dialog's; empty for none.
const char* SelectedName(HWND panel, char (&name)[kDialogTextSize]) {
    const ImageInfoRecord* entry = AsImageInfo(currentEntry);
    if (entry) return entry->name;
    return GetSelectedName(panel, name) ? name : "";
}

// The first picture drawn after a selection (the off-screen render) goes
// into the selected file's fresh entry, converted to 8 bits through the
// colour table of PictureInfo, with the notes of the list drawn, as the
// browser makes an entry whole. An entry that holds a picture is refreshed only while the
// colour table is not ready (the conversion fills it); what Zoom all and
// Show all draw later is never stored.
void StorePictureInCache(const DRAWITEMSTRUCT* drawItem, HDL drawList) {
    ImageInfoRecord* entry = CacheList ? AsImageInfo(currentEntry) : nullptr;
    if (useBrowseFile != 1 || !entry || !ScreenCopy || !drawList) return;
    if (entry->state != kNoPicture && !(entry->state == kPictureMade && colourTableReady == 0)) return;
    HDC memory = MakeMemoryDC(drawItem->hDC);
    if (!memory) return;
    if (StorePictureRows(memory, ScreenCopy, kLargePicture, entry->largePicture)) {
        if (entry->state == kNoPicture) CacheDirty = 1;
        entry->state = kPictureMade;
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
    // PaintPreviewItem ends by removing the clip region, the one the list box
    // set around its item among it: the context goes back as it was given.
    int saved = SaveDC(drawItem->hDC);
    host::DevUseOwnerDraw(drawItem);
    if (colourTableReady == 0) LoadColorMap();
    if (!DrawCachedPicture(panel, drawItem)) {
        HDL drawList = nullptr;
        if (PreviewDrawing) {
            char name[kDialogTextSize];
            drawList = ListToDraw(PreviewDrawing, SelectedName(panel, name));
            PaintPreviewItem(drawItem, drawList, PreviewDrawing, panel);
        } else {
            DrawEmptyFrame(&drawItem->rcItem);
        }
        StorePictureInCache(drawItem, drawList);
    }
    host::DevUsePrior();
    if (saved) RestoreDC(drawItem->hDC, saved);
}
