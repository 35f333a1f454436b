// Opening and closing the cache of a folder: what stands under the cache's
// name decides whether the list may be written back, and a save that fails
// is told.
#include "browsecache/cache.h"

#include <stdlib.h>

#include "host/host.h"
#include "module/gdi.h"
#include "module/paths.h"
#include "module/savetemporaries.h"
#include "module/state.h"
#include "module/text.h"
#include "module/writefailure.h"

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
// A folder's identity, which a rename keeps and a new folder of the old
// name does not share: its volume and file index. known is false where the
// system gives none.
struct FolderId {
    bool known;
    DWORD volume, indexHigh, indexLow;
};

struct OpenedFile {
    Found what;
    // The file's size and last write when it was read; a save first takes
    // over what another host saved since. known: the list holds what the
    // file held then (false when it could not be read for being in use).
    bool known;
    FileStamp stamp;
    FolderId folder;      // the folder it was read from: the only one it is written into
};
OpenedFile g_opened;

// The list of a save that another host's lock kept out, with its cache's
// path and what was opened there. Written by CloseCache; the next OpenCache
// takes its pictures over (the same folder) or saves it (another one).
struct KeptList {
    HDL list;
    char path[kCachePathSize];
    OpenedFile opened;
};
KeptList g_kept;

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

FolderId IdentifyFolder(const char* folder) {
    FolderId id = {false, 0, 0, 0};
    char path[kCachePathSize];
    int length = lstrlenA(folder);
    // "Z:" alone would name the drive's current folder, not its root.
    if (!FormatText(path, sizeof path, length > 0 && folder[length - 1] == ':' ? "%s\\" : "%s", folder)) return id;
    FileHandle handle = FileHandle::Take(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) return id;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(handle.Get(), &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        (info.nFileIndexHigh || info.nFileIndexLow)) {
        id = {true, info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    }
    return id;
}

// Whether the folder of that path is still the one read from: it may be
// gone, or be another folder (the first renamed away, a new one made under
// its name).
enum class FolderNow { kSame, kGone, kAnother };
FolderNow LookAtFolder(const char* folder, const FolderId& opened) {
    if (!opened.known) return FolderNow::kSame;
    FolderId now = IdentifyFolder(folder);
    if (!now.known) return FolderNow::kGone;
    bool same = now.volume == opened.volume && now.indexHigh == opened.indexHigh && now.indexLow == opened.indexLow;
    return same ? FolderNow::kSame : FolderNow::kAnother;
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

// What became of a save: the list may be kept for a later one only when
// another host's save held the folder all the time.
enum class Saved { kDone, kKept };
enum class MayKeep { kYes, kNo };

Saved Told(const char* reason) {
    TellSaveFailed(reason);
    return Saved::kDone;
}

// The hidden attribute is set only on a file this save wrote.
Saved SaveCacheList(MayKeep mayKeep) {
    switch (g_opened.what) {
        case Found::kFrozen: return Saved::kDone;
        case Found::kFolder: return Told("a folder named ~BRINFO.KVW is in the way");
        case Found::kDrawing: return Told("a drawing named ~BRINFO.KVW is in the way");
        case Found::kInUse:
            // The host would wait ten seconds for the holder; it held the
            // file all along, so it is asked once, and the user told.
            if (IsHeldOpen(CachePath)) return Told("the file is in use by another program");
            break;
        case Found::kCache: break;
    }
    char folder[kCachePathSize];
    CacheFolder(folder);
    host::StatusMsg("Saving browse info...");
    SaveLock lock;
    if (TakeSaveLock(folder, &lock) == SaveLockResult::kHeldByAnother) {
        host::StatusMsg(nullptr);
        const char* pictures = mayKeep == MayKeep::kYes ? "are kept for the next save" : "are lost";
        char reason[kReasonSize];
        FormatText(reason, sizeof reason, "another program was saving it for more than %d seconds; its new pictures %s",
                   static_cast<int>(kSaveLockWaitSeconds), pictures);
        TellSaveFailed(reason);
        return mayKeep == MayKeep::kYes ? Saved::kKept : Saved::kDone;
    }
    // Checked under the lock, right before the move, as the disk's file is.
    if (FolderNow now = LookAtFolder(folder, g_opened.folder); now != FolderNow::kSame) {
        host::StatusMsg(nullptr);
        return Told(now == FolderNow::kGone
                        ? "the folder is no longer there"
                        : "the folder was renamed or moved, and this is another folder of its name");
    }
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
    if (g_opened.what == Found::kDrawing) return Told("a drawing named ~BRINFO.KVW is in the way");
    if (!saved) {
        char reason[kReasonSize];
        DescribeWriteFailure(error, CachePath, reason, sizeof reason);
        return Told(reason);
    }
    SetFileAttributesA(CachePath, FILE_ATTRIBUTE_HIDDEN);
    g_opened.known = ReadFileStamp(CachePath, &g_opened.stamp);
    return Saved::kDone;
}

// Makes the kept list the open one (a cache of no folder was open).
void ReopenKeptList() {
    CacheList = g_kept.list;
    CopyText(CachePath, g_kept.path);
    g_opened = g_kept.opened;
    g_kept.list = nullptr;
    ForgetCacheIndex();
}

// Before another folder's cache opens, the kept list is saved into its own
// folder: once more, and then it goes.
void SaveKeptList() {
    ReopenKeptList();
    SaveCacheList(MayKeep::kNo);
    host::DLDestroy(CacheList);
    CacheList = nullptr;
    CachePath[0] = '\0';
    ForgetCacheIndex();
}

bool KeptListIsFor(const char* directory) {
    char path[kCachePathSize];
    return JoinPath(path, directory, kCacheFileName) && lstrcmpiA(path, g_kept.path) == 0 &&
           LookAtFolder(directory, g_kept.opened.folder) == FolderNow::kSame;
}

// The kept list of the folder just opened gives its pictures to the list
// read from the file, which holds what the other host saved.
void TakeOverKeptList(const char* directory) {
    if (MergeCacheLists(CacheList, g_kept.list, directory) > 0) CacheDirty = true;
    host::DLDestroy(g_kept.list);
    g_kept.list = nullptr;
    ForgetCacheIndex();
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
    if (g_kept.list && !KeptListIsFor(directory)) SaveKeptList();
    // A folder too long for a path the host can open has no cache: its path
    // is refused, never cut into another path.
    if (lstrlenA(directory) > kLongestCacheFolder || !JoinPath(CachePath, directory, kCacheFileName)) {
        CachePath[0] = '\0';
        return 0;
    }
    // A folder whose cache is complete is never saved, so the host's own
    // clean-up before a save would never come for it.
    if (leftovers == Leftovers::kClearedHere) savetemp::RemoveStale(directory);
    g_opened = {Found::kCache, true, {false, 0, {0, 0}}, IdentifyFolder(directory)};
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
    if (g_kept.list) TakeOverKeptList(directory);
    return 1;
}

void CloseCache() {
    bool kept = CacheDirty && CacheList && SaveCacheList(MayKeep::kYes) == Saved::kKept;
    if (kept) {
        g_kept = {CacheList, "", g_opened};
        CopyText(g_kept.path, CachePath);
    } else if (CacheList) {
        host::DLDestroy(CacheList);
    }
    CacheList = nullptr;
    currentEntry = nullptr;
    ForgetCacheIndex();
}
