// Bringing the cache into step with the folder: mark every entity, let each
// file found unmark (or renew) its entry, then sweep the entries of this
// format that are still marked, whose files are gone.
#include "browser/browserinternal.h"

#include <string.h>

#include <algorithm>
#include <string>
#include <unordered_map>

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/names.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"

// Written by ScanBrowseDir; shown by FillBrowseList.
int FoundCount;
// Written by ScanBrowseDir; told by the dialog.
LeftOutFiles LeftOut;

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

// Whether a file of the listing is a drawing of this format at all, by its
// own name as far as the code page shows it.
bool IsListedDrawing(const char* shownName, int formatIndex) {
    if (lstrlenA(shownName) <= kShortestName) return false;
    if (!NameMatchesFormat(formatIndex, shownName)) return false;
    // On a file system that ignores case every spelling of the cache's name
    // is the cache itself, never a drawing.
    return lstrcmpiA(shownName, kCacheFileName) != 0;
}

// The host opens no path of MAX_PATH characters or more.
bool PathFits(const char* name) {
    return lstrlenA(browseDirectory) + 1 + lstrlenA(name) < MAX_PATH;
}

// The files named are the first in name order, whatever order the system
// lists them in.
void NoteLeftOut(const char* name, LeftOutReason reason) {
    int named = std::min<int>(LeftOut.count, kLeftOutNamed);
    ++LeftOut.count;
    int place = named;
    while (place > 0 && lstrcmpA(name, LeftOut.files[place - 1].name) < 0) --place;
    if (place >= kLeftOutNamed) return;
    int last = std::min<int>(named, kLeftOutNamed - 1);
    for (int i = last; i > place; --i) LeftOut.files[i] = LeftOut.files[i - 1];
    LeftOut.files[place].reason = reason;
    CopyText(LeftOut.files[place].name, name);
}

// An entry for a file in state 2 was deleted from the browser; a file of
// that name and time is the file restored (a copy keeping its time), and is
// pictured again. An entry that keeps its old spelling of the name is given
// the listing's, so that it names exactly the file listed; its pictures may
// be another file's, so they are made again. A state byte outside 0 to 2 (a
// damaged or foreign cache) means no picture: made again rather than left
// blank for ever.
void TakeFile(const char* name, const FILETIME& time) {
    ImageInfoRecord* entry = AsImageInfo(FindOrAddEntry(name, &time));
    if (!entry) return;
    if (lstrcmpA(entry->name, name) != 0) {
        CopyText(entry->name, name);
        entry->state = kNoPicture;
        CacheDirty = 1;
    }
    if (entry->state >= kFileDeleted) entry->state = kNoPicture;
}

// The files this scan takes, by name in upper case: a second file whose
// name differs only in case (a case-sensitive file system) or that shares a
// short name would find the first one's entry, so two files would count and
// one be pictured, picked and deleted for both. Of two such files the one
// first in name order is listed, whatever order the system lists them in;
// so the entries are made only once the listing is done, lest they swap
// names (and pictures) at every scan.
class TakenFiles {
public:
    void Take(const char* name, const FILETIME& time) {
        try {
            char folded[MAX_PATH];
            CopyText(folded, name);
            CharUpperBuffA(folded, static_cast<DWORD>(lstrlenA(folded)));
            auto placed = files_.emplace(folded, File{name, time});
            if (placed.second) return;
            File& before = placed.first->second;
            if (lstrcmpA(name, before.name.c_str()) < 0) {
                NoteLeftOut(before.name.c_str(), kSameName);
                before = File{name, time};
            } else {
                NoteLeftOut(name, kSameName);
            }
        } catch (...) {
            // Without memory to remember it the file is taken at once.
            TakeFile(name, time);
            ++FoundCount;
        }
    }

    void MakeEntries() {
        for (const auto& taken : files_) {
            TakeFile(taken.second.name.c_str(), taken.second.time);
            ++FoundCount;
        }
    }

private:
    struct File {
        std::string name;
        FILETIME time;
    };
    std::unordered_map<std::string, File> files_;
};

void ScanFile(const WIN32_FIND_DATAW& found, int formatIndex, TakenFiles& taken) {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
    char shown[MAX_PATH];
    ShownName(found.cFileName, shown);
    if (!IsListedDrawing(shown, formatIndex)) return;
    char name[MAX_PATH];
    LeftOutReason reason = ListingName(found, name);
    // A short name stands for the file only with the extension that the
    // host chooses its reader by.
    if (reason == kNotLeftOut && !NameMatchesFormat(formatIndex, name)) reason = kUnspellable;
    if (reason == kNotLeftOut && !PathFits(name)) reason = kPathTooLong;
    if (reason != kNotLeftOut) {
        NoteLeftOut(shown, reason);
        return;
    }
    taken.Take(name, found.ftLastWriteTime);
}

}  // namespace

// The name the module uses for a file must open exactly that file. Not every
// wide name can be spelt in the code page: a name that cannot is used by its
// short name when the system gives one that can, else left out. A name that
// holds a path separator or names a folder (a Linux file called
// "..\UP.KVW") would open a file elsewhere, and a device name a device:
// never used, nor their short names. name is set only when the file is
// listed.
LeftOutReason ListingName(const WIN32_FIND_DATAW& found, char (&name)[MAX_PATH]) {
    if (!SpellInCodePage(found.cFileName, name, sizeof name)) {
        if (!found.cAlternateFileName[0]) return kUnspellable;
        char shortName[MAX_PATH];
        if (!SpellInCodePage(found.cAlternateFileName, shortName, sizeof shortName)) return kUnspellable;
        if (!IsPlainFileName(shortName)) return kNotPlain;
        if (IsDeviceName(shortName)) return kDeviceName;
        CopyText(name, shortName);
        return kNotLeftOut;
    }
    if (!IsPlainFileName(name)) return kNotPlain;
    if (IsDeviceName(name)) return kDeviceName;
    return kNotLeftOut;
}

// The name with '?' for what the code page lacks: for showing only.
void ShownName(const wchar_t* wide, char (&name)[MAX_PATH]) {
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, name, sizeof name, nullptr, nullptr) <= 0) {
        CopyText(name, "?");
    }
}

void ScanBrowseDir(int formatIndex) {
    if (!CacheList) return;
    host::DLScan(CacheList, MarkEntity, kScanAll, 0, 0);
    FoundCount = 0;
    LeftOut = LeftOutFiles();
    char pattern[kDirSize + 8];
    wchar_t widePattern[kDirSize + 8];
    // A folder too long for the pattern reads as an empty one.
    HANDLE search = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW found;
    if (JoinPath(pattern, browseDirectory, "*.*") &&
        MultiByteToWideChar(CP_ACP, 0, pattern, -1, widePattern, kDirSize + 8) > 0) {
        search = FindFirstFileW(widePattern, &found);
    }
    if (search != INVALID_HANDLE_VALUE) {
        TakenFiles taken;
        do {
            ScanFile(found, formatIndex, taken);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        taken.MakeEntries();
    }
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
