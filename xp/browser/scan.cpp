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

// Written by ScanBrowseDir; shown by FillBrowseList.
int FoundCount;
// Written by ScanBrowseDir; listed after the entries' rows, told by the dialog.
std::vector<UnlistedFile> UnlistedFiles;
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

// A state byte outside 0 to 2 (a damaged or foreign cache) means no
// picture: it is made again rather than left blank for ever.
void TakeFile(const char* name, const FILETIME* time) {
    ImageInfoRecord* entry = AsImageInfo(FindOrAddEntry(name, time));
    if (entry && entry->state > kFileDeleted) entry->state = kNoPicture;
}

// The files of this format that the folder holds, in the listing's order.
// Their names are taken before any entry is made, so that the limit can
// choose among them. When the module's memory will not hold the names, the
// rest of the files get their entries at once, as far as the limit allows.
void ListFolder(int formatIndex, std::vector<UnlistedFile>* taken) {
    char pattern[kDirSize + 8];
    // A folder too long for the pattern reads as an empty one.
    HANDLE search = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA found;
    if (JoinPath(pattern, browseDirectory, "*.*")) {
        search = FindFirstFileA(pattern, &found);
    }
    if (search == INVALID_HANDLE_VALUE) return;
    int takenAtOnce = 0;
    do {
        const char* name = TakenName(found, formatIndex);
        if (!name) continue;
        if (!PathFits(name)) {
            if (!LongPathFile[0]) CopyText(LongPathFile, name);
            continue;
        }
        ++FoundCount;
        UnlistedFile file = {};
        CopyText(file.name, name);
        file.fileTime = found.ftLastWriteTime;
        try {
            taken->push_back(file);
        } catch (...) {
            if (++takenAtOnce <= MostCacheEntries()) TakeFile(name, &found.ftLastWriteTime);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
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

// How many of the taken files get an entry; the rest go to UnlistedFiles.
// Within the limit every file does. Past it, the entries of other formats
// go first (their pictures are made again when their format is shown), and
// the first files by name keep entries, a whole number of rows of six
// of them: the files without one always start a row of their own, and at
// three or six to a row the last row of entries is full. The list stays in
// name order.
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
        UnlistedFiles.assign(taken->begin() + kept, taken->end());
    } catch (...) {
        UnlistedFiles.clear();
    }
    return kept;
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
    UnlistedFiles.clear();
    std::vector<UnlistedFile> taken;
    ListFolder(formatIndex, &taken);
    size_t kept = KeepWithinLimit(formatIndex, &taken);
    for (size_t i = 0; i < kept; ++i) TakeFile(taken[i].name, &taken[i].fileTime);
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
