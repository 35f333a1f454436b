// A folder's listing for one format: which files are drawings of it, by
// which names they can be opened, and which are left out and why. Nothing
// here touches the cache or the host, so the first listing of a showing is
// made on a thread of its own while the host loads the cache: under Wine
// each takes tens of milliseconds for a few thousand files, and the two
// overlap on a second core.
#include "browser/browserinternal.h"

#include <string.h>

#include <algorithm>
#include <new>
#include <utility>

#include "browsecache/cache.h"
#include "module/gdi.h"
#include "module/infolder.h"
#include "module/names.h"
#include "module/paths.h"
#include "module/savetemporaries.h"
#include "module/state.h"
#include "module/text.h"

namespace {

enum { kShortestName = 4 };

// Whether a file of the listing is a drawing of this format at all, by its
// own name as far as the code page shows it.
bool IsListedDrawing(const char* shownName, int formatIndex) {
    if (lstrlenA(shownName) <= kShortestName) return false;
    if (!NameMatchesFormat(formatIndex, shownName)) return false;
    // On a file system that ignores case every spelling of the cache's name
    // is the cache itself, never a drawing.
    return !SameIgnoringCase(shownName, kCacheFileName);
}

// The host opens no path of MAX_PATH characters or more.
bool PathFits(const char* folder, const char* name) {
    return lstrlenA(folder) + 1 + lstrlenA(name) < MAX_PATH;
}

// The files named are the first in name order, whatever order the system
// lists them in.
void NoteLeftOut(LeftOutFiles& leftOut, const char* name, LeftOutReason reason) {
    int named = std::min<int>(leftOut.count, kLeftOutNamed);
    ++leftOut.count;
    int place = named;
    while (place > 0 && lstrcmpA(name, leftOut.files[place - 1].name) < 0) --place;
    if (place >= kLeftOutNamed) return;
    int last = std::min<int>(named, kLeftOutNamed - 1);
    for (int i = last; i > place; --i) leftOut.files[i] = leftOut.files[i - 1];
    leftOut.files[place].reason = reason;
    CopyText(leftOut.files[place].name, name);
}

// The files are kept by name in upper case: a second file whose name
// differs only in case (a case-sensitive file system) or that shares a
// short name would find the first one's entry, so two files would count and
// one be pictured, picked and deleted for both. Of two such files the one
// first in name order is listed, whatever order the system lists them in,
// lest they swap names (and pictures) at every scan. False: no memory to
// remember the file.
bool KeepFile(FolderListing& listing, const char* name, const FILETIME& time) {
    try {
        char folded[MAX_PATH];
        CopyText(folded, name);
        CharUpperBuffA(folded, static_cast<DWORD>(lstrlenA(folded)));
        auto placed = listing.files.emplace(folded, ListedFile{name, time});
        if (placed.second) return true;
        ListedFile& before = placed.first->second;
        if (lstrcmpA(name, before.name.c_str()) < 0) {
            NoteLeftOut(listing.leftOut, before.name.c_str(), kSameName);
            before = ListedFile{name, time};
        } else {
            NoteLeftOut(listing.leftOut, name, kSameName);
        }
        return true;
    } catch (...) {
        return false;
    }
}

// A subfolder the user may open: not hidden or a system's, not a link
// (Wine reports no reparse point on a symbolic link: only where it leads
// tells), and by a name that opens it. Without memory it is left out; the
// files still count.
void NoteSubfolder(const char* folder, const WIN32_FIND_DATAW& found, FolderListing& listing) {
    const DWORD kNotShown = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT;
    if (found.dwFileAttributes & kNotShown) return;
    Subfolder subfolder;
    if (ListingName(found, subfolder.name) != kNotLeftOut || !NamesFileInFolder(folder, subfolder.name)) return;
    try {
        listing.folders.push_back(subfolder);
    } catch (...) {
    }
}

bool ListFile(const char* folder, const WIN32_FIND_DATAW& found, int formatIndex, FolderListing& listing,
              const UnkeptFile& unkept, const FILETIME& now) {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        NoteSubfolder(folder, found, listing);
        return true;
    }
    char shown[MAX_PATH];
    ShownName(found.cFileName, shown);
    if (savetemp::IsTemporaryName(shown)) {
        savetemp::RemoveIfStale(folder, shown, found.ftLastWriteTime, now);
        return true;
    }
    if (!IsListedDrawing(shown, formatIndex)) return true;
    char name[MAX_PATH];
    LeftOutReason reason = ListingName(found, name);
    // A short name stands for the file only with the extension that the
    // host chooses its reader by.
    if (reason == kNotLeftOut && !NameMatchesFormat(formatIndex, name)) reason = kUnspellable;
    if (reason == kNotLeftOut && !PathFits(folder, name)) reason = kPathTooLong;
    if (reason != kNotLeftOut) {
        NoteLeftOut(listing.leftOut, shown, reason);
        return true;
    }
    const FILETIME& time = found.ftLastWriteTime;
    return KeepFile(listing, name, time) || unkept.take(unkept.context, name, time);
}

bool GiveUp(void*, const char*, const FILETIME&) { return false; }

// Why a name spelt in the code page still cannot be used, or kNotLeftOut.
LeftOutReason UsableNameReason(const char* name) {
    if (!IsPlainFileName(name)) return kNotPlain;
    if (HoldsReservedCharacter(name)) return kReservedCharacter;
    if (IsDeviceName(name)) return kDeviceName;
    return kNotLeftOut;
}

}  // namespace

// Made by StartFolderListing; taken or dropped by the same showing.
struct StartedListing {
    FileHandle thread;
    char folder[kDirSize];
    int formatIndex;
    volatile LONG stop;         // set when the listing is no longer wanted
    FolderListing listing;
};

namespace {

DWORD WINAPI ListingThread(void* startedValue) {
    auto* started = static_cast<StartedListing*>(startedValue);
    ListFolder(started->folder, started->formatIndex, &started->listing, {GiveUp, nullptr}, &started->stop);
    return 0;
}

}  // namespace

// The name the module uses for a file must open exactly that file. Not every
// wide name can be spelt in the code page: a name that cannot is used by its
// short name when the system gives one that can, else left out. A name that
// holds a path separator or names a folder (a Linux file called
// "..\UP.KVW") would open a file elsewhere, a name with a wildcard or
// another reserved character opens nothing, and a device name a device:
// never used, nor their short names. name is set only when the file is
// listed.
LeftOutReason ListingName(const WIN32_FIND_DATAW& found, char (&name)[MAX_PATH]) {
    if (!SpellInCodePage(found.cFileName, name, sizeof name)) {
        if (!found.cAlternateFileName[0]) return kUnspellable;
        char shortName[MAX_PATH];
        if (!SpellInCodePage(found.cAlternateFileName, shortName, sizeof shortName)) return kUnspellable;
        LeftOutReason reason = UsableNameReason(shortName);
        if (reason == kNotLeftOut) CopyText(name, shortName);
        return reason;
    }
    return UsableNameReason(name);
}

// The name with '?' for what the code page lacks: for showing only.
void ShownName(const wchar_t* wide, char (&name)[MAX_PATH]) {
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, name, sizeof name, nullptr, nullptr) <= 0) {
        CopyText(name, "?");
    }
}

// A folder too long for the pattern, or one that cannot be listed, reads
// as an empty one. listing->whole is false when a file could be neither
// kept nor handed to unkept, or when *stop was set before the end. The
// stale temporaries of killed saves met on the way are deleted.
void ListFolder(const char* folder, int formatIndex, FolderListing* listing, UnkeptFile unkept,
                const volatile LONG* stop) {
    listing->files.clear();
    listing->folders.clear();
    listing->leftOut = LeftOutFiles();
    listing->whole = true;
    char pattern[kDirSize + 8];
    wchar_t widePattern[kDirSize + 8];
    FindHandle search;
    WIN32_FIND_DATAW found;
    if (JoinPath(pattern, folder, "*.*") &&
        MultiByteToWideChar(CP_ACP, 0, pattern, -1, widePattern, kDirSize + 8) > 0) {
        search = FindHandle::Take(FindFirstFileW(widePattern, &found));
    }
    if (!search) return;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    do {
        if ((stop && *stop) || !ListFile(folder, found, formatIndex, *listing, unkept, now)) {
            listing->whole = false;
            break;
        }
    } while (FindNextFileW(search.Get(), &found));
}

namespace {

// A listing nobody takes stops at its next file: a slow network folder
// would otherwise keep the user waiting for a listing that is thrown away.
void StopAndDrop(StartedListing* started) {
    InterlockedExchange(&started->stop, 1);
    WaitForSingleObject(started->thread.Get(), INFINITE);
    delete started;
}

}  // namespace

// Without memory or a thread the scan lists the folder itself, later.
void StartFolderListing(int formatIndex) {
    DropFolderListing();
    std::unique_ptr<StartedListing, StopListing> started(new (std::nothrow) StartedListing(), {StopAndDrop});
    if (!started) return;
    CopyText(started->folder, browseDirectory);
    started->formatIndex = formatIndex;
    started->thread = FileHandle::Take(CreateThread(nullptr, 0, ListingThread, started.get(), 0, nullptr));
    if (started->thread) Showing.listing = std::move(started);
}

bool TakeFolderListing(int formatIndex, FolderListing* listing) {
    StartedListing* started = Showing.listing.get();
    if (!started) return false;
    WaitForSingleObject(started->thread.Get(), INFINITE);
    bool usable = started->listing.whole && started->formatIndex == formatIndex &&
                  lstrcmpA(started->folder, browseDirectory) == 0;
    if (usable) std::swap(*listing, started->listing);
    DropFolderListing();
    return usable;
}

void DropFolderListing() { Showing.listing.reset(); }
