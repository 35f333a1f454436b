// The browse-info cache: what counts as an entry, lookup and insertion in
// name order with the file-time test, obsolete entries, the dirty flag, and
// the indexed lookup answering exactly as a walk of the list.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/state.h"
#include "tests/support/records.h"

using namespace testrec;

namespace {

FILETIME Time(uint64_t value) {
    FILETIME t;
    t.dwLowDateTime = static_cast<DWORD>(value);
    t.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return t;
}

std::vector<unsigned char> EntryRecord(const std::string& name, uint32_t version, uint64_t time) {
    std::vector<unsigned char> bytes(kImageInfoSize);
    auto* entry = reinterpret_cast<ImageInfoRecord*>(bytes.data());
    entry->length = kImageInfoSize;
    entry->type = 4;
    entry->entityClass = kImageInfoClass;
    entry->version = version;
    entry->fileTime = Time(time);
    strncpy(entry->name, name.c_str(), sizeof entry->name - 1);
    return bytes;
}

struct Cache : ::testing::Test {
    void SetUp() override {
        ForgetCacheIndex();
        CacheList = NewList("~BRINFO.KVW");
        CacheDirty = 0;
    }
    void TearDown() override {
        DLDestroy(CacheList);
        CacheList = nullptr;
        ForgetCacheIndex();
    }
    HostEntity* Put(const std::string& name, uint32_t version = 3, uint64_t time = 1) {
        std::vector<unsigned char> bytes = EntryRecord(name, version, time);
        return host::DLApnd(CacheList, bytes.data());
    }
    // Names of the list's entities in order; "v1:" marks obsolete entries,
    // "-" anything that is not an entry.
    std::vector<std::string> Names() {
        std::vector<std::string> out;
        for (HostEntity* e = FirstEntity(CacheList); e; e = NextEntity(e)) {
            const ImageInfoRecord* entry = AsImageInfo(e);
            out.push_back(!entry ? "-" : entry->version == 1 ? "v1:" + std::string(entry->name)
                                                              : std::string(entry->name));
        }
        return out;
    }
    HostEntity* Find(const char* name, uint64_t time = 1) {
        FILETIME t = Time(time);
        return FindOrAddEntry(name, &t);
    }
};

using NameList = std::vector<std::string>;

// ---- What is an entry ----

TEST_F(Cache, OnlyCompleteWellFormedRecordsAreEntries) {
    EXPECT_NE(AsImageInfo(Put("GOOD.KVW")), nullptr);

    std::vector<unsigned char> wrongClass = EntryRecord("A.KVW", 3, 1);
    wrongClass[28] = 0x06;
    EXPECT_EQ(AsImageInfo(host::DLApnd(CacheList, wrongClass.data())), nullptr);
    std::vector<unsigned char> wrongKind = EntryRecord("A.KVW", 3, 1);
    wrongKind[30] = 1;
    EXPECT_EQ(AsImageInfo(host::DLApnd(CacheList, wrongKind.data())), nullptr);
    // Regression: a short record of the entry's class was read as a whole
    // entry, past its end.
    std::vector<unsigned char> shortRecord = EntryRecord("A.KVW", 3, 1);
    uint32_t shortLength = 200;
    memcpy(shortRecord.data(), &shortLength, 4);
    EXPECT_EQ(AsImageInfo(host::DLApnd(CacheList, shortRecord.data())), nullptr);
    // Regression: a name without its terminator ran into the next field.
    std::vector<unsigned char> unterminated = EntryRecord("A.KVW", 3, 1);
    memset(unterminated.data() + 34640, 'x', 260);
    EXPECT_EQ(AsImageInfo(host::DLApnd(CacheList, unterminated.data())), nullptr);
    EXPECT_EQ(AsImageInfo(AddLine(CacheList, 0, 0, 1, 1)), nullptr);
}

TEST_F(Cache, HostileEntitiesAreLeftAloneByLookups) {
    std::vector<unsigned char> shortRecord = EntryRecord("B.KVW", 1, 1);
    uint32_t shortLength = 64;
    memcpy(shortRecord.data(), &shortLength, 4);
    host::DLApnd(CacheList, shortRecord.data());
    std::vector<unsigned char> unterminated = EntryRecord("B.KVW", 1, 1);
    memset(unterminated.data() + 34640, 'B', 260);
    host::DLApnd(CacheList, unterminated.data());
    Find("B.KVW");
    Find("A.KVW");
    EXPECT_EQ(Names(), (NameList{"-", "-", "A.KVW", "B.KVW"}))
        << "not entries: neither deleted as obsolete nor taken as B.KVW, nor an insertion point";
}

// ---- Lookup and insertion ----

TEST_F(Cache, NewNamesAreInsertedInOrderWithoutRegardToCase) {
    for (const char* name : {"m.kvw", "B.KVW", "z.KVW", "a.kvw", "C.kvw"}) Find(name);
    EXPECT_EQ(Names(), (NameList{"a.kvw", "B.KVW", "C.kvw", "m.kvw", "z.KVW"}));
    EXPECT_EQ(Find("b.kvw"), FirstEntity(CacheList) ? NextEntity(FirstEntity(CacheList)) : nullptr)
        << "names that differ only in case find the same entry";
}

TEST_F(Cache, SameTimeReusesTheEntryUnselectedAndUnchanged) {
    HostEntity* made = Find("PLAN.KVW", 77);
    EXPECT_EQ(CacheDirty, 1);
    AsImageInfo(made)->state = kPictureMade;
    CacheDirty = 0;
    DLSelect(made);
    HostEntity* found = Find("plan.kvw", 77);
    EXPECT_EQ(found, made);
    EXPECT_EQ(AsImageInfo(found)->state, kPictureMade);
    EXPECT_EQ(CacheDirty, 0) << "finding an entry changes nothing";
    EXPECT_EQ(DLScan(CacheList, [](int, HostEntity*, intptr_t, intptr_t) { return 1; },
                     kScanSelected, 0, 0), 0) << "the found entry is unselected";
}

TEST_F(Cache, ChangedTimeInAnyBitGivesAFreshEntryAtTheSamePlace) {
    for (uint64_t changed : {uint64_t(0x100000000ull) | 5, uint64_t(4), uint64_t(5) | (1ull << 63)}) {
        Find("A.KVW");
        HostEntity* old = Find("M.KVW", 5);
        Find("Z.KVW");
        AsImageInfo(old)->state = kPictureMade;
        CacheDirty = 0;
        HostEntity* fresh = Find("M.KVW", changed);
        const ImageInfoRecord* entry = AsImageInfo(fresh);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->state, kNoPicture);
        FILETIME expected = Time(changed);
        EXPECT_EQ(CompareFileTime(&entry->fileTime, &expected), 0);
        EXPECT_EQ(Names(), (NameList{"A.KVW", "M.KVW", "Z.KVW"}));
        EXPECT_EQ(CacheDirty, 1);
        DLEmpty(CacheList);
        ForgetCacheIndex();
    }
}

TEST_F(Cache, NewEntryFieldsAreSet) {
    const ImageInfoRecord* entry = AsImageInfo(Find("NEW.KVW", 0x123456789ull));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->length, 43646u);
    EXPECT_EQ(entry->version, 3u);
    EXPECT_EQ(entry->state, kNoPicture);
    EXPECT_EQ(entry->smallPresent, 0u);
    EXPECT_EQ(entry->nextShown, nullptr);
    EXPECT_STREQ(entry->name, "NEW.KVW");
}

TEST_F(Cache, ObsoleteEntriesVanishDuringLookupsWithoutMakingTheCacheDirty) {
    Put("A.KVW", 1);
    Put("B.KVW", 3);
    Put("C.KVW", 1);
    Put("D.KVW", 2);
    Find("B.KVW");
    EXPECT_EQ(Names(), (NameList{"B.KVW", "v1:C.KVW", "D.KVW"})) << "the walk stops at B";
    EXPECT_EQ(CacheDirty, 0);
    Find("D.KVW");
    EXPECT_EQ(Names(), (NameList{"B.KVW", "D.KVW"})) << "version 2 stays";
    EXPECT_EQ(CacheDirty, 0);
}

TEST_F(Cache, OverlongNamesAreRefused) {
    std::string name(kEntryNameSize, 'n');
    EXPECT_EQ(Find(name.c_str()), nullptr);
    EXPECT_EQ(Names(), NameList{});
}

TEST_F(Cache, MovedEntriesAreFoundAtTheirNewAddress) {
    Find("A.KVW");
    HostEntity* entry = Find("B.KVW");
    Find("C.KVW");
    HostEntity* moved = DLMakeSubList(entry, nullptr);
    CacheEntryMoved(entry, moved);
    EXPECT_EQ(Find("B.KVW"), moved);
    EXPECT_EQ(Names(), (NameList{"A.KVW", "B.KVW", "C.KVW"}));
}

// ---- The index answers as the walk of the list does ----

// The lookup exactly as a walk of the list defines it, on a plain model.
struct ModelEntry {
    std::string name;
    uint32_t version;
    uint64_t time;
};

void ModelFindOrAdd(std::vector<ModelEntry>& list, const std::string& name, uint64_t time) {
    auto walk = [&](int* insertBefore) {
        *insertBefore = -1;
        for (size_t i = 0; i < list.size();) {
            if (list[i].version == 1) {
                list.erase(list.begin() + i);
                continue;
            }
            if (list[i].name.size() == name.size() && lstrcmpiA(list[i].name.c_str(), name.c_str()) == 0) {
                return static_cast<int>(i);
            }
            if (*insertBefore < 0 && lstrcmpiA(name.c_str(), list[i].name.c_str()) < 0) {
                *insertBefore = static_cast<int>(i);
            }
            ++i;
        }
        return -1;
    };
    int insertBefore;
    int found = walk(&insertBefore);
    if (found >= 0) {
        if (list[found].time == time) return;
        list.erase(list.begin() + found);
        walk(&insertBefore);
    }
    ModelEntry fresh = {name, 3, time};
    if (insertBefore < 0) list.push_back(fresh);
    else list.insert(list.begin() + insertBefore, fresh);
}

void CheckAgainstModel(Cache& cache, std::vector<ModelEntry> model, unsigned seed, int operations) {
    for (const ModelEntry& e : model) cache.Put(e.name, e.version, e.time);
    std::mt19937 random(seed);
    const char* pool[] = {"a.kvw", "A.KVW", "b.kvw", "B-1.kvw", "b_1.kvw", "c.kvw", "d.KVW",
                          "dd.kvw", "e.kvw", "Z.KVW", "m.kvd", "n.lvw", "~x.kvw"};
    for (int op = 0; op < operations; ++op) {
        std::string name = pool[random() % (sizeof pool / sizeof *pool)];
        uint64_t time = random() % 3;
        if (random() % 7 == 0) {
            // An obsolete entry appears in the list as an old file would hold it.
            std::string old = pool[random() % (sizeof pool / sizeof *pool)];
            size_t at = random() % (model.size() + 1);
            model.insert(model.begin() + at, ModelEntry{old, 1, 0});
            std::vector<unsigned char> bytes = EntryRecord(old, 1, 0);
            HostEntity* entity = host::DLApnd(CacheList, bytes.data());
            HostEntity* before = FirstEntity(CacheList);
            for (size_t i = 0; i < at && before; ++i) before = NextEntity(before);
            if (before && before != entity) DLMoveB(entity, before);
            ForgetCacheIndex();  // the list changed behind the lookup's back
        }
        ModelFindOrAdd(model, name, time);
        cache.Find(name.c_str(), time);
        NameList expected;
        for (const ModelEntry& e : model) expected.push_back(e.version == 1 ? "v1:" + e.name : e.name);
        ASSERT_EQ(cache.Names(), expected) << "operation " << op << " looking up " << name;
    }
}

TEST_F(Cache, IndexedLookupMatchesTheWalkOnSortedLists) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        CheckAgainstModel(*this, {{"b.kvw", 3, 0}, {"C.KVW", 1, 0}, {"dd.kvw", 3, 1}}, seed, 150);
        DLEmpty(CacheList);
        ForgetCacheIndex();
    }
}

TEST_F(Cache, UnsortedOrDuplicatedListsAreWalkedAsTheyStand) {
    CheckAgainstModel(*this, {{"z.kvw", 3, 0}, {"a.kvw", 3, 0}, {"m.kvd", 3, 0}}, 11, 120);
    DLEmpty(CacheList);
    ForgetCacheIndex();
    CheckAgainstModel(*this, {{"c.kvw", 3, 0}, {"C.KVW", 3, 1}, {"e.kvw", 1, 0}}, 12, 120);
}

}  // namespace
