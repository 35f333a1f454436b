// The folder's save lock: two hosts closing the same folder's browser at
// once each looked whether the other had saved, then each moved its file
// over the cache, and the later move lost the earlier host's pictures. A
// save holds the lock from its look at the file on disk to its move, so
// the later save sees the earlier one and takes its pictures over.
//
// The lock is the first byte of a hidden lock file, locked; the file stays.
// A byte lock holds between every two programs that see the file, on a file
// server and between Wine sessions, where the file's sharing mode holds only
// within one session. The system lets go of the lock of a host that dies,
// and never of a file that is left: a lock file deleted as its lock ends
// could be locked by a waiter just before it goes, while a third host locks
// the new one. A folder where the lock file can be neither made nor opened
// (no permission to write) is saved without it: that save fails and says why.
#include "browsecache/cache.h"

#include <utility>

#include "module/paths.h"

namespace {

enum { kWaitMs = kSaveLockWaitSeconds * 1000, kPauseMs = 50 };

// Opened for writing too: Wine makes an exclusive lock one for the other
// sessions only on a file open for writing (a read-only handle's lock held
// within its own session alone, and two hosts saved at once).
FileHandle OpenLockFile(const char* path) {
    return FileHandle::Take(CreateFileA(path, GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_HIDDEN, nullptr));
}

bool LockFirstByte(HANDLE file) {
    OVERLAPPED at = {};
    return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}

}  // namespace

SaveLockResult TakeSaveLock(const char* folder, SaveLock* lock) {
    char path[MAX_PATH];
    if (!JoinPath(path, folder, kSaveLockFileName)) return SaveLockResult::kNoLockFile;
    DWORD started = GetTickCount();
    for (;;) {
        FileHandle file = OpenLockFile(path);
        if (!file) return SaveLockResult::kNoLockFile;
        if (LockFirstByte(file.Get())) {
            lock->file = std::move(file);
            return SaveLockResult::kTaken;
        }
        DWORD error = GetLastError();
        file.Reset();
        // A file system without byte locks: as if there were no lock file.
        if (error != ERROR_LOCK_VIOLATION) return SaveLockResult::kNoLockFile;
        if (GetTickCount() - started >= static_cast<DWORD>(kWaitMs)) return SaveLockResult::kHeldByAnother;
        Sleep(kPauseMs);
    }
}
