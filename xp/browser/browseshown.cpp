// What the list shows, picture by picture: the subfolders first, then the
// drawings (the cache's entries and the files past its limit) by name or
// newest first, each kept only while it holds every word of the Find box.
// The painter, the clicks, the keys and the tooltip all ask here: with a
// search, an order or folders the rows no longer follow the cache's own
// name order. The cache keeps that order; next shown links the entries in
// the order shown.
#include "browser/browserinternal.h"

#include <algorithm>
#include <utility>

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/state.h"
#include "resources/resource.h"
#include "settings/settings.h"

// Bound to "&Newest first"; read from the settings as each showing starts,
// written by the check box, read by every fill.
int NewestFirst;

namespace {

const char kRowText[] = "Muu";

struct ShownFill {
    int formatIndex;
    std::vector<ShownItem>* items;
    int drawings;               // shown and still there
    int unread;                 // left out, but their notes are not read yet
    bool full;                  // no memory for more
};

bool Add(ShownFill* fill, const ShownItem& item) {
    try {
        fill->items->push_back(item);
        return true;
    } catch (...) {
        fill->full = true;
        return false;
    }
}

// Every entry of the format loses its old link here; the shown ones are
// linked again in their order once the list is complete.
int CollectEntry(int, HostEntity* entity, intptr_t fillValue, intptr_t) {
    auto* fill = reinterpret_cast<ShownFill*>(fillValue);
    ImageInfoRecord* entry = ShownEntry(entity, fill->formatIndex);
    if (!entry) return 0;
    entry->nextShown = nullptr;
    bool notesUnread = false;
    if (!EntryMatchesFind(entity, entry, &notesUnread)) {
        if (notesUnread) ++fill->unread;
        return 0;
    }
    if (!Add(fill, {kShownEntry, 0, entity})) return 1;
    if (entry->state != kFileDeleted) ++fill->drawings;
    return 0;
}

uint64_t TimeOf(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

uint64_t DrawingTime(const ShownItem& item) {
    if (item.kind == kShownUnlisted) return TimeOf(Showing.unlistedFiles[item.index].fileTime);
    const ImageInfoRecord* entry = AsImageInfo(item.entity);
    return entry ? TimeOf(entry->fileTime) : 0;
}

// Newest first; drawings of the same time keep their name order. The times
// are read once: a comparison reaching into the entries would touch one
// 43 KB record after another.
void PutNewestFirst(std::vector<ShownItem>& items, size_t first) {
    std::vector<std::pair<uint64_t, size_t>> times;
    std::vector<ShownItem> ordered;
    try {
        times.reserve(items.size() - first);
        ordered.reserve(items.size() - first);
    } catch (...) {
        return;  // without memory the names' order stays
    }
    for (size_t i = first; i < items.size(); ++i) times.push_back({DrawingTime(items[i]), i});
    std::stable_sort(times.begin(), times.end(),
                     [](const std::pair<uint64_t, size_t>& a, const std::pair<uint64_t, size_t>& b) {
                         return a.first > b.first;
                     });
    for (const auto& time : times) ordered.push_back(items[time.second]);
    std::copy(ordered.begin(), ordered.end(), items.begin() + first);
}

void LinkShownEntries(const std::vector<ShownItem>& items) {
    ImageInfoRecord* previous = nullptr;
    for (const ShownItem& item : items) {
        if (item.kind != kShownEntry) continue;
        ImageInfoRecord* entry = AsImageInfo(item.entity);
        if (!entry) continue;
        if (previous) previous->nextShown = item.entity;
        previous = entry;
    }
}

}  // namespace

void CollectShownItems(int formatIndex) {
    std::vector<ShownItem>& items = Showing.shown;
    items.clear();
    ShownFill fill = {formatIndex, &items, 0, 0, false};
    for (size_t i = 0; i < Showing.subfolders.size() && !fill.full; ++i) {
        if (NameMatchesFind(Showing.subfolders[i].name)) Add(&fill, {kShownFolder, static_cast<uint32_t>(i), nullptr});
    }
    size_t firstDrawing = items.size();
    if (CacheList && !fill.full) {
        host::DLScan(CacheList, CollectEntry, kScanAll, reinterpret_cast<intptr_t>(&fill), 0);
    }
    for (size_t i = 0; i < Showing.unlistedFiles.size() && !fill.full; ++i) {
        const UnlistedFile& file = Showing.unlistedFiles[i];
        if (!NameMatchesFind(file.name)) continue;
        if (Add(&fill, {kShownUnlisted, static_cast<uint32_t>(i), nullptr}) && file.state != kFileDeleted) {
            ++fill.drawings;
        }
    }
    if (NewestFirst == kOrderNewestFirst) PutNewestFirst(items, firstDrawing);
    LinkShownEntries(items);
    Showing.shownDrawings = fill.drawings;
    Showing.find.unread = fill.unread;
}

// One list row per ColumnsPerRow pictures; a row's data is its first
// entry, or 0 when it starts with a folder or a file past the limit, which
// no reader of entries takes for one.
void AddShownRows() {
    size_t columns = static_cast<size_t>(std::max(1, Showing.ColumnsPerRow));
    for (size_t first = 0; first < Showing.shown.size(); first += columns) {
        const ShownItem& item = Showing.shown[first];
        int index = host::AddLstStr(IDC_BROWSE_LIST, kRowText);
        intptr_t data = item.kind == kShownEntry ? reinterpret_cast<intptr_t>(item.entity) : 0;
        if (index >= 0) host::SetLstDta(IDC_BROWSE_LIST, index, data);
    }
}

const ShownItem* ShownAt(int picture) {
    if (picture < 0 || static_cast<size_t>(picture) >= Showing.shown.size()) return nullptr;
    return &Showing.shown[picture];
}

ImageInfoRecord* PictureEntry(int picture) {
    const ShownItem* item = ShownAt(picture);
    return item && item->kind == kShownEntry ? AsImageInfo(item->entity) : nullptr;
}

const char* PictureName(int picture) {
    const ShownItem* item = ShownAt(picture);
    if (!item) return nullptr;
    switch (item->kind) {
        case kShownFolder: return Showing.subfolders[item->index].name;
        case kShownUnlisted: return Showing.unlistedFiles[item->index].name;
        case kShownEntry: break;
    }
    const ImageInfoRecord* entry = AsImageInfo(item->entity);
    return entry ? entry->name : nullptr;
}

// Only the link into the entry changes: its own next shown moved with it.
void ShownEntryMoved(int picture, HostEntity* entity) {
    if (!ShownAt(picture) || Showing.shown[picture].kind != kShownEntry) return;
    Showing.shown[picture].entity = entity;
    for (int before = picture - 1; before >= 0; --before) {
        if (Showing.shown[before].kind != kShownEntry) continue;
        if (ImageInfoRecord* previous = AsImageInfo(Showing.shown[before].entity)) previous->nextShown = entity;
        break;
    }
    int columns = std::max(1, Showing.ColumnsPerRow);
    if (picture % columns == 0) {
        host::SetLstDta(IDC_BROWSE_LIST, picture / columns, reinterpret_cast<intptr_t>(entity));
    }
}

int FindPictureNamed(const char* name) {
    for (size_t picture = 0; picture < Showing.shown.size(); ++picture) {
        const char* shown = PictureName(static_cast<int>(picture));
        if (shown && lstrcmpiA(shown, name) == 0) return static_cast<int>(picture);
    }
    return -1;
}

// What the list shows: no rows, no pictures (a scan empties the shown
// pictures until the list is filled again).
int PictureCount(HWND list) {
    if (SendMessageA(list, LB_GETCOUNT, 0, 0) <= 0) return 0;
    return static_cast<int>(Showing.shown.size());
}
