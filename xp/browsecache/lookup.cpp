// Finding a drawing's entry by name, with the freshness test on the file
// time, and adding entries in name order.
//
// The list is kept sorted by name, compared without regard to case. A lookup
// by walking the list costs one scan, so refreshing a folder of N files would
// cost N squared name comparisons. Instead one lookup structure describes the
// open list and answers exactly what the walk would: the same entry, the same
// insertion point, and the same obsolete (version 1) entries deleted on the
// way. It has two views, kept in step by the structure's own operations:
//  - the order: the live entries by name, and the obsolete ones. It answers
//    while the list is sorted and has no two live entries of one name. Names
//    are ordered by their sort keys (below), made once a name.
//  - the hash: the live entries by their folded names. Two names of plain
//    ASCII are equal without regard to case (lstrcmpiA) exactly when their
//    letters match up to case, so a folded name finds the one entry a walk
//    would find, as long as every entry has such a name, no two share one,
//    and no obsolete entry is in the list (a walk would delete those on its
//    way). It answers a rescan, where nearly every file finds its entry,
//    without the system's comparison, which is slow under Wine.
// Each view is made from the list when a lookup first needs it (a rescan
// that finds every file never needs the order). A list neither view can
// answer for is walked entry by entry. So is the list once the structure
// could not get memory: it stops describing the list (nothing half-updated
// is ever asked) until the cache is opened again.
//
// Sort keys: the system makes for each name a key (LCMapStringA, sort key
// without regard to case, in the thread's locale, which lstrcmpiA compares
// in) such that comparing two keys byte by byte orders their names as
// lstrcmpiA does. The order was once kept by lstrcmpiA itself, about 45
// calls under Wine for each new name of a folder of 30,000 files, a third
// of a first visit; a key costs about two. The system's comparison still
// has the last word: the view is made only of a list that lstrcmpiA finds
// in order, and each name is placed, or found, only where lstrcmpiA agrees
// with the entries on either side of its keys' place. Where it would not,
// the order stops answering and the list is walked.
#include "browsecache/cache.h"

#include <iterator>
#include <map>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/host.h"
#include "host/records.h"
#include "module/state.h"

namespace {

// A name's sort key; std::string compares its bytes unsigned, as keys are
// meant to be compared.
using SortKey = std::string;
// Entries by their names' keys; entries of equal keys stay in list order.
using EntryOrder = std::multimap<SortKey, HostEntity*>;

// False when the system gives no key for the name.
bool MakeSortKey(const char* name, SortKey* key) {
    const DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;
    char bytes[1024];
    LCID locale = GetThreadLocale();
    int length = LCMapStringA(locale, kFlags, name, -1, bytes, sizeof bytes);
    if (length > 0) {
        key->assign(bytes, length);
        return true;
    }
    length = LCMapStringA(locale, kFlags, name, -1, nullptr, 0);
    if (length <= 0) return false;
    key->resize(length);
    return LCMapStringA(locale, kFlags, name, -1, &(*key)[0], length) == length;
}

int CompareKeys(const SortKey& a, const SortKey& b) {
    int order = a.compare(b);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

int CompareNames(const char* a, const char* b) {
    int order = lstrcmpiA(a, b);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

// A folded name's hash, or none when the name is not plain ASCII.
struct FoldedName {
    bool plain;
    uint64_t hash;
};

unsigned char FoldChar(unsigned char c) { return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c; }
bool IsPlainChar(unsigned char c) { return c >= 0x20 && c < 0x7F; }

// The FNV-1a hash of the name in upper case, when it is plain ASCII.
void Fold(const char* name, FoldedName* folded) {
    folded->plain = true;
    folded->hash = 14695981039346656037ull;
    for (const char* p = name; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (!IsPlainChar(c)) {
            folded->plain = false;
            return;
        }
        folded->hash = (folded->hash ^ FoldChar(c)) * 1099511628211ull;
    }
}

// True when two plain names fold to the same text.
bool SameFolded(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        if (FoldChar(static_cast<unsigned char>(*a)) != FoldChar(static_cast<unsigned char>(*b))) return false;
    }
    return *a == *b;
}

// A view is made at its first use; it then answers, or cannot for this list.
enum ViewState { kNotMade, kAnswers, kCannotAnswer };

struct CacheLookup {
    HDL list;              // the list described; null: nothing made yet
    ViewState order;
    ViewState hash;
    EntryOrder live;       // entries of version other than 1
    EntryOrder obsolete;   // entries of version 1, deleted as lookups meet them
    std::unordered_map<uint64_t, HostEntity*> byFoldedName;
};
CacheLookup g_lookup;      // written and read by the lookups below only

void ClearOrder(ViewState state) {
    g_lookup.order = state;
    g_lookup.live.clear();
    g_lookup.obsolete.clear();
}

void ClearHash(ViewState state) {
    g_lookup.hash = state;
    g_lookup.byFoldedName.clear();
}

// Out of memory: the open list is walked from now on, which needs no memory
// of the module's, until the cache is opened again.
void WalkFromNowOn() {
    ClearOrder(kCannotAnswer);
    ClearHash(kCannotAnswer);
}

// A lookup in another list than the one described starts anew.
void DescribeOpenList() {
    if (g_lookup.list == CacheList) return;
    ClearOrder(kNotMade);
    ClearHash(kNotMade);
    g_lookup.list = CacheList;
}

// Every entity counts: the count only bounds the room to take, and reading
// no record keeps the pass cheap (the records are 43 KB apart).
int CountEntity(int, HostEntity*, intptr_t count, intptr_t) {
    ++*reinterpret_cast<size_t*>(count);
    return 0;
}

// The vector has room for every entity: nothing here allocates.
int CollectEntry(int, HostEntity* entity, intptr_t out, intptr_t) {
    auto* entries = reinterpret_cast<std::vector<const ImageInfoRecord*>*>(out);
    const ImageInfoRecord* entry = AsImageInfo(entity);
    if (entry && entries->size() < entries->capacity()) entries->push_back(entry);
    return 0;
}

// The entries of the open list in list order, each passed by the gate.
std::vector<const ImageInfoRecord*> CollectEntries() {
    size_t count = 0;
    host::DLScan(CacheList, CountEntity, kScanAll, reinterpret_cast<intptr_t>(&count), 0);
    std::vector<const ImageInfoRecord*> entries;
    entries.reserve(count);
    host::DLScan(CacheList, CollectEntry, kScanAll, reinterpret_cast<intptr_t>(&entries), 0);
    return entries;
}

// The order answers when the list is in name order, and within a run of
// equal names obsolete entries only precede the one live entry: then a walk
// deletes exactly those that sort up to the name.
HostEntity* EntityOf(const ImageInfoRecord* entry) {
    return reinterpret_cast<HostEntity*>(const_cast<ImageInfoRecord*>(entry));
}

// The keys must order the list as lstrcmpiA does, pair by neighbouring pair.
bool FillOrder(const std::vector<const ImageInfoRecord*>& entries) {
    const char* previousName = nullptr;
    SortKey previousKey, key;
    bool liveInRun = false;
    for (const ImageInfoRecord* entry : entries) {
        bool live = entry->version != kObsoleteVersion;
        if (!MakeSortKey(entry->name, &key)) return false;
        if (previousName) {
            int order = CompareNames(previousName, entry->name);
            if (order > 0 || (order == 0 && liveInRun) || CompareKeys(previousKey, key) != order) return false;
            if (order != 0) liveInRun = false;
        }
        previousName = entry->name;
        liveInRun = liveInRun || live;
        EntryOrder& view = live ? g_lookup.live : g_lookup.obsolete;
        view.emplace_hint(view.end(), key, EntityOf(entry));
        previousKey.swap(key);
    }
    return true;
}

bool FillHash(const std::vector<const ImageInfoRecord*>& entries) {
    g_lookup.byFoldedName.reserve(entries.size());
    FoldedName folded;
    for (const ImageInfoRecord* entry : entries) {
        Fold(entry->name, &folded);
        if (entry->version == kObsoleteVersion || !folded.plain) return false;
        // Two names of one hash, the same name or not, leave it to the order.
        if (!g_lookup.byFoldedName.emplace(folded.hash, EntityOf(entry)).second) return false;
    }
    return true;
}

// Makes a view from the open list: it answers, or cannot for this list.
void MakeView(bool (*fill)(const std::vector<const ImageInfoRecord*>&), ViewState* state,
              void (*clear)(ViewState)) {
    try {
        if (fill(CollectEntries())) *state = kAnswers;
        else clear(kCannotAnswer);
    } catch (const std::bad_alloc&) {
        WalkFromNowOn();
    }
}

// ---- The structure's operations: both views change together ----
// `key` is the name's sort key; it is read only while the order answers.

EntryOrder::iterator PlaceInOrder(HostEntity* entity, const SortKey& key) {
    auto range = g_lookup.live.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second == entity) return it;
    }
    return g_lookup.live.end();
}

void Remove(HostEntity* entity, const char* name, const SortKey& key) {
    if (g_lookup.order == kAnswers) {
        auto it = PlaceInOrder(entity, key);
        if (it != g_lookup.live.end()) g_lookup.live.erase(it);
    }
    FoldedName folded;
    Fold(name, &folded);
    if (g_lookup.hash == kAnswers && folded.plain) {
        auto it = g_lookup.byFoldedName.find(folded.hash);
        if (it != g_lookup.byFoldedName.end() && it->second == entity) g_lookup.byFoldedName.erase(it);
    }
}

// A new entry of a name lands after the entries of an equal key, as in
// the list.
void Insert(HostEntity* entity, const char* name, const SortKey& key) {
    try {
        if (g_lookup.order == kAnswers) g_lookup.live.emplace(key, entity);
        if (g_lookup.hash == kAnswers) {
            FoldedName folded;
            Fold(name, &folded);
            if (!folded.plain || !g_lookup.byFoldedName.emplace(folded.hash, entity).second) {
                ClearHash(kCannotAnswer);
            }
        }
    } catch (const std::bad_alloc&) {
        WalkFromNowOn();
    }
}

// False when the order held no such entry: it no longer describes the list.
bool Replace(HostEntity* from, HostEntity* to, const char* name) {
    FoldedName folded;
    Fold(name, &folded);
    if (g_lookup.hash == kAnswers && folded.plain) {
        auto it = g_lookup.byFoldedName.find(folded.hash);
        if (it != g_lookup.byFoldedName.end() && it->second == from) it->second = to;
    }
    if (g_lookup.order != kAnswers) return true;
    try {
        SortKey key;
        if (!MakeSortKey(name, &key)) return false;
        auto it = PlaceInOrder(from, key);
        if (it == g_lookup.live.end()) return false;
        it->second = to;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// ---- Lookups ----

// The entry the hash holds for name, or null when it holds none or cannot
// answer. The names are compared, so a hash shared by two names finds
// nothing rather than the other name.
HostEntity* HashedMatch(const char* name, const ImageInfoRecord** record) {
    if (g_lookup.hash == kNotMade) MakeView(FillHash, &g_lookup.hash, ClearHash);
    if (g_lookup.hash != kAnswers) return nullptr;
    FoldedName folded;
    Fold(name, &folded);
    if (!folded.plain) return nullptr;
    auto it = g_lookup.byFoldedName.find(folded.hash);
    if (it == g_lookup.byFoldedName.end()) return nullptr;
    *record = AsImageInfo(it->second);
    return *record && SameFolded((*record)->name, name) ? it->second : nullptr;
}

bool SameName(const ImageInfoRecord* entry, const char* name) {
    return lstrlenA(entry->name) == lstrlenA(name) && lstrcmpiA(entry->name, name) == 0;
}

const char* NameAt(EntryOrder::const_iterator it) { return AsImageInfo(it->second)->name; }

void DeleteObsolete(EntryOrder::iterator from, EntryOrder::iterator to) {
    for (auto it = from; it != to; ++it) host::DLDelete(it->second);
    g_lookup.obsolete.erase(from, to);
}

// What a walk of the list for `name` finds, and where a new entry of it
// goes, answered from the order; false, with nothing changed, when
// lstrcmpiA does not agree with the keys there. The list is in lstrcmpiA's
// order, so it is enough that the live entry before the run of the name's
// key sorts before the name, the one after the run after it, and those of
// the run equal to it: then no other entry can equal the name, and the
// entry after the run is the first that sorts after it. The walk deletes
// every obsolete entry before the one it stops at.
bool OrderedMatch(const char* name, const SortKey& key, HostEntity** found, HostEntity** insertBefore) {
    EntryOrder& live = g_lookup.live;
    auto first = live.lower_bound(key), last = live.upper_bound(key);
    if (first != live.begin() && CompareNames(NameAt(std::prev(first)), name) >= 0) return false;
    if (last != live.end() && CompareNames(name, NameAt(last)) >= 0) return false;
    *found = nullptr;
    int length = lstrlenA(name);
    for (auto it = first; it != last; ++it) {
        if (CompareNames(NameAt(it), name) != 0) return false;
        if (!*found && lstrlenA(NameAt(it)) == length) *found = it->second;
    }
    *insertBefore = last == live.end() ? nullptr : last->second;
    if (*found) {
        // Obsolete entries of an equal name stand before the live one in the list.
        DeleteObsolete(g_lookup.obsolete.begin(), g_lookup.obsolete.upper_bound(key));
    } else {
        DeleteObsolete(g_lookup.obsolete.begin(), g_lookup.obsolete.end());
    }
    return true;
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
    if (!*insertBefore && lstrcmpiA(name, entry->name) < 0) *insertBefore = entity;
    return 0;
}

// The entry of that name, or null; then *insertBefore holds where a new one
// goes: in front of the first entry whose name sorts after it, or at the end.
// *key is the name's sort key whenever the order answers afterwards.
HostEntity* FindEntry(const char* name, SortKey* key, HostEntity** insertBefore) {
    *insertBefore = nullptr;
    if (g_lookup.order == kNotMade) MakeView(FillOrder, &g_lookup.order, ClearOrder);
    if (g_lookup.order == kAnswers) {
        HostEntity* found = nullptr;
        try {
            if (MakeSortKey(name, key) && OrderedMatch(name, *key, &found, insertBefore)) return found;
            ClearOrder(kCannotAnswer);
        } catch (const std::bad_alloc&) {
            WalkFromNowOn();
        }
    }
    return reinterpret_cast<HostEntity*>(host::DLScan(CacheList, MatchEntryCallback, kScanAll,
                                                      reinterpret_cast<intptr_t>(name),
                                                      reinterpret_cast<intptr_t>(insertBefore)));
}

bool IsFresh(const ImageInfoRecord* entry, const FILETIME* time) {
    return CompareFileTime(&entry->fileTime, time) == 0;
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

// An entry that cannot be made (the host out of memory) is left out: the
// caller goes on without it.
HostEntity* FindOrAddEntry(const char* name, const FILETIME* time) {
    if (!CacheList || !name || lstrlenA(name) >= kEntryNameSize) return nullptr;
    DescribeOpenList();
    const ImageInfoRecord* record = nullptr;
    HostEntity* found = HashedMatch(name, &record);
    if (found && IsFresh(record, time)) {
        host::DLUnSelect(found);
        return found;
    }
    HostEntity* before = nullptr;
    SortKey key;
    found = FindEntry(name, &key, &before);
    if (found) {
        if (IsFresh(AsImageInfo(found), time)) {
            host::DLUnSelect(found);
            return found;
        }
        // Stale: its pictures and notes go with it, and a new entry takes
        // its place; looking again deletes the obsolete entries it meets.
        Remove(found, name, key);
        host::DLDelete(found);
        FindEntry(name, &key, &before);
    }
    HostEntity* entry = AppendEntry(name, time);
    if (!entry) return nullptr;
    if (before) host::DLMoveB(entry, before);
    host::DLUnSelect(entry);
    CacheDirty = true;
    Insert(entry, name, key);
    return entry;
}

void ForgetCacheIndex() {
    ClearOrder(kNotMade);
    ClearHash(kNotMade);
    g_lookup.list = nullptr;
}

void CacheEntryMoved(HostEntity* from, HostEntity* to) {
    if (from == to) return;
    const ImageInfoRecord* entry = AsImageInfo(to);
    if (!entry || !Replace(from, to, entry->name)) ForgetCacheIndex();
}

bool CacheOrderAnswers() { return g_lookup.list == CacheList && g_lookup.order == kAnswers; }
