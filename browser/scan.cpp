// Bringing the cache into step with the folder: mark every entity, let each
// file found unmark (or renew) its entry, then sweep the entries of this
// format that are still marked, whose files are gone.
#include "browser/browserinternal.h"

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/paths.h"
#include "module/state.h"

// Written by ScanBrowseDir; shown by FillBrowseList.
int FoundCount;

namespace {

const char kCacheFileName[] = "~BRINFO.KVW";
enum { kShortestName = 4 };

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

// The tests of one directory result, in order; the cache file itself is
// matched as spelled, so a drawing named ~brinfo.kvw is still listed.
bool TakesFile(const WIN32_FIND_DATAA& found, int formatIndex) {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    if (lstrlenA(found.cFileName) <= kShortestName) return false;
    if (!NameMatchesFormat(formatIndex, found.cFileName)) return false;
    return lstrcmpA(found.cFileName, kCacheFileName) != 0;
}

}  // namespace

void ScanBrowseDir(int formatIndex) {
    if (!CacheList) return;
    host::DLScan(CacheList, MarkEntity, kScanAll, 0, 0);
    FoundCount = 0;
    char pattern[kDirSize + 8];
    // A folder too long for the pattern reads as an empty one.
    HANDLE search = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA found;
    if (JoinPath(pattern, browseDirectory, "*.*")) {
        search = FindFirstFileA(pattern, &found);
    }
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!TakesFile(found, formatIndex)) continue;
            FindOrAddEntry(found.cFileName, &found.ftLastWriteTime);
            ++FoundCount;
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
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
