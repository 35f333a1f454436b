// Bringing the cache into step with the folder: mark every entity, let each
// file found unmark (or renew) its entry, then sweep the entries of this
// format that are still marked, whose files are gone.
#include "browser/browserinternal.h"

#include <string.h>

#include <algorithm>

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"

namespace {

int MarkEntity(int, HostEntity* entity, intptr_t, intptr_t) {
    host::DLSelect(entity);
    return 0;
}

int SweepVanished(int, HostEntity* entity, intptr_t formatIndex, intptr_t) {
    if (ShownEntry(entity, static_cast<int>(formatIndex))) host::DLDelete(entity);
    return 0;
}

int LinkEntry(int, HostEntity* entity, intptr_t previousValue, intptr_t formatIndex) {
    ImageInfoRecord* entry = ShownEntry(entity, static_cast<int>(formatIndex));
    if (!entry) return 0;
    auto* previous = reinterpret_cast<HostEntity**>(previousValue);
    if (ImageInfoRecord* before = AsImageInfo(*previous)) before->nextShown = entity;
    *previous = entity;
    entry->nextShown = nullptr;
    return 0;
}

// An entry for a file in state 2 was deleted from the browser; a file of
// that name and time is the file restored (a copy keeping its time), and is
// pictured again. An entry that keeps its old spelling of the name is given
// the listing's, so that it names exactly the file listed; its pictures may
// be another file's, so they are made again. A state byte outside 0 to 2 (a
// damaged or foreign cache) means no picture: made again rather than left
// blank for ever.
void TakeFile(const char* name, const FILETIME& time) {
    ImageInfoRecord* entry = AsImageInfo(FindOrAddEntry(name, &time));
    if (!entry) return;
    if (lstrcmpA(entry->name, name) != 0) {
        CopyText(entry->name, name);
        entry->state = kNoPicture;
        CacheDirty = true;
    }
    if (entry->state >= kFileDeleted) entry->state = kNoPicture;
}

int CountOtherEntry(int, HostEntity* entity, intptr_t formatIndex, intptr_t countValue) {
    if (AsImageInfo(entity) && !ShownEntry(entity, static_cast<int>(formatIndex))) {
        ++*reinterpret_cast<int*>(countValue);
    }
    return 0;
}

int DeleteOtherEntry(int, HostEntity* entity, intptr_t formatIndex, intptr_t) {
    if (AsImageInfo(entity) && !ShownEntry(entity, static_cast<int>(formatIndex))) host::DLDelete(entity);
    return 0;
}

bool NameBefore(const UnlistedFile& a, const UnlistedFile& b) { return lstrcmpiA(a.name, b.name) < 0; }

// How many of the taken files get an entry; the rest are the showing's
// unlisted files. Within the limit every file does. Past it, the entries of
// other formats go first (their pictures are made again when their format
// is shown), and the first files by name keep entries, a whole number of
// rows of six of them: the files without one always start a row of their
// own, and at three or six to a row the last row of entries is full. The
// list stays in name order.
size_t KeepWithinLimit(int formatIndex, std::vector<UnlistedFile>* taken) {
    size_t most = static_cast<size_t>(MostCacheEntries());
    int others = 0;
    host::DLScan(CacheList, CountOtherEntry, kScanAll, formatIndex, reinterpret_cast<intptr_t>(&others));
    if (taken->size() + static_cast<size_t>(others) <= most) return taken->size();
    if (others) {
        host::DLScan(CacheList, DeleteOtherEntry, kScanAll, formatIndex, 0);
        ForgetCacheIndex();
    }
    if (taken->size() <= most) return taken->size();
    size_t kept = most / kSmallColumns * kSmallColumns;
    std::sort(taken->begin(), taken->end(), NameBefore);
    try {
        Showing.unlistedFiles.assign(taken->begin() + kept, taken->end());
    } catch (...) {
        Showing.unlistedFiles.clear();
    }
    return kept;
}

// Past the cache's limit only some files get an entry; the rest are listed
// without one (KeepWithinLimit). Without memory for that choice the files
// get entries as far as the limit allows, in no order.
void MakeEntries(const FormatFiles& listing, int formatIndex) {
    std::vector<UnlistedFile> all;
    try {
        all.reserve(listing.files.size());
        for (const auto& listed : listing.files) {
            UnlistedFile file = {};
            CopyText(file.name, listed.second.name.c_str());
            file.fileTime = listed.second.time;
            all.push_back(file);
        }
    } catch (...) {
        int made = 0;
        for (const auto& listed : listing.files) {
            if (made++ < MostCacheEntries()) TakeFile(listed.second.name.c_str(), listed.second.time);
            ++Showing.FoundCount;
        }
        return;
    }
    Showing.FoundCount += static_cast<int>(all.size());
    size_t kept = KeepWithinLimit(formatIndex, &all);
    for (size_t i = 0; i < kept; ++i) TakeFile(all[i].name, all[i].fileTime);
}

// Without memory to remember a file of the listing it is taken at once.
bool TakeAtOnce(void*, const char* name, const FILETIME& time) {
    TakeFile(name, time);
    ++Showing.FoundCount;
    return true;
}

}  // namespace

// A change of format takes the files from the listing of the last scan
// while the folder has not changed; F5 and the scan of each showing list it
// (the latter while the cache loads).
void ScanBrowseDir(int formatIndex, ListingUse use) {
    if (!CacheList) return;
    // What the list shows may be swept below: nothing is shown until the
    // list is filled again.
    Showing.shown.clear();
    host::DLScan(CacheList, MarkEntity, kScanAll, 0, 0);
    Showing.FoundCount = 0;
    Showing.unlistedFiles.clear();
    FormatFiles files;
    ListFormat(formatIndex, use, &files, {TakeAtOnce, nullptr});
    Showing.leftOut = files.leftOut;
    Showing.subfolders = std::move(files.folders);
    MakeEntries(files, formatIndex);
    // Sweeping is not a change worth a save: the same entries are swept
    // again at the next scan if nothing else rewrites the file.
    host::DLScan(CacheList, SweepVanished, kScanSelected, formatIndex, 0);
    ForgetCacheIndex();
    LinkViewChain(formatIndex);
}

void LinkViewChain(int formatIndex) {
    if (!CacheList) return;
    HostEntity* previous = nullptr;
    host::DLScan(CacheList, LinkEntry, kScanAll, reinterpret_cast<intptr_t>(&previous), formatIndex);
}
