// Opening and closing the cache of a folder.
#include "browsecache/cache.h"

#include "host/host.h"
#include "module/paths.h"
#include "module/state.h"

char CachePath[kCachePathSize];
int CacheDirty;
HostEntity* currentEntry;

enum { kCacheFlags = 8 };
static_assert(kLongestCacheFolder + sizeof kCacheFileName < MAX_PATH, "the longest folder's cache path opens");
static_assert(kLongestCacheFolder + sizeof kCacheFileName < kCachePathSize, "CachePath holds every cache path");

// Set by OpenCache when the file under the cache's name is someone's
// drawing; read by CloseCache, which then never writes it.
static bool g_cacheIsDrawing;

static int FindOtherRecord(int, HostEntity* entity, intptr_t, intptr_t) {
    return AsImageInfo(entity) ? 0 : 1;
}

// The open cache's folder is compared as spelled: another spelling of the
// same folder closes and reloads it.
static bool IsOpenFor(const char* directory) {
    char path[kCachePathSize];
    return JoinPath(path, directory, kCacheFileName) && lstrcmpA(path, CachePath) == 0;
}

int OpenCache(const char* directory) {
    if (CacheList) {
        if (IsOpenFor(directory)) return 1;
        CloseCache();
    }
    // A folder too long for a path the host can open has no cache: its path
    // is refused, never cut into another path.
    if (lstrlenA(directory) > kLongestCacheFolder ||
        !JoinPath(CachePath, directory, kCacheFileName)) {
        CachePath[0] = '\0';
        return 0;
    }
    g_cacheIsDrawing = false;
    if (GetFileAttributesA(CachePath) != INVALID_FILE_ATTRIBUTES) {
        host::StatusMsg("Loading browse info...");
        CacheList = host::DLLoad(CachePath, kCacheFlags);
        host::StatusMsg(nullptr);
        // Top-level records that are no entries: someone saved a drawing
        // under the cache's name. It is browsed from memory and never
        // rewritten or hidden.
        if (CacheList) g_cacheIsDrawing = host::DLScan(CacheList, FindOtherRecord, kScanAll, 0, 0) != 0;
    }
    if (!CacheList) {
        CacheList = host::DLCreate(kCacheFileName, kCacheFlags);
        if (!CacheList) return 0;
        host::DLEmpty(CacheList);
    }
    ForgetCacheIndex();
    CacheDirty = 0;
    return 1;
}

void CloseCache() {
    if (CacheDirty == 1 && CacheList && !g_cacheIsDrawing) {
        host::StatusMsg("Saving browse info...");
        host::DLSave(CacheList, CachePath);
        host::StatusMsg(nullptr);
        SetFileAttributesA(CachePath, FILE_ATTRIBUTE_HIDDEN);
    }
    if (CacheList) host::DLDestroy(CacheList);
    CacheList = nullptr;
    g_cacheIsDrawing = false;
    currentEntry = nullptr;
    ForgetCacheIndex();
}
