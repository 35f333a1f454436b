// The preview box: the cached picture of the selected file, or the preview
// drawing through the renderer; a fresh cache entry receives what was drawn.
#include "filemanager/panel.h"

#include <algorithm>

#include "browsecache/cache.h"
#include "host/host.h"
#include "host/records.h"
#include "module/gdi.h"
#include "module/state.h"
#include "module/text.h"
#include "preview/preview.h"
#include "settings/settings.h"

namespace {

// Fills the item around a picture placed at `picture`.
void ClearAround(const RECT& item, const RECT& picture) {
    const RECT strips[] = {
        {item.left, item.top, picture.left, item.bottom},
        {picture.right, item.top, item.right, item.bottom},
        {picture.left, item.top, picture.right, picture.top},
        {picture.left, picture.bottom, picture.right, item.bottom},
    };
    host::DevUseColor(host::kBackgroundColour);
    for (const RECT& strip : strips) {
        if (strip.right > strip.left && strip.bottom > strip.top) host::DevSRect(&strip);
    }
}

}  // namespace

// Stops the walk once the tree is full.
int NoteScanCallback(int, HostEntity* entity, intptr_t panel, intptr_t) {
    if (EntityType(entity) == rec::kTypeNote && !AddNoteToTree(reinterpret_cast<HWND>(panel), entity)) return 1;
    return 0;
}

bool StoredPictureServes() {
    ImageInfoRecord* entry = CacheList ? AsImageInfo(currentEntry) : nullptr;
    return useBrowseFile == 1 && entry && entry->state == kPictureMade && colourTableReady;
}

namespace {

// One SetDIBitsToDevice of the stored 8-bit rows, centred in a box clearly
// larger than it; the box is left as it was when the copy fails. The stored
// picture serves only while nothing is loaded: a loaded drawing is what Zoom
// all and Show all redraw, and taking the stored picture once it had been
// stored made both buttons do nothing.
bool DrawCachedPicture(HWND panel, const DRAWITEMSTRUCT* drawItem) {
    if (PreviewDrawing || !StoredPictureServes()) return false;
    const ImageInfoRecord* entry = AsImageInfo(currentEntry);
    const RECT& item = drawItem->rcItem;
    POINT offset = PictureOffset(item, kLargeWidth, kLargeHeight);
    RECT picture = {item.left + offset.x, item.top + offset.y, item.left + offset.x + kLargeWidth,
                    item.top + offset.y + kLargeHeight};
    // The strips beside the picture are cleared, or they would keep the
    // previous picture.
    ClearAround(item, picture);
    Region clip = MakeRectRegion(item);
    if (clip) SelectClipRgn(drawItem->hDC, clip.Get());
    const PictureDescription large = DescribePicture(kLargePicture);
    // The stored rows are bottom-up: a copy taller than the picture puts it
    // at the copy's bottom, which set a centred picture 35 pixels low.
    LONG height = std::min<LONG>(item.bottom - picture.top + 1, kLargeHeight + 1);
    int copied = SetDIBitsToDevice(drawItem->hDC, picture.left, picture.top, item.right - picture.left, height,
                                   0, 0, 0, kLargeHeight, entry->largePicture,
                                   reinterpret_cast<const BITMAPINFO*>(&large), DIB_RGB_COLORS);
    if (!copied && clip) SelectClipRgn(drawItem->hDC, nullptr);
    if (NotesRequest) {
        HDL notes = host::DLGetSubList(currentEntry);
        if (notes) {
            BeginNotesFill(panel);
            host::DLScan(notes, NoteScanCallback, kScanAll, reinterpret_cast<intptr_t>(panel), 0);
            EndNotesFill(panel);
            NotesRequest = false;
        }
    }
    return true;
}

// The selected file's name: its entry's, or the file the dialog's selection
// names; empty for none.
const char* SelectedName(HWND panel, char (&name)[kDialogTextSize]) {
    const ImageInfoRecord* entry = AsImageInfo(currentEntry);
    if (entry) return entry->name;
    return GetSelectedFile(panel, name) ? name : "";
}

// The kept picture when it has the stored size (as at 96 DPI in the box of
// the template's size), else a render of the list at that size into
// rendered: a picture of another size converted into the entry would be cut
// or short.
HBITMAP PictureOfStoredSize(HDL drawList, Bitmap* rendered) {
    BITMAP kept = {};
    if (GetObjectA(ScreenCopy.Get(), sizeof kept, &kept) && kept.bmWidth == kLargeWidth &&
        kept.bmHeight == kLargeHeight) {
        return ScreenCopy.Get();
    }
    *rendered = RenderToBitmap(drawList, PreviewDrawing, kLargeWidth, kLargeHeight, nullptr, nullptr);
    return rendered->Get();
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
    if (entry->state != kNoPicture && !(entry->state == kPictureMade && !colourTableReady)) return;
    Bitmap rendered;
    HBITMAP picture = PictureOfStoredSize(drawList, &rendered);
    DeviceContext memory = picture ? MakeMemoryDC(drawItem->hDC) : DeviceContext();
    if (memory && StorePictureRows(memory.Get(), picture, kLargePicture, entry->largePicture)) {
        if (entry->state == kNoPicture) CacheDirty = true;
        entry->state = kPictureMade;
        StoreEntryNotes(&currentEntry, drawList);
    }
}

}  // namespace

// The clip region goes on the item's own device context. BeginPaint on the
// panel here, outside its WM_PAINT, would erase the panel's pending update
// region over controls that had already painted (the panel has no
// WS_CLIPCHILDREN) and then validate it, leaving the controls blank; and a
// clip on the panel's context would not clip the item at all.
void DrawPreviewBox(HWND panel, const DRAWITEMSTRUCT* given) {
    if (static_cast<int>(given->itemID) == -1) return;
    // The one item is drawn over the whole box: an item is at most 255
    // pixels high, a box in a tall dialog more (the list box clips its
    // items to its client area, not to the item).
    DRAWITEMSTRUCT whole = *given;
    RECT client;
    if (GetClientRect(given->hwndItem, &client) && whole.rcItem.top == 0 && client.bottom > whole.rcItem.bottom) {
        whole.rcItem.bottom = client.bottom;
    }
    const DRAWITEMSTRUCT* drawItem = &whole;
    // PaintPreviewItem ends by removing the clip region, the one the list box
    // set around its item among it: the context goes back as it was given.
    int saved = SaveDC(drawItem->hDC);
    host::DevUseOwnerDraw(drawItem);
    if (!colourTableReady) LoadColorMap();
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
