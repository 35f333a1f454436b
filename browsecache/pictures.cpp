// Making an entry's pictures: its drawing is loaded, rendered at both sizes
// and stored as 8-bit rows through PictureInfo.
#include "browsecache/cache.h"

#include "host/host.h"
#include "host/records.h"
#include "module/gdi.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"
#include "preview/preview.h"
#include "settings/settings.h"

enum { kPreviewLoadFlags = 46 };

// The member list of the first symbol definition; ends the walk.
static int FirstSymbolMembers(int, HostEntity* entity, intptr_t, intptr_t) {
    if (EntityType(entity) != rec::kTypeSymbolDef) return 0;
    return reinterpret_cast<int>(host::DLGetSubList(entity));
}

// A symbol library shows the members of its first symbol definition; any
// other drawing, or a library without one, shows itself.
static HDL ListToDraw(HDL drawing, const char* name) {
    if (!HasExtension(name, "KVS")) return drawing;
    HDL members = reinterpret_cast<HDL>(host::DLScan(drawing, FirstSymbolMembers, kScanDrawing, 0, 0));
    return members ? members : drawing;
}

static void SetPictureSize(int width, int height) {
    PictureInfo.header.biWidth = width;
    PictureInfo.header.biHeight = height;
}

// Converts a bitmap into 8-bit rows; the system fills PictureInfo's colour
// table, which is stored the first time it is obtained.
static bool StoreRows(HDC memory, HBITMAP bitmap, int height, void* rows) {
    if (!GetDIBits(memory, bitmap, 0, height, rows, reinterpret_cast<BITMAPINFO*>(&PictureInfo),
                   DIB_RGB_COLORS)) {
        return false;
    }
    if (!colourTableReady) SaveColorMap();
    return true;
}

static void StorePictures(HostEntity* entity, HBITMAP large, HBITMAP small) {
    ImageInfoRecord* entry = AsImageInfo(entity);
    HDC info = MakeDisplayInfo();
    HDC memory = info ? MakeMemoryDC(info) : nullptr;
    if (entry && memory) {
        if (StoreRows(memory, large, kLargeHeight, entry->largePicture)) {
            if (entry->state == kNoPicture) CacheDirty = 1;
            entry->state = kPictureMade;
        }
        SetPictureSize(kSmallWidth, kSmallHeight);
        if (small && StoreRows(memory, small, kSmallHeight, entry->smallPicture)) {
            if (entry->smallPresent == 0) CacheDirty = 1;
            entry->smallPresent = 1;
        }
        SetPictureSize(kLargeWidth, kLargeHeight);
    }
    DropDC(memory);
    DropDC(info);
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
    if (!entry) return;
    char path[MAX_PATH];
    if (!JoinPath(path, browseDirectory, entry->name)) return;
    HDL drawing = host::DLLoad(path, kPreviewLoadFlags);
    if (!drawing) return;
    HDL list = ListToDraw(drawing, entry->name);

    // Collecting the notes may move the entry: it is reached through
    // entryRef from here on.
    HostEntity* before = *entryRef;
    EmptyEntryNotes(before);
    HBITMAP large = RenderToBitmap(list, drawing, kLargeWidth, kLargeHeight, entryRef, nullptr);
    CacheEntryMoved(before, *entryRef);
    entry = AsImageInfo(*entryRef);
    HBITMAP small = nullptr;
    if (entry && entry->version > 2) {
        small = RenderToBitmap(list, drawing, kSmallWidth, kSmallHeight, nullptr, nullptr);
    }
    host::DLDestroy(drawing);
    if (large) StorePictures(*entryRef, large, small);
    DropObject(small);
    DropObject(large);
}
