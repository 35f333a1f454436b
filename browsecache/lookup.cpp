// Finding a drawing's entry by name, with the freshness test on the file
// time, and adding entries in name order.
//
// The list is kept sorted by name, compared without regard to case. A lookup
// by walking the list costs one scan, so refreshing a folder of N files would
// cost N squared name comparisons. Instead the lookup keeps an index of the
// open list and answers exactly what the walk would: the same entry, the
// same insertion point, and the same obsolete (version 1) entries deleted on
// the way. The index is used only while the list is sorted and has no two
// live entries of one name; any other list is walked entry by entry.
#include "browsecache/cache.h"

#include <map>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/records.h"
#include "module/state.h"

namespace {

enum { kObsoleteVersion = 1, kCurrentVersion = 3 };

struct NameLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return lstrcmpiA(a.c_str(), b.c_str()) < 0;
    }
};
// Entries by name; entries of equal names stay in list order.
using EntryIndex = std::multimap<std::string, HostEntity*, NameLess>;

struct LookupIndex {
    HDL list;              // the list indexed; null: none built
    bool usable;           // false: the list must be walked
    EntryIndex live;       // entries of version other than 1
    EntryIndex obsolete;   // entries of version 1, deleted as lookups meet them
};
LookupIndex g_index;       // built by the first lookup of an opened cache

bool SameName(const ImageInfoRecord* entry, const char* name) {
    return lstrlenA(entry->name) == lstrlenA(name) && lstrcmpiA(entry->name, name) == 0;
}

int CollectEntry(int, HostEntity* entity, intptr_t out, intptr_t) {
    if (AsImageInfo(entity)) reinterpret_cast<std::vector<HostEntity*>*>(out)->push_back(entity);
    return 0;
}

// Builds the index; it stays unusable when the list is not in name order or
// holds two live entries of one name, because a walk then answers differently.
void BuildIndex() {
    g_index.list = CacheList;
    g_index.usable = false;
    g_index.live.clear();
    g_index.obsolete.clear();
    std::vector<HostEntity*> entries;
    host::DLScan(CacheList, CollectEntry, kScanAll, reinterpret_cast<intptr_t>(&entries), 0);
    // Within a run of equal names, obsolete entries may only precede the one
    // live entry: then a walk deletes exactly those that sort up to the name.
    const char* previousName = nullptr;
    bool liveInRun = false;
    for (HostEntity* entity : entries) {
        const ImageInfoRecord* entry = AsImageInfo(entity);
        bool live = entry->version != kObsoleteVersion;
        if (previousName) {
            int order = lstrcmpiA(previousName, entry->name);
            if (order > 0 || (order == 0 && liveInRun)) return;
            if (order != 0) liveInRun = false;
        }
        previousName = entry->name;
        liveInRun = liveInRun || live;
        (live ? g_index.live : g_index.obsolete).emplace_hint(
            (live ? g_index.live : g_index.obsolete).end(), entry->name, entity);
    }
    g_index.usable = true;
}

void DeleteObsolete(EntryIndex::iterator from, EntryIndex::iterator to) {
    for (auto it = from; it != to; ++it) host::DLDelete(it->second);
    g_index.obsolete.erase(from, to);
}

// What a walk of the list for `name` finds, answered from the index. The
// walk deletes every obsolete entry before the one it stops at.
HostEntity* IndexedMatch(const char* name) {
    auto range = g_index.live.equal_range(name);
    EntryIndex::iterator match = range.second;
    for (auto it = range.first; it != range.second; ++it) {
        if (SameName(AsImageInfo(it->second), name)) {
            match = it;
            break;
        }
    }
    if (match == range.second) {
        DeleteObsolete(g_index.obsolete.begin(), g_index.obsolete.end());
        return nullptr;
    }
    // Obsolete entries of an equal name stand before the live one in the list.
    DeleteObsolete(g_index.obsolete.begin(), g_index.obsolete.upper_bound(name));
    return match->second;
}

void ForgetIndexedEntry(HostEntity* entity, const char* name) {
    auto range = g_index.live.equal_range(name);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second == entity) {
            g_index.live.erase(it);
            return;
        }
    }
}

// Walks the list; returns the entry of that name, and the first entry whose
// name sorts after it in *insertBefore.
HostEntity* WalkForEntry(const char* name, HostEntity** insertBefore) {
    *insertBefore = nullptr;
    return reinterpret_cast<HostEntity*>(host::DLScan(CacheList, MatchEntryCallback, kScanAll,
                                                      reinterpret_cast<intptr_t>(name),
                                                      reinterpret_cast<intptr_t>(insertBefore)));
}

// The entry of that name, or null; then *insertBefore holds where a new one
// goes: in front of the first entry whose name sorts after it, or at the end.
HostEntity* FindEntry(const char* name, HostEntity** insertBefore) {
    if (g_index.list != CacheList) BuildIndex();
    if (!g_index.usable) return WalkForEntry(name, insertBefore);
    HostEntity* found = IndexedMatch(name);
    auto after = g_index.live.upper_bound(name);
    *insertBefore = after == g_index.live.end() ? nullptr : after->second;
    return found;
}

// A new entry record; the picture areas start blank.
ImageInfoRecord g_scratch;

HostEntity* AppendEntry(const char* name, const FILETIME* time) {
    memset(&g_scratch, 0, sizeof g_scratch);
    host::GetCStuff(&g_scratch);
    g_scratch.length = kImageInfoSize;
    g_scratch.type = rec::kTypeCustom;
    g_scratch.entityClass = kImageInfoClass;
    g_scratch.subKind = 0;
    g_scratch.version = kCurrentVersion;
    g_scratch.nextShown = nullptr;
    g_scratch.fileTime = *time;
    CopyMemory(g_scratch.name, name, lstrlenA(name) + 1);
    g_scratch.state = kNoPicture;
    g_scratch.smallPresent = 0;
    return host::DLApnd(CacheList, &g_scratch);
}

}  // namespace

int MatchEntryCallback(int, HostEntity* entity, intptr_t nameValue, intptr_t insertBeforeValue) {
    ImageInfoRecord* entry = AsImageInfo(entity);
    if (!entry) return 0;
    if (entry->version == kObsoleteVersion) {
        host::DLDelete(entity);
        return 0;
    }
    const char* name = reinterpret_cast<const char*>(nameValue);
    if (SameName(entry, name)) return reinterpret_cast<int>(entity);
    auto* insertBefore = reinterpret_cast<HostEntity**>(insertBeforeValue);
    if (insertBefore && !*insertBefore && lstrcmpiA(name, entry->name) < 0) *insertBefore = entity;
    return 0;
}

HostEntity* FindOrAddEntry(const char* name, const FILETIME* time) {
    if (!CacheList || !name || lstrlenA(name) >= kEntryNameSize) return nullptr;
    HostEntity* before = nullptr;
    HostEntity* found = FindEntry(name, &before);
    if (found) {
        if (CompareFileTime(&AsImageInfo(found)->fileTime, time) == 0) {
            host::DLUnSelect(found);
            return found;
        }
        // Stale: its pictures and notes go with it, and a new entry takes
        // its place; looking again deletes the obsolete entries it meets.
        if (g_index.usable) ForgetIndexedEntry(found, name);
        host::DLDelete(found);
        FindEntry(name, &before);
    }
    HostEntity* entry = AppendEntry(name, time);
    if (!entry) return nullptr;
    if (before) host::DLMoveB(entry, before);
    host::DLUnSelect(entry);
    CacheDirty = 1;
    if (g_index.usable) g_index.live.emplace(name, entry);
    return entry;
}

void ForgetCacheIndex() {
    g_index.list = nullptr;
    g_index.usable = false;
    g_index.live.clear();
    g_index.obsolete.clear();
}

void CacheEntryMoved(HostEntity* from, HostEntity* to) {
    if (!g_index.usable || from == to) return;
    const ImageInfoRecord* entry = AsImageInfo(to);
    if (!entry) {
        ForgetCacheIndex();
        return;
    }
    auto range = g_index.live.equal_range(entry->name);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second == from) {
            it->second = to;
            return;
        }
    }
    ForgetCacheIndex();
}
