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
#include <unordered_map>
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

// The quick answer for a rescan, where nearly every file finds its entry:
// a hash of names. Two names of plain ASCII are equal without regard to
// case (lstrcmpiA) exactly when their letters match up to case, so the
// folded name finds the one entry a walk would find, as long as every entry
// has such a name, no two share one, and no obsolete entry is in the list
// (a walk would delete those on its way). Otherwise the table is not used.
struct NameTable {
    HDL list;              // the list tabled; null: none built
    bool usable;
    std::unordered_map<std::string, HostEntity*> entries;
};
NameTable g_table;         // built by the first lookup after the list changed hands

// The name in upper case when it is plain ASCII; false otherwise.
bool FoldPlainName(const char* name, std::string* folded) {
    folded->clear();
    for (const char* p = name; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c >= 0x7F) return false;
        folded->push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
    }
    return true;
}

// Non-zero stops the walk: the table cannot answer for this list (or there
// was no memory for it; nothing may escape a callback).
int TableEntry(int, HostEntity* entity, intptr_t, intptr_t) {
    const ImageInfoRecord* entry = AsImageInfo(entity);
    if (!entry) return 0;
    try {
        std::string folded;
        if (entry->version == kObsoleteVersion || !FoldPlainName(entry->name, &folded) ||
            !g_table.entries.emplace(std::move(folded), entity).second) {
            return 1;
        }
    } catch (...) {
        return 1;
    }
    return 0;
}

void BuildTable() {
    g_table.list = CacheList;
    g_table.entries.clear();
    g_table.usable = host::DLScan(CacheList, TableEntry, kScanAll, 0, 0) == 0;
    if (!g_table.usable) g_table.entries.clear();
}

// True when the table answers: *found is then the entry of that name or null.
bool TableLookup(const char* name, HostEntity** found) {
    if (g_table.list != CacheList) BuildTable();
    std::string folded;
    if (!g_table.usable || !FoldPlainName(name, &folded)) return false;
    auto it = g_table.entries.find(folded);
    *found = it == g_table.entries.end() ? nullptr : it->second;
    return true;
}

// Keeps the table in step with an entry added, removed (to null) or moved.
void TableUpdate(const char* name, HostEntity* from, HostEntity* to) {
    if (!g_table.usable || g_table.list != CacheList) return;
    std::string folded;
    if (!FoldPlainName(name, &folded)) {
        g_table.usable = false;
        g_table.entries.clear();
        return;
    }
    if (!from) {
        if (!g_table.entries.emplace(folded, to).second) g_table.usable = false;
    } else if (!to) {
        g_table.entries.erase(folded);
    } else {
        auto it = g_table.entries.find(folded);
        if (it != g_table.entries.end() && it->second == from) it->second = to;
    }
    if (!g_table.usable) g_table.entries.clear();
}

bool SameName(const ImageInfoRecord* entry, const char* name) {
    return lstrlenA(entry->name) == lstrlenA(name) && lstrcmpiA(entry->name, name) == 0;
}

// Non-zero (stop) when there is no memory for the entry.
int CollectEntry(int, HostEntity* entity, intptr_t out, intptr_t) {
    try {
        if (AsImageInfo(entity)) reinterpret_cast<std::vector<HostEntity*>*>(out)->push_back(entity);
    } catch (...) {
        return 1;
    }
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
    if (host::DLScan(CacheList, CollectEntry, kScanAll, reinterpret_cast<intptr_t>(&entries), 0)) return;
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

// A walk's step: stops at the entry of the name, deletes the obsolete
// entries it passes, and notes the first entry whose name sorts after it.
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

HostEntity* LookUpOrAdd(const char* name, const FILETIME* time) {
    HostEntity* found = nullptr;
    if (TableLookup(name, &found) && found && CompareFileTime(&AsImageInfo(found)->fileTime, time) == 0) {
        host::DLUnSelect(found);
        return found;
    }
    HostEntity* before = nullptr;
    found = FindEntry(name, &before);
    if (found) {
        if (CompareFileTime(&AsImageInfo(found)->fileTime, time) == 0) {
            host::DLUnSelect(found);
            return found;
        }
        // Stale: its pictures and notes go with it, and a new entry takes
        // its place; looking again deletes the obsolete entries it meets.
        if (g_index.usable) ForgetIndexedEntry(found, name);
        TableUpdate(name, found, nullptr);
        host::DLDelete(found);
        FindEntry(name, &before);
    }
    HostEntity* entry = AppendEntry(name, time);
    if (!entry) return nullptr;
    if (before) host::DLMoveB(entry, before);
    host::DLUnSelect(entry);
    CacheDirty = 1;
    if (g_index.usable) g_index.live.emplace(name, entry);
    TableUpdate(name, nullptr, entry);
    return entry;
}

// Out of memory for the indexes: the open list is walked from now on, which
// needs no memory of the module's, until the cache is opened again.
void WalkFromNowOn() {
    ForgetCacheIndex();
    g_index.list = g_table.list = CacheList;
}

}  // namespace

// An entry that cannot be made (the host out of memory) is left out: the
// caller goes on without it. When an index cannot grow, the lookup is done
// again by walking, which finds what the first attempt left done.
HostEntity* FindOrAddEntry(const char* name, const FILETIME* time) {
    if (!CacheList || !name || lstrlenA(name) >= kEntryNameSize) return nullptr;
    try {
        return LookUpOrAdd(name, time);
    } catch (...) {
        WalkFromNowOn();
        return LookUpOrAdd(name, time);
    }
}

void ForgetCacheIndex() {
    g_index.list = nullptr;
    g_index.usable = false;
    g_index.live.clear();
    g_index.obsolete.clear();
    g_table.list = nullptr;
    g_table.usable = false;
    g_table.entries.clear();
}

void CacheEntryMoved(HostEntity* from, HostEntity* to) {
    if (from == to) return;
    const ImageInfoRecord* entry = AsImageInfo(to);
    if (!entry) {
        ForgetCacheIndex();
        return;
    }
    try {
        TableUpdate(entry->name, from, to);
    } catch (...) {
        WalkFromNowOn();
    }
    if (!g_index.usable) return;
    auto range = g_index.live.equal_range(entry->name);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second == from) {
            it->second = to;
            return;
        }
    }
    ForgetCacheIndex();
}
