// A folder's listing: which files are drawings, by which names they can be
// opened, and which are left out and why, for every format at once; then
// the files of one format, as a scan takes them. Nothing here touches the
// cache or the host, so the first listing of a showing is made on a thread
// of its own while the host loads the cache: under Wine each takes tens of
// milliseconds for a few thousand files, and the two overlap on a second
// core. The listing is kept for the showing: a change of format takes its
// files from it as long as the folder has not changed, and lists nothing.
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

// A drawing of any format as the listing meets it, before it is kept: the
// names are the listing's own buffers.
struct FoundFile {
    const char* shown;
    const char* name;
    LeftOutReason reason;
    bool pathFits;
    FILETIME time;
};

FoundFile ViewOf(const ListedDrawing& drawing) {
    const char* shown = drawing.shown.empty() ? drawing.name.c_str() : drawing.shown.c_str();
    return {shown, drawing.name.c_str(), drawing.reason, drawing.pathFits, drawing.time};
}

// Whether a file of the listing is a drawing at all, by its own name as far
// as the code page shows it.
bool IsListedDrawing(const char* shownName) {
    if (lstrlenA(shownName) <= kShortestName) return false;
    if (!NameMatchesAnyFormat(shownName)) return false;
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
bool KeepFile(FormatFiles& files, const char* name, const FILETIME& time) {
    try {
        char folded[MAX_PATH];
        CopyText(folded, name);
        CharUpperBuffA(folded, static_cast<DWORD>(lstrlenA(folded)));
        auto placed = files.files.emplace(folded, ListedFile{name, time});
        if (placed.second) return true;
        ListedFile& before = placed.first->second;
        if (lstrcmpA(name, before.name.c_str()) < 0) {
            NoteLeftOut(files.leftOut, before.name.c_str(), kSameName);
            before = ListedFile{name, time};
        } else {
            NoteLeftOut(files.leftOut, name, kSameName);
        }
        return true;
    } catch (...) {
        return false;
    }
}

// The tests a listing of one format alone made, in the same order: a
// drawing of another format is passed over, and one whose short name lacks
// the extension the host chooses its reader by is left out. False: the
// file could be neither kept nor handed on.
bool TakeIfOfFormat(const FoundFile& found, int formatIndex, FormatFiles& files, const UnkeptFile& unkept) {
    if (!NameMatchesFormat(formatIndex, found.shown)) return true;
    LeftOutReason reason = found.reason;
    if (reason == kNotLeftOut && !NameMatchesFormat(formatIndex, found.name)) reason = kUnspellable;
    if (reason == kNotLeftOut && !found.pathFits) reason = kPathTooLong;
    if (reason != kNotLeftOut) {
        NoteLeftOut(files.leftOut, found.shown, reason);
        return true;
    }
    return KeepFile(files, found.name, found.time) || unkept.take(unkept.context, found.name, found.time);
}

bool FolderBefore(const Subfolder& a, const Subfolder& b) { return lstrcmpiA(a.name, b.name) < 0; }

// The files of one format, and a copy of the subfolders. False when a file
// could be neither kept nor handed on.
bool TakeFormat(const FolderListing& listing, int formatIndex, FormatFiles* files, const UnkeptFile& unkept) {
    try {
        files->folders = listing.folders;
    } catch (...) {
        files->folders.clear();
    }
    for (const ListedDrawing& drawing : listing.files) {
        if (!TakeIfOfFormat(ViewOf(drawing), formatIndex, *files, unkept)) return false;
    }
    return true;
}

// Where the listing hands a drawing it has no memory to keep; false stops it.
struct UnkeptDrawing {
    bool (*take)(void* context, const FoundFile& found);
    void* context;
};

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

// Most names are shown as they are used: those are kept once.
bool KeepDrawing(FolderListing& listing, const FoundFile& found) {
    try {
        const char* name = found.reason == kNotLeftOut ? found.name : found.shown;
        const char* shown = strcmp(name, found.shown) == 0 ? "" : found.shown;
        listing.files.push_back(ListedDrawing{name, shown, found.reason, found.pathFits, found.time});
        return true;
    } catch (...) {
        return false;
    }
}

// A drawing the listing cannot keep goes to unkept, and the listing has a
// hole: whole is false.
bool ListFile(const char* folder, const WIN32_FIND_DATAW& found, FolderListing& listing,
              const UnkeptDrawing& unkept, const FILETIME& now) {
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
    if (!IsListedDrawing(shown)) return true;
    char name[MAX_PATH] = "";
    LeftOutReason reason = ListingName(found, name);
    FoundFile file = {shown, name, reason, reason == kNotLeftOut && PathFits(folder, name), found.ftLastWriteTime};
    if (KeepDrawing(listing, file)) return true;
    listing.whole = false;
    return unkept.take(unkept.context, file);
}

bool GiveUpDrawing(void*, const FoundFile&) { return false; }
bool GiveUpFile(void*, const char*, const FILETIME&) { return false; }

// Why a name spelt in the code page still cannot be used, or kNotLeftOut.
LeftOutReason UsableNameReason(const char* name) {
    if (!IsPlainFileName(name)) return kNotPlain;
    if (HoldsReservedCharacter(name)) return kReservedCharacter;
    if (IsDeviceName(name)) return kDeviceName;
    return kNotLeftOut;
}

// A folder too long for the pattern, or one that cannot be listed, reads
// as an empty one. The listing stops when a file could be neither kept nor
// handed to unkept, or when *stop is set; it is not whole then. The stale
// temporaries of killed saves met on the way are deleted.
void ListFolder(const char* folder, FolderListing* listing, UnkeptDrawing unkept, const volatile LONG* stop) {
    listing->files.clear();
    listing->folders.clear();
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
        if ((stop && *stop) || !ListFile(folder, found, *listing, unkept, now)) {
            listing->whole = false;
            break;
        }
    } while (FindNextFileW(search.Get(), &found));
    std::sort(listing->folders.begin(), listing->folders.end(), FolderBefore);
}

// A change of anything a listing reads: a name made, removed or renamed,
// a file written, its size, times or attributes.
const DWORD kListingChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                              FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SIZE |
                              FILE_NOTIFY_CHANGE_LAST_WRITE;

// "folder\" names the folder itself also where it is a drive's root spelt
// without its backslash ("C:" alone is that drive's current folder).
bool FolderItself(const char* folder, char (&path)[kDirSize + 1]) {
    int length = lstrlenA(folder);
    return FormatText(path, sizeof path, length > 0 && folder[length - 1] == '\\' ? "%s" : "%s\\", folder);
}

bool ReadFolderTime(const char* folder, FILETIME* time) {
    char path[kDirSize + 1];
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!FolderItself(folder, path) || !GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
    *time = data.ftLastWriteTime;
    return true;
}

}  // namespace

// The showing's listing and what tells that the folder changed since it was
// made. Made by StartFolderListing or a scan; dropped by the showing.
struct KeptListing {
    FileHandle thread;          // the thread making it, until a scan takes it
    char folder[kDirSize];
    volatile LONG stop;         // set when the listing is no longer wanted
    // Neither alone tells every change: the folder's last-write time moves
    // only when a name in it is made, removed or renamed, and Wine signals
    // the notification (from inotify) a moment after the change, so a file
    // added just before a look may not have signalled it yet.
    ChangeNotification change;  // armed before the listing started
    FILETIME folderTime;        // the folder's last-write time before the listing started
    bool watched;               // both were taken
    FolderListing listing;
    int formatIndex;            // the format of files, or -1
    FormatFiles files;          // the files of that format, taken out by the thread
};

namespace {

// Armed before the folder is read, so that a change while it is read tells;
// on the dialog's thread, which keeps the count of live handles.
void WatchFolder(KeptListing* kept) {
    char path[kDirSize + 1];
    if (FolderItself(kept->folder, path)) {
        kept->change = ChangeNotification::Take(FindFirstChangeNotificationA(path, FALSE, kListingChanges));
    }
    kept->watched = kept->change && ReadFolderTime(kept->folder, &kept->folderTime);
}

// A listing that was made whole of a folder that, as far as the system
// tells, has not changed since.
bool StillTellsTheFolder(const KeptListing& kept) {
    if (!kept.watched || !kept.listing.whole || lstrcmpA(kept.folder, browseDirectory) != 0) return false;
    if (WaitForSingleObject(kept.change.Get(), 0) != WAIT_TIMEOUT) return false;
    FILETIME now;
    return ReadFolderTime(kept.folder, &now) && CompareFileTime(&now, &kept.folderTime) == 0;
}

// The scan that takes the listing most likely wants the format the showing
// starts with: its files are taken here too, beside the cache's load.
DWORD WINAPI ListingThread(void* keptValue) {
    auto* kept = static_cast<KeptListing*>(keptValue);
    ListFolder(kept->folder, &kept->listing, {GiveUpDrawing, nullptr}, &kept->stop);
    if (!kept->listing.whole || !TakeFormat(kept->listing, kept->formatIndex, &kept->files, {GiveUpFile, nullptr})) {
        kept->formatIndex = -1;
    }
    return 0;
}

// A listing nobody takes stops at its next file: a slow network folder
// would otherwise keep the user waiting for a listing that is thrown away.
void StopAndDrop(KeptListing* kept) {
    InterlockedExchange(&kept->stop, 1);
    if (kept->thread) WaitForSingleObject(kept->thread.Get(), INFINITE);
    delete kept;
}

// What a scan's own listing cannot keep is taken for the scan's format at
// once.
struct ScanFormat {
    int formatIndex;
    FormatFiles* files;
    UnkeptFile unkept;
};

bool TakeForScan(void* scanValue, const FoundFile& found) {
    auto* scan = static_cast<ScanFormat*>(scanValue);
    return TakeIfOfFormat(found, scan->formatIndex, *scan->files, scan->unkept);
}

KeptListing* NewListing() {
    std::unique_ptr<KeptListing, DropListing> kept(new (std::nothrow) KeptListing(), {StopAndDrop});
    if (!kept) return nullptr;
    CopyText(kept->folder, browseDirectory);
    kept->formatIndex = -1;
    Showing.listing = std::move(kept);
    return Showing.listing.get();
}

// Waits for the thread's listing, if one was started: true when it is done,
// whole and of this folder, and the showing keeps it; otherwise it is
// dropped.
bool TakeThreadsListing() {
    KeptListing* kept = Showing.listing.get();
    if (!kept || !kept->thread) return false;
    WaitForSingleObject(kept->thread.Get(), INFINITE);
    kept->thread.Reset();
    if (kept->listing.whole && lstrcmpA(kept->folder, browseDirectory) == 0) return true;
    DropFolderListing();
    return false;
}

// A new listing of browseDirectory, kept for the next scan when it is whole
// and the folder is watched; what it has no memory for is taken at once.
void ListAgain(int formatIndex, FormatFiles* files, const UnkeptFile& unkept) {
    DropFolderListing();
    ++Showing.listingsMade;
    KeptListing* kept = NewListing();
    FolderListing unwatched;
    if (kept) WatchFolder(kept);
    FolderListing& listing = kept ? kept->listing : unwatched;
    ScanFormat scan = {formatIndex, files, unkept};
    ListFolder(browseDirectory, &listing, {TakeForScan, &scan}, nullptr);
    if (!TakeFormat(listing, formatIndex, files, unkept) || !listing.whole) DropFolderListing();
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

// Without memory or a thread the scan lists the folder itself, later.
void StartFolderListing(int formatIndex) {
    DropFolderListing();
    KeptListing* kept = NewListing();
    if (!kept) return;
    kept->formatIndex = formatIndex;
    WatchFolder(kept);
    ++Showing.listingsMade;
    kept->thread = FileHandle::Take(CreateThread(nullptr, 0, ListingThread, kept, 0, nullptr));
    if (!kept->thread) DropFolderListing();
}

void DropFolderListing() { Showing.listing.reset(); }

// A listing the thread made is taken whatever the use: it is as fresh as
// the showing. F5 lists again, and so does a scan whose listing went or
// was not made whole (it had no memory for every file).
void ListFormat(int formatIndex, ListingUse use, FormatFiles* files, UnkeptFile unkept) {
    bool fresh = TakeThreadsListing();
    KeptListing* kept = Showing.listing.get();
    if (fresh && kept->formatIndex == formatIndex) {
        std::swap(*files, kept->files);
        kept->formatIndex = -1;
        return;
    }
    if (fresh || (use == kReuseUnchanged && kept && StillTellsTheFolder(*kept))) {
        if (!TakeFormat(kept->listing, formatIndex, files, unkept)) DropFolderListing();
        return;
    }
    ListAgain(formatIndex, files, unkept);
}
