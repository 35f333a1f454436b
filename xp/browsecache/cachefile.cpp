// Opening and closing the cache of a folder: what stands under the cache's
// name decides whether the list may be written back, and a save that fails
// is told.
#include "browsecache/cache.h"

#include <stdlib.h>

#include "host/host.h"
#include "module/paths.h"
#include "module/savetemporaries.h"
#include "module/state.h"
#include "module/text.h"
#include "module/writefailure.h"

char CachePath[kCachePathSize];
bool CacheDirty;
HostEntity* currentEntry;

// A test lowers the limit through the environment, to try it on a small
// folder; nothing raises it.
int MostCacheEntries() {
    char text[16];
    DWORD length = GetEnvironmentVariableA("XP_MOST_CACHE_ENTRIES", text, sizeof text);
    if (length == 0 || length >= sizeof text) return kMostCacheEntries;
    int asked = atoi(text);
    return asked > 0 && asked < kMostCacheEntries ? asked : kMostCacheEntries;
}
static_assert(kLongestCacheFolder + sizeof kCacheFileName < MAX_PATH, "the longest folder's cache path opens");
static_assert(kLongestCacheFolder + sizeof kCacheFileName < kCachePathSize, "CachePath holds every cache path");

namespace {

// The cache's path is the folder, a backslash and the name.
enum { kCacheSuffixLength = sizeof kCacheFileName, kCacheFlags = 8 };

// What stood under the cache's name when it was opened. Written by
// OpenCache, read by CloseCache.
enum class Found {
    kCache,     // a cache, or nothing yet, or a file that did not load: written back
    kFrozen,    // read-only: its keeper froze it; read, never rewritten
    kDrawing,   // records but no entry: someone's drawing, never rewritten
    kFolder,    // a folder of that name: left alone
    kInUse,     // held open by another program when it was to be loaded
};
struct OpenedFile {
    Found what;
    // The file's size and last write when it was read; a save first takes
    // over what another host saved since. known: the list holds what the
    // file held then (false when it could not be read for being in use).
    bool known;
    FileStamp stamp;
};
OpenedFile g_opened;

FileStamp StampOf(const WIN32_FILE_ATTRIBUTE_DATA& file) {
    return {true, (uint64_t(file.nFileSizeHigh) << 32) | file.nFileSizeLow, file.ftLastWriteTime};
}

// Non-zero (stop) at the first entry; *others counts records that are not.
int FindEntryOrCount(int, HostEntity* entity, intptr_t others, intptr_t) {
    if (AsImageInfo(entity)) return 1;
    ++*reinterpret_cast<int*>(others);
    return 0;
}

// The open cache's folder is compared as spelled: another spelling of the
// same folder closes and reloads it.
bool IsOpenFor(const char* directory) {
    char path[kCachePathSize];
    return JoinPath(path, directory, kCacheFileName) && lstrcmpA(path, CachePath) == 0;
}

void CacheFolder(char (&folder)[kCachePathSize]) {
    CopyText(folder, CachePath);
    int length = lstrlenA(folder);
    folder[length > kCacheSuffixLength ? length - kCacheSuffixLength : 0] = '\0';
}

// Once per save that failed: saves happen only when a cache closes.
void TellSaveFailed(const char* reason) {
    char folder[kCachePathSize];
    CacheFolder(folder);
    char text[kMessageSize];
    FormatText(text, sizeof text, "Error: Couldn't save the browse info of this folder: %s.\n\n%s", reason, folder);
    host::ErrorBox(text);
}

void LoadCacheFile(const WIN32_FILE_ATTRIBUTE_DATA& file) {
    g_opened.known = true;
    g_opened.stamp = StampOf(file);
    host::StatusMsg("Loading browse info...");
    CacheList = host::DLLoad(CachePath, kCacheFlags);
    host::StatusMsg(nullptr);
    if (file.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
        g_opened.what = Found::kFrozen;
    } else if (CacheList && IsUsersDrawing(CacheList)) {
        g_opened.what = Found::kDrawing;
    } else if (!CacheList && IsHeldOpen(CachePath)) {
        g_opened.what = Found::kInUse;
        g_opened.known = false;
    }
}

// Before a save replaces the file, what another host saved there since this
// one read it is taken over. False when the file has become someone's
// drawing meanwhile: it is not to be replaced.
bool TakeOverChangesOnDisk() {
    FileStamp now;
    if (!ReadFileStamp(CachePath, &now)) return true;
    if (g_opened.known && SameFileStamp(now, g_opened.stamp)) return true;
    HDL disk = host::DLLoad(CachePath, kCacheFlags);
    if (!disk) return true;  // unreadable: replaced, as at a first visit
    bool drawing = IsUsersDrawing(disk);
    char folder[kCachePathSize];
    CacheFolder(folder);
    if (!drawing) MergeCacheLists(CacheList, disk, folder);
    host::DLDestroy(disk);
    ForgetCacheIndex();
    return !drawing;
}

// The hidden attribute is set only on a file this save wrote.
void SaveCacheList() {
    switch (g_opened.what) {
        case Found::kFrozen: return;
        case Found::kFolder: return TellSaveFailed("a folder named ~BRINFO.KVW is in the way");
        case Found::kDrawing: return TellSaveFailed("a drawing named ~BRINFO.KVW is in the way");
        case Found::kInUse:
            // The host would wait ten seconds for the holder; it held the
            // file all along, so it is asked once, and the user told.
            if (IsHeldOpen(CachePath)) return TellSaveFailed("the file is in use by another program");
            break;
        case Found::kCache: break;
    }
    host::StatusMsg("Saving browse info...");
    bool saved = false;
    DWORD error = 0;
    if (TakeOverChangesOnDisk()) {
        SetLastError(0);
        saved = host::DLSave(CacheList, CachePath) != 0;
        error = GetLastError();
    } else {
        g_opened.what = Found::kDrawing;
    }
    host::StatusMsg(nullptr);
    if (g_opened.what == Found::kDrawing) return TellSaveFailed("a drawing named ~BRINFO.KVW is in the way");
    if (!saved) {
        char reason[kReasonSize];
        DescribeWriteFailure(error, CachePath, reason, sizeof reason);
        return TellSaveFailed(reason);
    }
    SetFileAttributesA(CachePath, FILE_ATTRIBUTE_HIDDEN);
    g_opened.known = ReadFileStamp(CachePath, &g_opened.stamp);
}

}  // namespace

bool ReadFileStamp(const char* path, FileStamp* stamp) {
    WIN32_FILE_ATTRIBUTE_DATA file;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &file) ||
        (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *stamp = {false, 0, {0, 0}};
        return false;
    }
    *stamp = StampOf(file);
    return true;
}

bool SameFileStamp(const FileStamp& a, const FileStamp& b) {
    return a.present == b.present && a.size == b.size && CompareFileTime(&a.written, &b.written) == 0;
}

// A file holding at least one entry is a cache, whatever else it holds (the
// other records are kept as they are); one holding records but no entry is
// someone's drawing saved under the cache's name.
bool IsUsersDrawing(HDL list) {
    int others = 0;
    return host::DLScan(list, FindEntryOrCount, kScanAll, reinterpret_cast<intptr_t>(&others), 0) == 0 &&
           others > 0;
}

int OpenCache(const char* directory, Leftovers leftovers) {
    if (CacheList) {
        if (IsOpenFor(directory)) return 1;
        CloseCache();
    }
    // A folder too long for a path the host can open has no cache: its path
    // is refused, never cut into another path.
    if (lstrlenA(directory) > kLongestCacheFolder || !JoinPath(CachePath, directory, kCacheFileName)) {
        CachePath[0] = '\0';
        return 0;
    }
    // A folder whose cache is complete is never saved, so the host's own
    // clean-up before a save would never come for it.
    if (leftovers == Leftovers::kClearedHere) savetemp::RemoveStale(directory);
    g_opened = {Found::kCache, true, {false, 0, {0, 0}}};
    WIN32_FILE_ATTRIBUTE_DATA file;
    if (GetFileAttributesExA(CachePath, GetFileExInfoStandard, &file)) {
        if (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            g_opened.what = Found::kFolder;
        } else {
            LoadCacheFile(file);
        }
    }
    if (!CacheList) {
        CacheList = host::DLCreate(kCacheFileName, kCacheFlags);
        if (!CacheList) return 0;
        host::DLEmpty(CacheList);
    }
    ForgetCacheIndex();
    CacheDirty = false;
    return 1;
}

void CloseCache() {
    if (CacheDirty && CacheList) SaveCacheList();
    if (CacheList) host::DLDestroy(CacheList);
    CacheList = nullptr;
    currentEntry = nullptr;
    ForgetCacheIndex();
}
