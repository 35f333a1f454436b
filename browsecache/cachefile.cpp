// Opening and closing the cache of a folder.
#include "browsecache/cache.h"

#include "host/host.h"
#include "module/paths.h"
#include "module/state.h"

char CachePath[kCachePathSize];
int CacheDirty;
HostEntity* currentEntry;

static const char kCacheName[] = "~BRINFO.KVW";
enum { kCacheFlags = 8 };

// The open cache's folder is compared as spelled: another spelling of the
// same folder closes and reloads it.
static bool IsOpenFor(const char* directory) {
    char path[kCachePathSize];
    return JoinPath(path, directory, kCacheName) && lstrcmpA(path, CachePath) == 0;
}

int OpenCache(const char* directory) {
    if (CacheList) {
        if (IsOpenFor(directory)) return 1;
        CloseCache();
    }
    // A folder too long for the path is refused, never cut into another path.
    if (!JoinPath(CachePath, directory, kCacheName)) {
        CachePath[0] = '\0';
        return 0;
    }
    if (GetFileAttributesA(CachePath) != INVALID_FILE_ATTRIBUTES) {
        host::StatusMsg("Loading browse info...");
        CacheList = host::DLLoad(CachePath, kCacheFlags);
        host::StatusMsg(nullptr);
    }
    if (!CacheList) {
        CacheList = host::DLCreate(kCacheName, kCacheFlags);
        if (!CacheList) return 0;
        host::DLEmpty(CacheList);
    }
    ForgetCacheIndex();
    CacheDirty = 0;
    return 1;
}

void CloseCache() {
    if (CacheDirty == 1 && CacheList) {
        host::StatusMsg("Saving browse info...");
        host::DLSave(CacheList, CachePath);
        host::StatusMsg(nullptr);
        SetFileAttributesA(CachePath, FILE_ATTRIBUTE_HIDDEN);
    }
    if (CacheList) host::DLDestroy(CacheList);
    CacheList = nullptr;
    currentEntry = nullptr;
    ForgetCacheIndex();
}
