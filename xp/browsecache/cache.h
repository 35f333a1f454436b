// The browse-info cache: one hidden ~BRINFO.KVW per browsed folder, holding
// one entry per drawing file with its pictures and notes.
#pragma once

#include "browsecache/imageinfo.h"
#include "host/hostapi.h"
#include "module/gdi.h"

// The cache's file name in every browsed folder.
constexpr char kCacheFileName[] = "~BRINFO.KVW";
enum { kCachePathSize = 264 };
// The longest folder that can have a cache: the host opens no path of
// MAX_PATH characters or more, and the cache's path adds a backslash and
// the name (as many characters as the name's size with its NUL).
enum { kLongestCacheFolder = MAX_PATH - 1 - sizeof kCacheFileName };

// The most entries a cache list holds. Every entry takes its 43,646 bytes
// of the 32-bit host's 2 GB from the scan on, and making pictures, saving
// and loading need room beside them. Measured through the stand-in
// (bench/limit_e2e.sh: Cache all, Close, the saved cache loaded back):
// 30,010 entries (1,255 MB) and 33,761 (1,412 MB) are made, saved and
// loaded whole; at 36,010 pictures fail for want of memory and no cache
// is written. 30,000 leaves the host about 150 MB for its own drawings.
enum { kMostCacheEntries = 30000 };
// kMostCacheEntries, or less when the test switch XP_MOST_CACHE_ENTRIES
// asks for less.
int MostCacheEntries();

// The open cache file's full path; written by OpenCache.
extern char CachePath[kCachePathSize];
// The list differs from the file; set by whoever adds or fills an entry,
// cleared by OpenCache.
extern bool CacheDirty;
// The file manager's selected entry, or null; cleared when the cache closes.
extern HostEntity* currentEntry;

// Who clears the leftover temporaries of killed saves from the folder: the
// cache as it opens, or a listing of the folder that the caller makes anyway.
enum class Leftovers { kClearedHere, kClearedByListing };
// 0 when the folder can have no cache (too long, or no list).
int OpenCache(const char* directory, Leftovers leftovers = Leftovers::kClearedHere);
void CloseCache();
HostEntity* FindOrAddEntry(const char* name, const FILETIME* time);
void MakePictures(HostEntity** entryRef);
// The entry's notes become copies of the notes of list (the list its picture
// was drawn from); the entry may move, and entryRef follows it.
void StoreEntryNotes(HostEntity** entryRef, HDL list);
// Drawings that MakePictures could not load, remembered by name and
// last-write time until ForgetUnreadable (at every showing of the browser).
bool IsUnreadable(const ImageInfoRecord* entry);
void RememberUnreadable(const ImageInfoRecord* entry);
void ForgetUnreadable();
// Converts bitmap (of that size, selected nowhere) into the 8-bit rows of an
// entry's picture through the colour table of PictureInfo, which is stored
// in the settings the first time. False when the conversion failed.
bool StorePictureRows(HDC memory, HBITMAP bitmap, PictureSize size, void* rows);
// Around a batch of MakePictures: the device contexts are made once.
void BeginPictureBatch();
void EndPictureBatch();

// The folder's save lock (savelock.cpp): a save holds it from its look at
// the file on disk to its move over it; another host's save waits for it
// up to kSaveLockWaitSeconds. The lock is the first byte of a hidden file
// of this name, which stays in the folder.
constexpr char kSaveLockFileName[] = "~BRINFO.LCK";
enum { kSaveLockWaitSeconds = 5 };
struct SaveLock {
    FileHandle file;    // the lock goes with the handle
};
enum class SaveLockResult {
    kTaken,           // held by *lock until it goes
    kNoLockFile,      // the folder takes none (no permission): save without
    kHeldByAnother,   // another host held it all the time
};
SaveLockResult TakeSaveLock(const char* folder, SaveLock* lock);

// A file's size and last write, to tell whether someone wrote it since.
struct FileStamp {
    bool present;
    uint64_t size;
    FILETIME written;
};
bool ReadFileStamp(const char* path, FileStamp* stamp);
bool SameFileStamp(const FileStamp& a, const FileStamp& b);
// Records but no entry: a drawing saved under the cache's name.
bool IsUsersDrawing(HDL list);
// Takes over into `into` what another host's save `from` of the cache of
// folder holds and `into` lacks; the number of entries taken.
int MergeCacheLists(HDL into, HDL from, const char* folder);

// The lookup keeps an index of the open list. Code that changes the list
// other than through FindOrAddEntry tells it here.
void ForgetCacheIndex();
void CacheEntryMoved(HostEntity* from, HostEntity* to);
// Whether the index still answers for the open list in name order, rather
// than having the list walked (for tests).
bool CacheOrderAnswers();
