// Two hosts on one folder: before a save replaces the cache, what the other
// host saved there since this one read it is taken over, so that neither
// host's pictures are lost to the other's save.
//
// The rules: an entry for a name this list lacks is taken when its drawing
// is still there with the entry's time (a vanished or changed file would only
// be swept or remade); a picture is taken for an entry this list holds
// without one when both have the same name and time. An entry marked
// deleted is never taken, and this list's deleted entries stay deleted.
#include "browsecache/cache.h"

#include <map>
#include <string>
#include <vector>

#include "host/host.h"
#include "module/names.h"
#include "module/paths.h"

namespace {

struct NameLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return lstrcmpiA(a.c_str(), b.c_str()) < 0;
    }
};
using EntriesByName = std::map<std::string, HostEntity*, NameLess>;

// Live entries: the first of each name, as a lookup finds it.
int CollectLive(int, HostEntity* entity, intptr_t out, intptr_t) {
    const ImageInfoRecord* entry = AsImageInfo(entity);
    if (entry && entry->version != kObsoleteVersion) reinterpret_cast<EntriesByName*>(out)->emplace(entry->name, entity);
    return 0;
}

int CollectTakeable(int, HostEntity* entity, intptr_t out, intptr_t) {
    const ImageInfoRecord* entry = AsImageInfo(entity);
    if (entry && entry->version != kObsoleteVersion && entry->state != kFileDeleted) {
        reinterpret_cast<std::vector<HostEntity*>*>(out)->push_back(entity);
    }
    return 0;
}

bool FileHasTime(const char* folder, const ImageInfoRecord* entry) {
    char path[MAX_PATH];
    WIN32_FILE_ATTRIBUTE_DATA file;
    return IsPlainFileName(entry->name) && !IsDeviceName(entry->name) && JoinPath(path, folder, entry->name) &&
           GetFileAttributesExA(path, GetFileExInfoStandard, &file) &&
           !(file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           CompareFileTime(&file.ftLastWriteTime, &entry->fileTime) == 0;
}

bool TakesPictureOf(const ImageInfoRecord* mine, const ImageInfoRecord* theirs) {
    return mine->state == kNoPicture && theirs->state == kPictureMade &&
           lstrlenA(mine->name) == lstrlenA(theirs->name) && CompareFileTime(&mine->fileTime, &theirs->fileTime) == 0;
}

// A copy of their entry, with its pictures and notes, stands in front of
// `before` (or at the end); null when the host had no memory for it.
HostEntity* CopyEntry(HDL into, HostEntity* theirs, HostEntity* before) {
    HostEntity* copy = host::DLCopy(into, theirs);
    if (!copy) return nullptr;
    if (before) host::DLMoveB(copy, before);
    host::DLUnSelect(copy);
    return copy;
}

int Merge(HDL into, HDL from, const char* folder) {
    EntriesByName mine;
    std::vector<HostEntity*> theirs;
    host::DLScan(into, CollectLive, kScanAll, reinterpret_cast<intptr_t>(&mine), 0);
    host::DLScan(from, CollectTakeable, kScanAll, reinterpret_cast<intptr_t>(&theirs), 0);
    int taken = 0;
    for (HostEntity* entity : theirs) {
        const ImageInfoRecord* their = AsImageInfo(entity);
        auto match = mine.find(their->name);
        if (match != mine.end()) {
            // The entry without a picture gives way to theirs, the same
            // drawing pictured, in its place.
            if (!TakesPictureOf(AsImageInfo(match->second), their)) continue;
            HostEntity* copy = CopyEntry(into, entity, match->second);
            if (!copy) continue;
            host::DLDelete(match->second);
            match->second = copy;
        } else {
            if (!FileHasTime(folder, their)) continue;
            auto after = mine.upper_bound(their->name);
            HostEntity* copy = CopyEntry(into, entity, after == mine.end() ? nullptr : after->second);
            if (!copy) continue;
            mine.emplace(their->name, copy);
        }
        ++taken;
    }
    return taken;
}

}  // namespace

// Out of memory for the name table, nothing more is taken: the save goes on
// with what this list holds, as it would without another host.
int MergeCacheLists(HDL into, HDL from, const char* folder) {
    try {
        return Merge(into, from, folder);
    } catch (...) {
        return 0;
    }
}
