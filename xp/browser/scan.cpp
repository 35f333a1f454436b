// Bringing the cache into step with the folder: mark every entity, let each
// file found unmark (or renew) its entry, then sweep the entries of this
// format that are still marked, whose files are gone.
#include "browser/browserinternal.h"

#include <string.h>

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"

// Written by ScanBrowseDir; shown by FillBrowseList.
int FoundCount;
// Written by ScanBrowseDir; told by the dialog.
char LongPathFile[kEntryNameSize];

namespace {

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

// The tests of one directory result, in order; the name to list, or null.
const char* TakenName(const WIN32_FIND_DATAA& found, int formatIndex) {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return nullptr;
    const char* name = OpenableName(found);
    if (!name || lstrlenA(name) <= kShortestName) return nullptr;
    if (!NameMatchesFormat(formatIndex, name)) return nullptr;
    // On a file system that ignores case every spelling of the cache's name
    // is the cache itself, never a drawing.
    if (lstrcmpiA(name, kCacheFileName) == 0) return nullptr;
    return name;
}

// The host opens no path of MAX_PATH characters or more.
bool PathFits(const char* name) {
    return lstrlenA(browseDirectory) + 1 + lstrlenA(name) < MAX_PATH;
}

}  // namespace

// For a name outside the code page the system puts '?' in place of each
// character it cannot spell; '?' is never legal in a file name, so such a
// name opens nothing. The short name, when the system gives one, does.
const char* OpenableName(const WIN32_FIND_DATAA& found) {
    if (!strchr(found.cFileName, '?')) return found.cFileName;
    const char* shortName = found.cAlternateFileName;
    return shortName[0] && !strchr(shortName, '?') ? shortName : nullptr;
}

void ScanBrowseDir(int formatIndex) {
    if (!CacheList) return;
    host::DLScan(CacheList, MarkEntity, kScanAll, 0, 0);
    FoundCount = 0;
    LongPathFile[0] = '\0';
    char pattern[kDirSize + 8];
    // A folder too long for the pattern reads as an empty one.
    HANDLE search = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA found;
    if (JoinPath(pattern, browseDirectory, "*.*")) {
        search = FindFirstFileA(pattern, &found);
    }
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const char* name = TakenName(found, formatIndex);
            if (!name) continue;
            if (!PathFits(name)) {
                if (!LongPathFile[0]) CopyText(LongPathFile, name);
                continue;
            }
            // A state byte outside 0 to 2 (a damaged or foreign cache) means
            // no picture: it is made again rather than left blank for ever.
            ImageInfoRecord* entry = AsImageInfo(FindOrAddEntry(name, &found.ftLastWriteTime));
            if (entry && entry->state > kFileDeleted) entry->state = kNoPicture;
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
