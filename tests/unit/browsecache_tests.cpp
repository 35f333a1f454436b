// The browse-info cache: what counts as an entry, lookup and insertion in
// name order with the file-time test, obsolete entries, the dirty flag, and
// the indexed lookup answering exactly as a walk of the list.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/state.h"
#include "preview/preview.h"
#include "settings/settings.h"
#include "standin/standin.h"
#include "tests/support/folders.h"
#include "tests/support/records.h"

using namespace testrec;

namespace {

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
        CacheDirty = false;
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
    EXPECT_TRUE(CacheDirty);
    AsImageInfo(made)->state = kPictureMade;
    CacheDirty = false;
    DLSelect(made);
    HostEntity* found = Find("plan.kvw", 77);
    EXPECT_EQ(found, made);
    EXPECT_EQ(AsImageInfo(found)->state, kPictureMade);
    EXPECT_FALSE(CacheDirty) << "finding an entry changes nothing";
    EXPECT_EQ(DLScan(CacheList, [](int, HostEntity*, intptr_t, intptr_t) { return 1; },
                     kScanSelected, 0, 0), 0) << "the found entry is unselected";
}

TEST_F(Cache, ChangedTimeInAnyBitGivesAFreshEntryAtTheSamePlace) {
    for (uint64_t changed : {uint64_t(0x100000000ull) | 5, uint64_t(4), uint64_t(5) | (1ull << 63)}) {
        Find("A.KVW");
        HostEntity* old = Find("M.KVW", 5);
        Find("Z.KVW");
        AsImageInfo(old)->state = kPictureMade;
        CacheDirty = false;
        HostEntity* fresh = Find("M.KVW", changed);
        const ImageInfoRecord* entry = AsImageInfo(fresh);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->state, kNoPicture);
        FILETIME expected = Time(changed);
        EXPECT_EQ(CompareFileTime(&entry->fileTime, &expected), 0);
        EXPECT_EQ(Names(), (NameList{"A.KVW", "M.KVW", "Z.KVW"}));
        EXPECT_TRUE(CacheDirty);
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
    EXPECT_FALSE(CacheDirty);
    Find("D.KVW");
    EXPECT_EQ(Names(), (NameList{"B.KVW", "D.KVW"})) << "version 2 stays";
    EXPECT_FALSE(CacheDirty);
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

const std::vector<std::string> kPlainPool = {"a.kvw", "A.KVW", "b.kvw", "B-1.kvw", "b_1.kvw", "c.kvw", "d.KVW",
                                             "dd.kvw", "e.kvw", "Z.KVW", "m.kvd", "n.lvw", "~x.kvw"};

// Names whose order the system's comparison decides in its own way:
// punctuation that counts less than letters, digits, letters of the code
// page with accents (some equal to two letters), and names differing only
// in case or in a character the comparison ignores.
std::vector<std::string> TrickyNames() {
    std::vector<std::string> names;
    const char* stems[] = {"plan", "PLAN", "Plan", "plan1", "plan01", "plan10", "plan2", "plan-1", "plan_1",
                           "plan 1", "plan'1", "plan.1", "plan~1", "plan(1)", "plan+1", "plan!", "plan#",
                           "co-op", "coop", "CO-OP", "co op", "\xe9t\xe9", "ete", "\xc9T\xc9", "\xe8te",
                           "stra\xdf" "e", "strasse", "STRASSE", "\xe6on", "aeon", "\xc6ON", "\xe5s", "as",
                           "\xf6l", "ol", "\xd6L", "\xfc" "ber", "uber", "\xf1" "and\xfa", "nandu", "\xe7" "a", "ca",
                           "\x9aum", "\x8aUM", "sum", "\x9cuvre", "oeuvre", "\xffvon", "yvon", "a\xad" "b",
                           "ab", "a\xa0" "b", "a b", "_x", "-x", "x", "0x", "9x", "~x", "$x", "[x]", "{x}"};
    for (const char* stem : stems) {
        names.push_back(std::string(stem) + ".kvw");
        names.push_back(std::string(stem) + ".KVD");
    }
    return names;
}

void CheckAgainstModel(Cache& cache, std::vector<ModelEntry> model, unsigned variant, int operations,
                       const std::vector<std::string>& pool = kPlainPool) {
    for (const ModelEntry& e : model) cache.Put(e.name, e.version, e.time);
    std::mt19937 random(variant);
    for (int op = 0; op < operations; ++op) {
        std::string name = pool[random() % pool.size()];
        uint64_t time = random() % 3;
        if (random() % 7 == 0) {
            // An obsolete entry appears in the list as an old file would hold it.
            std::string old = pool[random() % pool.size()];
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
    for (unsigned variant = 1; variant <= 6; ++variant) {
        CheckAgainstModel(*this, {{"b.kvw", 3, 0}, {"C.KVW", 1, 0}, {"dd.kvw", 3, 1}}, variant, 150);
        DLEmpty(CacheList);
        ForgetCacheIndex();
    }
}

// Each name lands exactly where the walk by lstrcmpiA puts it, placed by
// its sort key: the keys agree with lstrcmpiA, so the index never had to
// give up for the walk.
TEST_F(Cache, NewNamesTakeTheSystemsOrderOnTrickyNames) {
    std::vector<std::string> names = TrickyNames();
    for (unsigned variant = 1; variant <= 4; ++variant) {
        std::vector<std::string> shuffled = names;
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(variant));
        std::vector<ModelEntry> model;
        for (const std::string& name : shuffled) {
            ModelFindOrAdd(model, name, 1);
            Find(name.c_str());
        }
        NameList expected;
        for (const ModelEntry& e : model) expected.push_back(e.name);
        ASSERT_EQ(Names(), expected) << "variant " << variant;
        EXPECT_TRUE(CacheOrderAnswers()) << "the keys agreed with lstrcmpiA everywhere";
        NameList listed = Names();
        for (size_t i = 1; i < listed.size(); ++i) {
            EXPECT_LE(lstrcmpiA(listed[i - 1].c_str(), listed[i].c_str()), 0) << listed[i - 1] << " / " << listed[i];
        }
        DLEmpty(CacheList);
        ForgetCacheIndex();
    }
    CheckAgainstModel(*this, {}, 21, 400, names);
}

TEST_F(Cache, UnsortedOrDuplicatedListsAreWalkedAsTheyStand) {
    CheckAgainstModel(*this, {{"z.kvw", 3, 0}, {"a.kvw", 3, 0}, {"m.kvd", 3, 0}}, 11, 120);
    DLEmpty(CacheList);
    ForgetCacheIndex();
    CheckAgainstModel(*this, {{"c.kvw", 3, 0}, {"C.KVW", 3, 1}, {"e.kvw", 1, 0}}, 12, 120);
}

// ---- The cache file ----

struct CacheFile : ::testing::Test {
    TempFolder folder{"cache"};
    void SetUp() override {
        CopyText(g_config.rsc3053, "Software\\KvUnit\\browsecache");
        OpenTranscript(folder.File("transcript.txt").c_str());
        CacheList = nullptr;
        CacheDirty = false;
        ForgetCacheIndex();
    }
    void TearDown() override {
        CloseCache();
        CloseTranscript();
    }
    std::string CacheFilePath() { return folder.path + "\\~BRINFO.KVW"; }
    // The transcript's lines of one kind.
    std::string Transcribed(const std::string& kind) {
        CloseTranscript();
        std::string all = folder.Read("transcript.txt"), out;
        for (size_t at = 0; at < all.size();) {
            size_t end = all.find('\n', at);
            std::string line = all.substr(at, end - at + 1);
            if (line.rfind(kind + " ", 0) == 0) out += line;
            at = end == std::string::npos ? all.size() : end + 1;
        }
        OpenTranscript(folder.File("transcript.txt").c_str());
        return out;
    }
    std::string ErrorBoxes() { return Transcribed("error-box"); }
    // Wine reports the archive bit on every regular file whatever was set,
    // so it is left out of the comparison.
    DWORD SavedAttributes() {
        return GetFileAttributesA(CacheFilePath().c_str()) & ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE);
    }
    HostEntity* Find(const char* name, uint64_t time = 1) {
        FILETIME t = Time(time);
        return FindOrAddEntry(name, &t);
    }
};

TEST_F(CacheFile, SaveHidesTheFileAndReopenGivesTheSameEntries) {
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    ASSERT_NE(CacheList, nullptr);
    EXPECT_EQ(GetFileAttributesA(CacheFilePath().c_str()), INVALID_FILE_ATTRIBUTES);
    Find("b.kvw", 2);
    Find("A.KVW", 0x1234567890ull);
    currentEntry = FirstEntity(CacheList);
    CloseCache();
    EXPECT_EQ(currentEntry, nullptr);
    EXPECT_EQ(CacheList, nullptr);
    EXPECT_EQ(SavedAttributes(), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));

    // An archived, hidden cache file is rewritten and left only hidden.
    SetFileAttributesA(CacheFilePath().c_str(), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    EXPECT_FALSE(CacheDirty);
    std::vector<std::string> names;
    for (HostEntity* e = FirstEntity(CacheList); e; e = NextEntity(e)) names.push_back(AsImageInfo(e)->name);
    EXPECT_EQ(names, (NameList{"A.KVW", "b.kvw"}));
    EXPECT_EQ(Find("a.kvw", 0x1234567890ull), FirstEntity(CacheList));
    EXPECT_FALSE(CacheDirty);
    Find("c.kvw");
    CloseCache();
    EXPECT_EQ(SavedAttributes(), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(ErrorBoxes(), "");
}

// Regression: a read-only cache (a shared library folder whose keeper froze
// it) was overwritten and lost its read-only attribute.
TEST_F(CacheFile, AReadOnlyCacheIsReadAndNeverRewritten) {
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    Find("A.KVW");
    CloseCache();
    SetFileAttributesA(CacheFilePath().c_str(), FILE_ATTRIBUTE_READONLY);
    std::string bytes = folder.Read("~BRINFO.KVW");
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    EXPECT_NE(AsImageInfo(FirstEntity(CacheList)), nullptr) << "its entries serve";
    Find("B.KVW");
    EXPECT_TRUE(CacheDirty);
    CloseCache();
    EXPECT_EQ(folder.Read("~BRINFO.KVW"), bytes);
    EXPECT_EQ(SavedAttributes(), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ErrorBoxes(), "") << "frozen on purpose: nothing failed";
}

// Regression: a folder named ~BRINFO.KVW was made hidden, and the cache was
// never saved, with no word; a folder renamed while the cache was open
// saved nothing, with no word. The failed save is told once, naming the
// folder and why, and nothing is hidden.
TEST_F(CacheFile, ASaveThatCannotBeMadeIsToldOnceAndHidesNothing) {
    QueueBoxAnswer(IDOK);
    QueueBoxAnswer(IDOK);
    ASSERT_TRUE(CreateDirectoryA(CacheFilePath().c_str(), nullptr));
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    Find("A.KVW");
    CloseCache();
    EXPECT_EQ(GetFileAttributesA(CacheFilePath().c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    std::string sub = folder.File("sub"), moved = folder.File("moved");
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    ASSERT_EQ(OpenCache(sub.c_str()), 1);
    Find("A.KVW");
    ASSERT_TRUE(MoveFileA(sub.c_str(), moved.c_str()));
    CloseCache();
    EXPECT_EQ(GetFileAttributesA((moved + "\\~BRINFO.KVW").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ErrorBoxes(),
              "error-box Error: Couldn't save the browse info of this folder: a folder named ~BRINFO.KVW is in "
              "the way.\\n\\n" + folder.path + "\n"
              "error-box Error: Couldn't save the browse info of this folder: the folder is no longer "
              "there.\\n\\n" + sub + "\n");
}

// Regression: a folder renamed while its cache was open, and a new folder
// made under its old name, got the old folder's cache.
TEST_F(CacheFile, ACacheIsWrittenOnlyIntoTheFolderItWasReadFrom) {
    QueueBoxAnswer(IDOK);
    std::string sub = folder.File("final"), moved = folder.File("final old");
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    ASSERT_EQ(OpenCache(sub.c_str()), 1);
    Find("A.KVW");
    ASSERT_TRUE(MoveFileA(sub.c_str(), moved.c_str()));
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    CloseCache();
    EXPECT_EQ(GetFileAttributesA((sub + "\\~BRINFO.KVW").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((moved + "\\~BRINFO.KVW").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ErrorBoxes(),
              "error-box Error: Couldn't save the browse info of this folder: the folder was renamed or moved, and "
              "this is another folder of its name.\\n\\n" + sub + "\n");
}

// Regression: two hosts saving one folder's cache at once each checked the
// file, then each moved its own over it, and the later lost the earlier's
// pictures. A save waits for the folder's lock; one that never gets it
// says so and keeps its pictures, which the next opening takes over.
TEST_F(CacheFile, ASaveWaitsForTheFoldersLockAndKeepsItsPicturesWithoutIt) {
    folder.Write("A.KVW", "drawing");
    WIN32_FILE_ATTRIBUTE_DATA file;
    ASSERT_TRUE(GetFileAttributesExA(folder.File("A.KVW").c_str(), GetFileExInfoStandard, &file));
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    AsImageInfo(FindOrAddEntry("A.KVW", &file.ftLastWriteTime))->state = kPictureMade;
    // Another host's save holds the lock.
    HANDLE lock = CreateFileA(folder.File(kSaveLockFileName).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    OVERLAPPED at = {};
    ASSERT_TRUE(LockFileEx(lock, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at));
    QueueBoxAnswer(IDOK);
    CloseCache();
    EXPECT_EQ(GetFileAttributesA(CacheFilePath().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ErrorBoxes(),
              "error-box Error: Couldn't save the browse info of this folder: another program was saving it for "
              "more than 5 seconds; its new pictures are kept for the next save.\\n\\n" + folder.path + "\n");
    // The holder is gone; its lock file stays, and blocks nothing.
    CloseHandle(lock);
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    const ImageInfoRecord* entry = AsImageInfo(FirstEntity(CacheList));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->state, kPictureMade);
    CloseCache();
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    entry = AsImageInfo(FirstEntity(CacheList));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->state, kPictureMade) << "saved";
    EXPECT_EQ(ErrorBoxes(), "");
}

// Regression: a cache that another program held open could not be loaded,
// and Close then froze the host for ten seconds while the save waited for
// the holder, and failed with no word. The holder is asked once instead.
TEST_F(CacheFile, ACacheHeldOpenAtLoadIsNotWaitedForAtTheSave) {
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    Find("A.KVW");
    CloseCache();
    std::string bytes = folder.Read("~BRINFO.KVW");
    HANDLE held = CreateFileA(CacheFilePath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    QueueBoxAnswer(IDOK);
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    EXPECT_EQ(FirstEntity(CacheList), nullptr);
    Find("B.KVW");
    CloseCache();
    CloseHandle(held);
    EXPECT_EQ(folder.Read("~BRINFO.KVW"), bytes);
    EXPECT_EQ(ErrorBoxes(),
              "error-box Error: Couldn't save the browse info of this folder: the file is in use by another "
              "program.\\n\\n" + folder.path + "\n");
    EXPECT_EQ(Transcribed("save-wait"), "") << "the host waited for the holder";

    // Let go, the next visit saves over it as usual.
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    Find("B.KVW");
    CloseCache();
    EXPECT_NE(folder.Read("~BRINFO.KVW"), bytes);
}

TEST_F(CacheFile, SameSpellingKeepsTheListOtherSpellingReloadsIt) {
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    Find("A.KVW");
    CloseCache();
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    AsImageInfo(FirstEntity(CacheList))->state = kPictureMade;  // in memory only
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    EXPECT_EQ(AsImageInfo(FirstEntity(CacheList))->state, kPictureMade) << "not reloaded";
    std::string upper = folder.path;
    CharUpperA(&upper[0]);
    ASSERT_NE(upper, folder.path);
    ASSERT_EQ(OpenCache(upper.c_str()), 1);
    EXPECT_EQ(AsImageInfo(FirstEntity(CacheList))->state, kNoPicture) << "reloaded from the file";
}

TEST_F(CacheFile, EmptyTruncatedOrGarbageFileGivesAnEmptyCache) {
    const std::string contents[] = {"", "KVW", std::string(5000, '\xA5')};
    for (const std::string& bytes : contents) {
        folder.Write("~BRINFO.KVW", bytes);
        ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
        ASSERT_NE(CacheList, nullptr);
        EXPECT_EQ(FirstEntity(CacheList), nullptr);
        CloseCache();
        EXPECT_EQ(folder.Read("~BRINFO.KVW"), bytes) << "an unchanged cache is not rewritten";
    }
}

TEST_F(CacheFile, DeletionsAloneDoNotRewriteTheFile) {
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    std::vector<unsigned char> old = EntryRecord("OLD.KVW", 1, 0);
    host::DLApnd(CacheList, old.data());
    Find("B.KVW");
    CloseCache();
    std::string saved = folder.Read("~BRINFO.KVW");
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    Find("B.KVW");  // meets and deletes the obsolete entry
    EXPECT_FALSE(CacheDirty);
    CloseCache();
    EXPECT_EQ(folder.Read("~BRINFO.KVW"), saved);
}

// Regression: a folder too long for the cache path was cut into the path of
// another folder's cache; one whose cache path reached MAX_PATH opened a
// cache that was never saved.
TEST_F(CacheFile, FolderTooLongForTheCachePathIsRefused) {
    std::string longFolder = folder.path + "\\" + std::string(260 - folder.path.size(), 'd');
    EXPECT_EQ(OpenCache(longFolder.c_str()), 0);
    EXPECT_EQ(CacheList, nullptr);
    EXPECT_EQ(OpenCache(std::string(248, 'f').c_str()), 0);
    EXPECT_EQ(CacheList, nullptr);
    EXPECT_EQ(OpenCache(std::string(247, 'f').c_str()), 1) << "a cache path of 259 characters";
}

// Regression: a drawing saved under the cache's name got an entry appended
// per file and was made hidden. Records but no entry: a drawing, never
// rewritten, and the save is told.
TEST_F(CacheFile, ADrawingWithoutEntriesUnderTheCachesNameIsNeverRewritten) {
    HDL drawing = NewList("drawing");
    AddLine(drawing, 0, 0, 10, 10);
    ASSERT_TRUE(host::DLSave(drawing, CacheFilePath().c_str()));
    DLDestroy(drawing);
    std::string bytes = folder.Read("~BRINFO.KVW");
    QueueBoxAnswer(IDOK);
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    Find("B.KVW");
    EXPECT_TRUE(CacheDirty);
    CloseCache();
    EXPECT_EQ(folder.Read("~BRINFO.KVW"), bytes);
    EXPECT_EQ(SavedAttributes() & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(ErrorBoxes(),
              "error-box Error: Couldn't save the browse info of this folder: a drawing named ~BRINFO.KVW is in "
              "the way.\\n\\n" + folder.path + "\n");
}

// Regression: one record a byte short, one of another sub-kind, or one line
// in a cache of entries made the whole cache count as a user's drawing: it
// was never saved again. A file holding an entry is a cache, and its other
// records are kept as they are.
TEST_F(CacheFile, ForeignRecordsInACacheAreKeptAndTheCacheIsSaved) {
    HDL cache = NewList("cache");
    std::vector<unsigned char> entry = EntryRecord("A.KVW", 3, 1);
    host::DLApnd(cache, entry.data());
    std::vector<unsigned char> otherKind = EntryRecord("X.KVW", 3, 1);
    otherKind[30] = 1;
    host::DLApnd(cache, otherKind.data());
    std::vector<unsigned char> short_ = EntryRecord("Y.KVW", 3, 1);
    uint32_t shortLength = kImageInfoSize - 1;
    memcpy(short_.data(), &shortLength, 4);
    host::DLApnd(cache, short_.data());
    AddLine(cache, 0, 0, 10, 10);
    ASSERT_TRUE(host::DLSave(cache, CacheFilePath().c_str()));
    DLDestroy(cache);

    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    EXPECT_NE(AsImageInfo(Find("A.KVW")), nullptr);
    Find("B.KVW");
    CloseCache();
    EXPECT_EQ(SavedAttributes(), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(ErrorBoxes(), "");
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    std::vector<std::string> kept;
    for (HostEntity* e = FirstEntity(CacheList); e; e = NextEntity(e)) {
        uint32_t length;
        memcpy(&length, e, sizeof length);
        kept.push_back(AsImageInfo(e) ? AsImageInfo(e)->name
                                      : "type " + std::to_string(e[4]) + " length " + std::to_string(length));
    }
    EXPECT_EQ(kept, (NameList{"A.KVW", "type 4 length 43646", "type 4 length 43645", "type 1 length 52", "B.KVW"}));
}

// A save killed mid-way leaves its temporary; a visit to a folder whose
// cache is complete never saves, so opening the cache clears the stale ones:
// of the host's pattern, untouched for a minute, held by nobody.
TEST_F(CacheFile, OpeningTheCacheRemovesStaleTemporariesOnly) {
    for (const char* name : {"~kv32-7-1.tmp", "~kv32-7-2.tmp", "~kv32-7-3.tmp", "other.tmp"}) {
        folder.Write(name, "half a cache");
        SetFileAge(folder.File(name), 120);
    }
    SetFileAge(folder.File("~kv32-7-2.tmp"), 10);
    HANDLE held = CreateFileA(folder.File("~kv32-7-3.tmp").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    CloseHandle(held);
    for (const char* name : {"~kv32-7-2.tmp", "~kv32-7-3.tmp", "other.tmp"}) {
        EXPECT_NE(GetFileAttributesA(folder.File(name).c_str()), INVALID_FILE_ATTRIBUTES) << name;
    }
    EXPECT_EQ(GetFileAttributesA(folder.File("~kv32-7-1.tmp").c_str()), INVALID_FILE_ATTRIBUTES);
}

// ---- Two hosts on one folder ----

struct CacheMerge : CacheFile {
    HDL ours = nullptr, theirs = nullptr, notes = nullptr;
    void SetUp() override {
        CacheFile::SetUp();
        ours = NewList("ours");
        theirs = NewList("theirs");
        notes = NewList("notes");
    }
    void TearDown() override {
        DLDestroy(ours);
        DLDestroy(theirs);
        DLDestroy(notes);
        CacheFile::TearDown();
    }
    // A drawing file in the folder; its last-write time.
    uint64_t MakeFile(const std::string& name) {
        folder.Write(name, "drawing");
        WIN32_FILE_ATTRIBUTE_DATA file;
        GetFileAttributesExA(folder.File(name).c_str(), GetFileExInfoStandard, &file);
        return (uint64_t(file.ftLastWriteTime.dwHighDateTime) << 32) | file.ftLastWriteTime.dwLowDateTime;
    }
    // An entry; pictured ones carry a picture byte and one note.
    HostEntity* Put(HDL list, const std::string& name, uint64_t time, uint8_t state) {
        std::vector<unsigned char> bytes = EntryRecord(name, 3, time);
        auto* record = reinterpret_cast<ImageInfoRecord*>(bytes.data());
        record->state = state;
        if (state == kPictureMade) record->largePicture[0] = 0x5A;
        HostEntity* entry = host::DLApnd(list, bytes.data());
        if (state == kPictureMade) CollectNote(&entry, AddNote(notes, "Rev", "A"));
        return entry;
    }
    // Name, state and note count of each entity of ours, in order.
    std::vector<std::string> Ours() {
        std::vector<std::string> out;
        for (HostEntity* e = FirstEntity(ours); e; e = NextEntity(e)) {
            const ImageInfoRecord* entry = AsImageInfo(e);
            if (!entry) continue;
            HDL notes = host::DLGetSubList(e);
            int count = 0;
            for (HostEntity* n = notes ? FirstEntity(notes) : nullptr; n; n = NextEntity(n)) ++count;
            out.push_back(std::string(entry->name) + " " + std::to_string(entry->state) + " " +
                          std::to_string(count));
        }
        return out;
    }
};

// Entries for names this list lacks are taken, in name order, with their
// pictures and notes, only while their drawing is there with the entry's
// time; an entry marked deleted is never taken, nor a name outside the folder.
TEST_F(CacheMerge, TakesEntriesForNamesItLacksWhoseFilesAreThereWithTheirTime) {
    Put(ours, "A.KVW", 1, kNoPicture);
    Put(ours, "C.KVW", 1, kNoPicture);
    Put(theirs, "B.KVW", MakeFile("B.KVW"), kPictureMade);
    Put(theirs, "D.KVW", 1, kPictureMade);                  // no such file
    Put(theirs, "E.KVW", MakeFile("E.KVW") + 1, kPictureMade);  // changed since
    Put(theirs, "F.KVW", MakeFile("F.KVW"), kFileDeleted);
    Put(theirs, "G.KVW", MakeFile("G.KVW"), kNoPicture);
    uint64_t up = MakeFile("UP.KVW");
    ASSERT_TRUE(CreateDirectoryA(folder.File("sub").c_str(), nullptr));
    Put(theirs, "..\\UP.KVW", up, kPictureMade);
    EXPECT_EQ(MergeCacheLists(ours, theirs, folder.File("sub").c_str()), 0) << "nothing from outside the folder";
    EXPECT_EQ(MergeCacheLists(ours, theirs, folder.path.c_str()), 2);
    EXPECT_EQ(Ours(), (NameList{"A.KVW 0 0", "B.KVW 1 1", "C.KVW 0 0", "G.KVW 0 0"}));
}

// A picture is taken for an entry this list holds without one, of the same
// name and time; this list's pictures and deleted marks stay as they are.
TEST_F(CacheMerge, TakesPicturesOnlyForTheSameNameAndTimeAndNeverUndeletes) {
    Put(ours, "P.KVW", 5, kNoPicture);
    Put(ours, "Q.KVW", 5, kNoPicture);
    Put(ours, "R.KVW", 5, kFileDeleted);
    Put(ours, "S.KVW", 5, kPictureMade);
    Put(theirs, "p.kvw", 5, kPictureMade);
    Put(theirs, "Q.KVW", 6, kPictureMade);
    Put(theirs, "R.KVW", 5, kPictureMade);
    Put(theirs, "S.KVW", 5, kPictureMade);
    AsImageInfo(FirstEntity(theirs))->largePicture[1] = 0x77;
    EXPECT_EQ(MergeCacheLists(ours, theirs, folder.path.c_str()), 1);
    EXPECT_EQ(Ours(), (NameList{"p.kvw 1 1", "Q.KVW 0 0", "R.KVW 2 0", "S.KVW 1 1"}));
    EXPECT_EQ(AsImageInfo(FirstEntity(ours))->largePicture[1], 0x77);
    EXPECT_EQ(AsImageInfo(NextEntity(NextEntity(NextEntity(FirstEntity(ours)))))->largePicture[1], 0);
}

// Regression: with two hosts on one folder, the last to save replaced the
// cache with its own list, and the other's new entries and pictures were
// lost. A save first takes over what was saved since the cache was read.
TEST_F(CacheMerge, ASaveKeepsWhatAnotherHostSavedSinceTheCacheWasRead) {
    uint64_t kvd = MakeFile("B.KVD");
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    Find("A.KVW");
    Put(theirs, "B.KVD", kvd, kPictureMade);
    ASSERT_TRUE(host::DLSave(theirs, CacheFilePath().c_str()));
    CloseCache();
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    std::vector<std::string> names;
    for (HostEntity* e = FirstEntity(CacheList); e; e = NextEntity(e)) names.push_back(AsImageInfo(e)->name);
    EXPECT_EQ(names, (NameList{"A.KVW", "B.KVD"}));
    EXPECT_EQ(AsImageInfo(NextEntity(FirstEntity(CacheList)))->state, kPictureMade);
    EXPECT_EQ(ErrorBoxes(), "");
}

// ---- Pictures ----

struct Pictures : CacheFile {
    void SetUp() override {
        CacheFile::SetUp();
        CopyText(browseDirectory, folder.path.c_str());
        ResetCommandState();
        colourTableReady = false;
        ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    }
    // A drawing whose window is exactly the large picture's shape: a frame,
    // a line across the middle, a line on a hidden layer, two notes.
    void WritePlan(const char* name) {
        HDL plan = NewList(name);
        LayerRecord layers[] = {Layer(5, true)};
        SetLayers(plan, layers, 1);
        HeaderOf(plan)->background = 15;
        AddFrame(plan, 0, 0, 181, 188);
        AddLine(plan, 0, 94, 181, 94);
        AddLine(plan, 90, 0, 90, 188, 5);
        AddNote(plan, "Rev", "A\r\nB");
        AddNote(plan, "Hidden note", "x", 5);
        ASSERT_TRUE(WriteDrawingFile(plan, (folder.path + "\\" + name).c_str()));
        DLDestroy(plan);
    }
    // The colour of a large-picture pixel, x from the left, y from the top.
    COLORREF Pixel(const ImageInfoRecord* entry, int x, int y) {
        uint8_t index = entry->largePicture[(kLargeHeight - 1 - y) * kLargeStride + x];
        RGBQUAD c = PictureInfo.colours[index];
        return RGB(c.rgbRed, c.rgbGreen, c.rgbBlue);
    }
    bool DarkNear(const ImageInfoRecord* entry, int x, int y) {
        for (int dy = -1; dy <= 1; ++dy) {
            if (Pixel(entry, x, y + dy) == RGB(0, 0, 0)) return true;
        }
        return false;
    }
};

TEST_F(Pictures, PlanIsDrawnWithoutItsHiddenLayerAndNotesAreKept) {
    WritePlan("PLAN.KVW");
    HostEntity* entry = Find("PLAN.KVW");
    CacheDirty = false;
    HostEntity* before = entry;
    MakePictures(&entry);
    const ImageInfoRecord* made = AsImageInfo(entry);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->state, kPictureMade);
    EXPECT_EQ(made->smallPresent, 1u);
    EXPECT_TRUE(CacheDirty);
    EXPECT_TRUE(colourTableReady);
    EXPECT_EQ(PictureInfo.header.biWidth, 181);
    EXPECT_EQ(PictureInfo.header.biHeight, 188);
    EXPECT_TRUE(DarkNear(made, 45, 94)) << "the middle line";
    EXPECT_TRUE(DarkNear(made, 140, 94));
    EXPECT_EQ(Pixel(made, 90, 40), RGB(255, 255, 255)) << "the hidden layer's line is not drawn";
    EXPECT_EQ(Pixel(made, 60, 40), RGB(255, 255, 255)) << "background colour 15";
    EXPECT_NE(entry, before) << "collecting notes moved the entry";
    EXPECT_EQ(Find("PLAN.KVW"), entry) << "the lookup follows the move";
    HDL notes = host::DLGetSubList(entry);
    ASSERT_NE(notes, nullptr);
    int count = 0;
    for (HostEntity* e = FirstEntity(notes); e; e = NextEntity(e)) ++count;
    EXPECT_EQ(count, 2);
}

// Regression: a second run for the same entry (colour table not ready yet,
// or an earlier picture copy that failed) appended the notes again.
TEST_F(Pictures, NotesAreCollectedOnceWhenPicturesAreMadeAgain) {
    WritePlan("AGAIN.KVW");
    HostEntity* entry = Find("AGAIN.KVW");
    MakePictures(&entry);
    colourTableReady = false;
    MakePictures(&entry);
    HDL notes = host::DLGetSubList(entry);
    ASSERT_NE(notes, nullptr);
    int count = 0;
    for (HostEntity* e = FirstEntity(notes); e; e = NextEntity(e)) ++count;
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Find("AGAIN.KVW"), entry);
}

TEST_F(Pictures, ColourTableIsStoredOnceAndVersionTwoGetsNoSmallPicture) {
    WritePlan("ONE.KVW");
    WritePlan("TWO.KVW");
    HostEntity* one = Find("ONE.KVW");
    MakePictures(&one);
    ASSERT_TRUE(colourTableReady);
    HKEY key;
    std::string keyPath = std::string(g_config.rsc3053) + "\\XP\\Vandrel\\Kiru32 (Lumo32)\\";
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, "ColorMap", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    RegDeleteValueA(key, "ColorMap");

    HostEntity* two = Find("TWO.KVW");
    AsImageInfo(two)->version = 2;
    MakePictures(&two);
    EXPECT_EQ(AsImageInfo(two)->state, kPictureMade);
    EXPECT_EQ(AsImageInfo(two)->smallPresent, 0u);
    EXPECT_NE(RegQueryValueExA(key, "ColorMap", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS)
        << "the table is written at most once per load";
    RegCloseKey(key);
}

TEST_F(Pictures, SymbolLibraryShowsItsFirstDefinitionElseTheWholeDrawing) {
    HDL library = NewList("LIB.KVS");
    HeaderOf(library)->background = 15;
    AddLine(library, 0, 0, 1000, 0);  // far away: only the whole drawing shows it
    HostEntity* def = AddSymbolDef(library, "BOX", {0, 0, 0}, {181, 188, 0});
    HDL members = MembersOf(&def);
    AddFrame(members, 0, 0, 181, 188);
    AddLine(members, 0, 94, 181, 94);
    ASSERT_TRUE(WriteDrawingFile(library, (folder.path + "\\LIB.KVS").c_str()));
    DLDestroy(library);
    HostEntity* entry = Find("LIB.KVS");
    MakePictures(&entry);
    EXPECT_TRUE(DarkNear(AsImageInfo(entry), 45, 94)) << "the symbol fills the picture";

    HDL plain = NewList("NOSYM.KVS");
    HeaderOf(plain)->background = 15;
    AddFrame(plain, 0, 0, 181, 188);
    AddLine(plain, 0, 94, 181, 94);
    ASSERT_TRUE(WriteDrawingFile(plain, (folder.path + "\\NOSYM.KVS").c_str()));
    DLDestroy(plain);
    HostEntity* whole = Find("NOSYM.KVS");
    MakePictures(&whole);
    EXPECT_TRUE(DarkNear(AsImageInfo(whole), 45, 94)) << "no definition: the whole drawing";
}

TEST_F(Pictures, UnreadableDrawingChangesNothing) {
    folder.Write("BROKEN.KVW", "not a drawing");
    HostEntity* entry = Find("BROKEN.KVW");
    HostEntity* missing = Find("MISSING.KVW");
    CacheDirty = false;
    MakePictures(&entry);
    MakePictures(&missing);
    EXPECT_EQ(AsImageInfo(entry)->state, kNoPicture);
    EXPECT_EQ(AsImageInfo(missing)->state, kNoPicture);
    EXPECT_FALSE(CacheDirty);
    EXPECT_EQ(PictureInfo.header.biWidth, 181);
}

// ---- Information lines ----

TEST_F(CacheFile, InformationLinesFollowStateAndVersion) {
    std::string transcriptPath = folder.path + "\\info.txt";
    CloseTranscript();
    OpenTranscript(transcriptPath.c_str());
    std::vector<unsigned char> bytes = EntryRecord("PLAN.KVW", 3, 1);
    auto* entry = reinterpret_cast<ImageInfoRecord*>(bytes.data());
    const char* name = nullptr;
    EXPECT_EQ(ImageInfoCallback(8, bytes.data(), 1, &name), kEntityHandled);
    EXPECT_STREQ(name, "IMAGE INFO");
    EXPECT_EQ(ImageInfoCallback(8, bytes.data(), 2, &name), host::ENoSupp());
    EXPECT_EQ(ImageInfoCallback(5, bytes.data(), 0, nullptr), host::ENoSupp());
    EXPECT_EQ(ImageInfoCallback(1, bytes.data(), 0, nullptr), kEntityHandled);
    entry->state = kFileDeleted;
    EXPECT_EQ(ImageInfoCallback(9, bytes.data(), 0, nullptr), kEntityHandled);
    entry->state = kNoPicture;
    entry->version = 2;
    ImageInfoCallback(9, bytes.data(), 0, nullptr);
    entry->state = 7;
    ImageInfoCallback(9, bytes.data(), 0, nullptr);
    entry->subKind = 1;
    EXPECT_EQ(ImageInfoCallback(9, bytes.data(), 0, nullptr), kEntityHandled) << "other sub-kinds: nothing";
    CloseTranscript();
    EXPECT_EQ(folder.Read("info.txt"),
              "info     FileName: PLAN.KVW\\n\n"
              "info     Bitmap file deleted.\\n\n"
              "info     Has small bitmap.\\n\n"
              "info     FileName: PLAN.KVW\\n\n"
              "info     Bitmap not loaded.\\n\n"
              "info     FileName: PLAN.KVW\\n\n");
}

}  // namespace
