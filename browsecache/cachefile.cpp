// Opening and closing the cache of a folder.
#include "browsecache/cache.h"

#include "host/host.h"
#include "module/state.h"
#include "module/text.h"

char CachePath[kCachePathSize];
int CacheDirty;
HostEntity* currentEntry;

static const char kCacheName[] = "~BRINFO.KVW";
enum { kCacheSuffixLength = 12, kCacheFlags = 8 };  // "\~BRINFO.KVW"

// The open cache's folder is compared as spelled: another spelling of the
// same folder closes and reloads it.
static bool IsOpenFor(const char* directory) {
    int folderLength = lstrlenA(CachePath) - kCacheSuffixLength;
    if (folderLength < 0 || folderLength != lstrlenA(directory)) return false;
    char folder[kCachePathSize];
    CopyText(folder, static_cast<size_t>(folderLength) + 1, CachePath);
    return lstrcmpA(folder, directory) == 0;
}

int OpenCache(const char* directory) {
    if (CacheList) {
        if (IsOpenFor(directory)) return 1;
        CloseCache();
    }
    // A folder too long for the path is refused, never cut into another path.
    if (!FormatText(CachePath, sizeof CachePath, "%s\\%s", directory, kCacheName)) {
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
