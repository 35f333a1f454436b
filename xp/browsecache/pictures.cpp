// Making an entry's pictures: its drawing is loaded, rendered at both sizes
// and stored as 8-bit rows through the colour table of PictureInfo.
#include "browsecache/cache.h"

#include "host/host.h"
#include "host/records.h"
#include "module/gdi.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"
#include "preview/preview.h"
#include "settings/settings.h"

// The system fills the description's colour table with the one it converted
// through: that is PictureInfo's from then on, stored the first time.
bool StorePictureRows(HDC memory, HBITMAP bitmap, PictureSize size, void* rows) {
    PictureDescription description = DescribePicture(size);
    if (!GetDIBits(memory, bitmap, 0, description.header.biHeight, rows,
                   reinterpret_cast<BITMAPINFO*>(&description), DIB_RGB_COLORS)) {
        return false;
    }
    memcpy(PictureInfo.colours, description.colours, sizeof PictureInfo.colours);
    if (!colourTableReady) SaveColorMap();
    return true;
}

// The device contexts and bitmaps that pictures are made with: an
// information context for "DISPLAY" costs more to make than a small picture
// to draw, and a bitmap about as much, so one set serves a whole batch
// (Cache all); otherwise one picture's two renders and its copy.
struct PictureContexts {
    DeviceContext info;
    DeviceContext memory;
    Bitmap large, small;
};
static PictureContexts g_batch;   // made by BeginPictureBatch, dropped by EndPictureBatch

static PictureContexts MakeContexts() {
    PictureContexts contexts;
    contexts.info = MakeDisplayInfo();
    if (contexts.info) contexts.memory = MakeMemoryDC(contexts.info.Get());
    if (!contexts.memory) return contexts;
    contexts.large = MakeBitmap(contexts.info.Get(), kLargeWidth, kLargeHeight);
    contexts.small = MakeBitmap(contexts.info.Get(), kSmallWidth, kSmallHeight);
    return contexts;
}

void BeginPictureBatch() {
    if (!g_batch.info) g_batch = MakeContexts();
}

void EndPictureBatch() { g_batch = PictureContexts(); }

static void StorePictures(HDC memory, HostEntity* entity, HBITMAP large, HBITMAP small) {
    ImageInfoRecord* entry = AsImageInfo(entity);
    if (!entry || !memory) return;
    if (StorePictureRows(memory, large, kLargePicture, entry->largePicture)) {
        if (entry->state == kNoPicture) CacheDirty = true;
        entry->state = kPictureMade;
    }
    if (small && StorePictureRows(memory, small, kSmallPicture, entry->smallPicture)) {
        if (entry->smallPresent == 0) CacheDirty = true;
        entry->smallPresent = 1;
    }
}

// An entry's notes are replaced, never added to: MakePictures runs again for
// an entry whose pictures were not all stored (colour table not ready, a
// copy that failed), and each run once appended the notes a second time.
static void EmptyEntryNotes(HostEntity* entry) {
    if (HDL notes = host::DLGetSubList(entry)) host::DLEmpty(notes);
}

void StoreEntryNotes(HostEntity** entryRef, HDL list) {
    HostEntity* before = *entryRef;
    EmptyEntryNotes(before);
    CollectNotes(list, entryRef);
    CacheEntryMoved(before, *entryRef);
}

void MakePictures(HostEntity** entryRef) {
    const ImageInfoRecord* entry = AsImageInfo(*entryRef);
    if (!entry || IsUnreadable(entry)) return;
    char path[MAX_PATH];
    HDL drawing = JoinPath(path, browseDirectory, entry->name) ? host::DLLoad(path, kPreviewLoadFlags) : nullptr;
    if (!drawing) {
        RememberUnreadable(entry);
        return;
    }
    HDL list = ListToDraw(drawing, entry->name);
    PictureContexts own;
    const PictureContexts& contexts = g_batch.info ? g_batch : (own = MakeContexts());

    // Both sizes show the same window; collecting the notes may move the
    // entry: it is reached through entryRef from here on.
    PreviewWindow window;
    MeasureForRender(list, drawing, &window);
    HostEntity* before = *entryRef;
    EmptyEntryNotes(before);
    bool large = RenderMeasured(contexts.memory.Get(), contexts.large.Get(), list, drawing, window, kLargeWidth,
                                kLargeHeight, entryRef, nullptr);
    CacheEntryMoved(before, *entryRef);
    entry = AsImageInfo(*entryRef);
    bool small = entry && TakesSmallPicture(*entry) &&
                 RenderMeasured(contexts.memory.Get(), contexts.small.Get(), list, drawing, window, kSmallWidth,
                                kSmallHeight, nullptr, nullptr);
    host::DLDestroy(drawing);
    if (large) {
        StorePictures(contexts.memory.Get(), *entryRef, contexts.large.Get(), small ? contexts.small.Get() : nullptr);
    }
}
