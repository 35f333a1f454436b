// The browser's list model: which names each format takes, the folder scan
// against the cache (new, unchanged, changed and vanished files), the view
// chain, the rows of the browse list, the hit test of a click and the
// progress text.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <new>
#include <string>
#include <vector>

#include "browsecache/cache.h"
#include "browser/browser.h"
#include "browser/browserinternal.h"
#include "host/host.h"
#include "module/state.h"
#include "settings/settings.h"
#include "standin/drawing/drawing.h"
#include "standin/standin.h"
#include "tests/support/browsedialog.h"
#include "tests/support/folders.h"
#include "tests/support/records.h"

using testrec::Time;

// Allocations of the module's own (its indexes) fail while this is 0; it
// counts down while positive, -1 lets all through. Tests keep the failing
// window to the call under test.
static int g_newLeft = -1;

void* operator new(size_t size) {
    if (g_newLeft == 0) throw std::bad_alloc();
    if (g_newLeft > 0) --g_newLeft;
    void* p = malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}
void operator delete(void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }

namespace {

const uint64_t kJanuary = 133000000000000000ull;

struct BrowseList : ::testing::Test {
    TempFolder folder{"browse"};

    // A store of its own, empty at the start: no "ColorMap" from another run.
    void SetUp() override {
        CopyText(g_config.rsc3053, "Software\\KvUnitBrowseList");
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KvUnitBrowseList");
        ResetCommandState();
        ForgetCacheIndex();
        CacheList = NewList("~BRINFO.KVW");
        CacheDirty = 0;
        commandMode = ModeLoad;
        FormatIndex = 0;
        SmallPictures = 0;
        CopyText(browseDirectory, folder.path.c_str());
    }
    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KvUnitBrowseList");
        DLDestroy(CacheList);
        CacheList = nullptr;
        ForgetCacheIndex();
        commandMode = ModeLoad;
        FormatIndex = 0;
        SmallPictures = 0;
    }
    void WriteFile(const std::string& name, uint64_t time = kJanuary) {
        folder.Write(name, "drawing");
        SetTime(name, time);
    }
    void SetTime(const std::string& name, uint64_t time) {
        HANDLE file = CreateFileA(folder.File(name).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        FILETIME t = Time(time);
        SetFileTime(file, nullptr, nullptr, &t);
        CloseHandle(file);
    }
    HostEntity* Put(const std::string& name, uint64_t time = kJanuary) {
        FILETIME t = Time(time);
        return FindOrAddEntry(name.c_str(), &t);
    }
    std::vector<std::string> Names() {
        std::vector<std::string> out;
        for (HostEntity* e = FirstEntity(CacheList); e; e = NextEntity(e)) {
            const ImageInfoRecord* entry = AsImageInfo(e);
            out.push_back(entry ? entry->name : "-");
        }
        return out;
    }
    ImageInfoRecord* Entry(const std::string& name) {
        for (HostEntity* e = FirstEntity(CacheList); e; e = NextEntity(e)) {
            ImageInfoRecord* entry = AsImageInfo(e);
            if (entry && name == entry->name) return entry;
        }
        return nullptr;
    }
    std::vector<std::string> Chain() {
        std::vector<std::string> out;
        HostEntity* e = nullptr;
        for (HostEntity* it = FirstEntity(CacheList); it && !e; it = NextEntity(it)) {
            if (ShownEntry(it, FormatIndex)) e = it;
        }
        for (const ImageInfoRecord* entry = AsImageInfo(e); entry; entry = AsImageInfo(entry->nextShown)) {
            out.push_back(entry->name);
        }
        return out;
    }
};

using NameList = std::vector<std::string>;

// ---- Formats ----

TEST(Formats, EachChoiceTakesItsExtensionsWithoutRegardToCase) {
    commandMode = ModeLoad;
    EXPECT_TRUE(MatchFormat(0, "KVW"));
    EXPECT_TRUE(MatchFormat(0, "kvw"));
    EXPECT_FALSE(MatchFormat(0, "KVD"));
    EXPECT_TRUE(MatchFormat(1, "KVD"));
    EXPECT_TRUE(MatchFormat(2, "Lvw"));
    EXPECT_TRUE(MatchFormat(3, "DWG"));
    EXPECT_TRUE(MatchFormat(4, "dxf"));
    for (const char* ext : {"KVW", "KVD", "LVW", "DWG", "DXF"}) EXPECT_TRUE(MatchFormat(5, ext)) << ext;
    EXPECT_FALSE(MatchFormat(5, "KVT"));
    EXPECT_FALSE(MatchFormat(5, "TXT"));
}

TEST(Formats, TemplateModeTakesOnlyTemplatesWhateverTheChoice) {
    commandMode = ModeTemplate;
    EXPECT_TRUE(MatchFormat(3, "KVT"));
    EXPECT_TRUE(MatchFormat(0, "kvt"));
    EXPECT_FALSE(MatchFormat(3, "DWG"));
    EXPECT_FALSE(MatchFormat(5, "KVW"));
    commandMode = ModeLoad;
}

TEST(Formats, TheExtensionIsTheLastThreeCharactersWithoutADot) {
    commandMode = ModeLoad;
    EXPECT_TRUE(NameMatchesFormat(0, "PLANKVW"));
    EXPECT_TRUE(NameMatchesFormat(0, "plan.kvw"));
    EXPECT_FALSE(NameMatchesFormat(0, "PLAN.KVW.BAK"));
    EXPECT_FALSE(NameMatchesFormat(0, "VW"));
    EXPECT_FALSE(NameMatchesFormat(0, ""));
}

// Regression: a filter number stored back by the file manager must not
// index past the table.
TEST(Formats, AChoiceOutsideTheTableTakesNothing) {
    commandMode = ModeLoad;
    EXPECT_FALSE(MatchFormat(6, "KVW"));
    EXPECT_FALSE(MatchFormat(-1, "KVW"));
    EXPECT_FALSE(MatchFormat(1000, "KVW"));
}

TEST(Formats, TheComboItemsAreSixTextsThenAnEmptyOne) {
    std::vector<std::string> texts;
    for (const char* s = kFormatComboItems; *s; s += strlen(s) + 1) texts.push_back(s);
    EXPECT_EQ(texts, (NameList{"Korvind KVW Drawing", "Korvind/DOS KVD Ver 2.72+ Drawing",
                            "Linvale LVW 4.50+ Drawing", "AutoCad DWG File", "AutoCad DXF File",
                            "CAD files"}));
}

// ---- Scan ----

TEST_F(BrowseList, NewFilesGetEntriesInNameOrder) {
    WriteFile("B.KVW");
    WriteFile("a.kvw");
    WriteFile("PLANKVW");
    ScanBrowseDir(0);
    EXPECT_EQ(Names(), (NameList{"a.kvw", "B.KVW", "PLANKVW"}));
    EXPECT_EQ(FoundCount, 3);
    EXPECT_EQ(CacheDirty, 1);
    EXPECT_EQ(Entry("B.KVW")->state, kNoPicture);
    FILETIME t = Time(kJanuary);
    EXPECT_EQ(CompareFileTime(&Entry("B.KVW")->fileTime, &t), 0);
}

TEST_F(BrowseList, DirectoriesShortNamesAndTheCacheFileAreSkipped) {
    CreateDirectoryA(folder.File("SUB.KVW").c_str(), nullptr);
    WriteFile(".KVW");
    WriteFile("~BRINFO.KVW");
    WriteFile("A.KVW");
    ScanBrowseDir(0);
    EXPECT_EQ(Names(), (NameList{"A.KVW"}));
    EXPECT_EQ(FoundCount, 1);
}

TEST_F(BrowseList, TheCacheFileNameIsMatchedCaseSensitively) {
    WriteFile("~brinfo.kvw");
    ScanBrowseDir(0);
    EXPECT_EQ(Names(), (NameList{"~brinfo.kvw"}));
    EXPECT_EQ(FoundCount, 1);
}

TEST_F(BrowseList, HiddenFilesAreListed) {
    WriteFile("H.KVW");
    SetFileAttributesA(folder.File("H.KVW").c_str(), FILE_ATTRIBUTE_HIDDEN);
    ScanBrowseDir(0);
    EXPECT_EQ(Names(), (NameList{"H.KVW"}));
}

TEST_F(BrowseList, AllCadFilesTakesEveryDrawingFormatButNotOtherFiles) {
    WriteFile("A.KVW");
    WriteFile("B.DXF");
    WriteFile("NOTES.TXT");
    ScanBrowseDir(5);
    EXPECT_EQ(FoundCount, 2);
    EXPECT_EQ(Names(), (NameList{"A.KVW", "B.DXF"}));
}

TEST_F(BrowseList, AnUnchangedFileKeepsItsEntryAndPictures) {
    WriteFile("A.KVW");
    ScanBrowseDir(0);
    Entry("A.KVW")->state = kPictureMade;
    CacheDirty = 0;
    ScanBrowseDir(0);
    ASSERT_NE(Entry("A.KVW"), nullptr);
    EXPECT_EQ(Entry("A.KVW")->state, kPictureMade);
    EXPECT_EQ(CacheDirty, 0);
}

TEST_F(BrowseList, AChangedFileGetsAFreshEntryInEitherDirection) {
    WriteFile("A.KVW");
    WriteFile("B.KVW");
    ScanBrowseDir(0);
    Entry("A.KVW")->state = kPictureMade;
    Entry("B.KVW")->state = kPictureMade;
    SetTime("A.KVW", kJanuary + 1);
    SetTime("B.KVW", kJanuary - 10000000);
    CacheDirty = 0;
    ScanBrowseDir(0);
    EXPECT_EQ(Names(), (NameList{"A.KVW", "B.KVW"}));
    EXPECT_EQ(Entry("A.KVW")->state, kNoPicture);
    EXPECT_EQ(Entry("B.KVW")->state, kNoPicture);
    EXPECT_EQ(CacheDirty, 1);
}

TEST_F(BrowseList, VanishedFilesAreSweptWithoutMakingTheCacheDirty) {
    WriteFile("A.KVW");
    WriteFile("B.KVW");
    ScanBrowseDir(0);
    DeleteFileA(folder.File("A.KVW").c_str());
    CacheDirty = 0;
    ScanBrowseDir(0);
    EXPECT_EQ(Names(), (NameList{"B.KVW"}));
    EXPECT_EQ(FoundCount, 1);
    EXPECT_EQ(CacheDirty, 0);
}

TEST_F(BrowseList, EntriesOfOtherFormatsStayWhetherTheirFilesExistOrNot) {
    Put("GONE.DWG");
    Put("OLD.KVW");
    WriteFile("A.DWG");
    ScanBrowseDir(0);
    EXPECT_EQ(Names(), (NameList{"GONE.DWG"}));
    ScanBrowseDir(3);
    EXPECT_EQ(Names(), (NameList{"A.DWG"}));
}

TEST_F(BrowseList, AMissingFolderListsNothingAndSweepsTheFormat) {
    Put("A.KVW");
    Put("B.DXF");
    CopyText(browseDirectory, folder.File("nowhere").c_str());
    ScanBrowseDir(0);
    EXPECT_EQ(FoundCount, 0);
    EXPECT_EQ(Names(), (NameList{"B.DXF"}));
}

TEST_F(BrowseList, NonEntriesInTheCacheAreLeftAlone) {
    // Type 4 of another module's class, and an entry cut short.
    unsigned char other[40] = {40, 0, 0, 0, 4};
    other[28] = 0x00;
    other[29] = 0xB0;
    AppendRecord(CacheList, other, sizeof other);
    WriteFile("A.KVW");
    ScanBrowseDir(0);
    EXPECT_EQ(Names(), (NameList{"-", "A.KVW"}));
}

// Regression: the sweep deletes entries behind the lookup's index; a later
// lookup must not find them there.
TEST_F(BrowseList, LookupsAfterASweepSeeTheListAsItIs) {
    WriteFile("A.KVW");
    WriteFile("B.KVW");
    WriteFile("C.KVW");
    ScanBrowseDir(0);
    DeleteFileA(folder.File("B.KVW").c_str());
    ScanBrowseDir(0);
    WriteFile("B.KVW");
    ScanBrowseDir(0);
    EXPECT_EQ(Names(), (NameList{"A.KVW", "B.KVW", "C.KVW"}));
    EXPECT_EQ(Chain(), (NameList{"A.KVW", "B.KVW", "C.KVW"}));
}

// ---- View chain ----

TEST_F(BrowseList, TheChainLinksTheFormatsEntriesInListOrder) {
    Put("A.KVW");
    Put("B.DWG");
    Put("C.KVW");
    Put("D.KVW");
    AsImageInfo(FirstEntity(CacheList))->nextShown = FirstEntity(CacheList);  // stale
    LinkViewChain(0);
    EXPECT_EQ(Chain(), (NameList{"A.KVW", "C.KVW", "D.KVW"}));
    EXPECT_EQ(Entry("D.KVW")->nextShown, nullptr);
    FormatIndex = 3;
    LinkViewChain(3);
    EXPECT_EQ(Chain(), (NameList{"B.DWG"}));
    EXPECT_EQ(Entry("B.DWG")->nextShown, nullptr);
}

// ---- Rows of the list ----

struct Rows {
    std::vector<std::string> firsts;
    std::string dir, count;
};

Rows FillAndRead() {
    Rows rows;
    testdlg::RunInBrowseDialog([&rows] {
        FillBrowseList();
        HWND dialog = host::GetDlgWin();
        int count = static_cast<int>(SendDlgItemMessageA(dialog, IDC_BROWSE_LIST, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            const ImageInfoRecord* entry =
                AsImageInfo(reinterpret_cast<HostEntity*>(host::GetLstDta(IDC_BROWSE_LIST, i)));
            rows.firsts.push_back(entry ? entry->name : "?");
        }
        char text[300];
        GetDlgItemTextA(dialog, IDC_BROWSE_DIR, text, sizeof text);
        rows.dir = text;
        GetDlgItemTextA(dialog, IDC_BROWSE_COUNT, text, sizeof text);
        rows.count = text;
    });
    return rows;
}

TEST_F(BrowseList, SevenFilesMakeRowsOfThreeOrSix) {
    for (const char* name : {"A.KVW", "B.KVW", "C.KVW", "D.KVW", "E.KVW", "F.KVW", "G.KVW"}) WriteFile(name);
    WriteFile("X.DWG");
    ScanBrowseDir(0);
    Rows large = FillAndRead();
    EXPECT_EQ(ColumnsPerRow, 3);
    EXPECT_EQ(large.firsts, (NameList{"A.KVW", "D.KVW", "G.KVW"}));
    EXPECT_EQ(large.count, "7");
    EXPECT_EQ(large.dir, folder.path);
    SmallPictures = 1;
    Rows small = FillAndRead();
    EXPECT_EQ(ColumnsPerRow, 6);
    EXPECT_EQ(small.firsts, (NameList{"A.KVW", "G.KVW"}));
    EXPECT_EQ(small.count, "7");
    EXPECT_EQ(Chain(), (NameList{"A.KVW", "B.KVW", "C.KVW", "D.KVW", "E.KVW", "F.KVW", "G.KVW"}));
}

TEST_F(BrowseList, AnEmptyFolderHasNoRows) {
    ScanBrowseDir(0);
    Rows rows = FillAndRead();
    EXPECT_TRUE(rows.firsts.empty());
    EXPECT_EQ(rows.count, "0");
}

TEST_F(BrowseList, TemplateModeListsOnlyTemplatesAndDisablesTheFormatChoice) {
    WriteFile("A.KVW");
    WriteFile("B.DWG");
    WriteFile("SHEET.KVT");
    commandMode = ModeTemplate;
    FormatIndex = 3;
    Options.alwaysCache = 0;
    ScanBrowseDir(FormatIndex);
    EXPECT_EQ(FoundCount, 1);
    EXPECT_EQ(Names(), (NameList{"SHEET.KVT"}));
    bool comboEnabled = true, labelEnabled = true;
    int rows = 0;
    testdlg::RunInBrowseDialog([&] {
        InitBrowseList();
        HWND dialog = host::GetDlgWin();
        comboEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_BROWSE_FORMAT));
        labelEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_BROWSE_FORMATLABEL));
        rows = static_cast<int>(SendDlgItemMessageA(dialog, IDC_BROWSE_LIST, LB_GETCOUNT, 0, 0));
    });
    EXPECT_FALSE(comboEnabled);
    EXPECT_FALSE(labelEnabled);
    EXPECT_EQ(rows, 1);
    // Without "Always cache" no picture is made before the rows are drawn.
    EXPECT_EQ(Entry("SHEET.KVT")->state, kNoPicture);
}

// ---- Missing pictures ----

TEST_F(BrowseList, CachingMakesMissingPicturesOnlyAndClearsTheStatus) {
    ASSERT_TRUE(MakeSampleFolder(folder.path.c_str(), 3, 1));  // PLAN001, PLAN002 (KVW), DETAIL003
    WriteFile("BROKEN.KVW");
    ScanBrowseDir(0);
    Entry("PLAN002.KVW")->state = kFileDeleted;
    CacheMissingPictures(0);
    LinkViewChain(0);
    EXPECT_EQ(Entry("PLAN001.KVW")->state, kPictureMade);
    EXPECT_EQ(Entry("PLAN001.KVW")->smallPresent, 1u);
    EXPECT_EQ(Entry("PLAN002.KVW")->state, kFileDeleted);
    EXPECT_EQ(Entry("BROKEN.KVW")->state, kNoPicture);
    EXPECT_EQ(PictureInfo.header.biWidth, 181);
    EXPECT_EQ(PictureInfo.header.biHeight, 188);
    EXPECT_EQ(Chain(), (NameList{"BROKEN.KVW", "PLAN001.KVW", "PLAN002.KVW"}));
}

// Regression: an index the module could not grow threw out of the scan (the
// host crashed); now the lookup walks the list and nothing is lost.
TEST_F(BrowseList, OutOfMemoryLeavesOutWhatCannotBeMadeAndTheBrowserGoesOn) {
    ASSERT_TRUE(MakeSampleFolder(folder.path.c_str(), 2, 1));  // PLAN001.KVW, PLAN002.KVW
    for (const char* name : {"A.KVW", "B.KVW", "C.KVW"}) WriteFile(name);
    ScanBrowseDir(0);
    ASSERT_EQ(Names(), (NameList{"A.KVW", "B.KVW", "C.KVW", "PLAN001.KVW", "PLAN002.KVW"}));

    // The host makes no more entities: the new file is left out, the rest
    // stays, and a picture that cannot be loaded is tried once per batch.
    WriteFile("D.KVW");
    LimitNodeAllocations(0);
    ScanBrowseDir(0);
    CacheMissingPictures(0);
    LimitNodeAllocations(-1);
    EXPECT_EQ(Names(), (NameList{"A.KVW", "B.KVW", "C.KVW", "PLAN001.KVW", "PLAN002.KVW"}));
    EXPECT_EQ(Entry("PLAN001.KVW")->state, kNoPicture);

    // The module's own memory runs out: its lookups walk the list instead.
    WriteFile("E.KVW");
    g_newLeft = 0;
    ScanBrowseDir(0);
    g_newLeft = -1;
    EXPECT_EQ(Names(), (NameList{"A.KVW", "B.KVW", "C.KVW", "D.KVW", "E.KVW", "PLAN001.KVW", "PLAN002.KVW"}));
    CacheMissingPictures(0);
    EXPECT_EQ(Entry("PLAN001.KVW")->state, kPictureMade);
    int rows = 0;
    testdlg::RunInBrowseDialog([&] {
        FillBrowseList();
        rows = static_cast<int>(SendMessageA(GetDlgItem(host::GetDlgWin(), IDC_BROWSE_LIST), LB_GETCOUNT, 0, 0));
    });
    EXPECT_EQ(rows, 3);
}

// ---- Clicks and progress ----

TEST(Clicks, TheHitTestPitchIsThePictureWidth) {
    EXPECT_EQ(HitColumn(0, false, 3), -1);
    EXPECT_EQ(HitColumn(-4, false, 3), -1);
    EXPECT_EQ(HitColumn(1, false, 3), 0);
    EXPECT_EQ(HitColumn(187, false, 3), 0);
    EXPECT_EQ(HitColumn(200, false, 3), 1);
    EXPECT_EQ(HitColumn(563, false, 3), 2);
    EXPECT_EQ(HitColumn(564, false, 3), -1);
    EXPECT_EQ(HitColumn(100, true, 6), 1);
    EXPECT_EQ(HitColumn(563, true, 6), 5);
    EXPECT_EQ(HitColumn(570, true, 6), -1);
}

TEST(Progress, ANameThatFitsIsShownWhole) {
    char text[kStatusSize];
    FormatLoadingStatus(text, "PLAN001.KVW");
    EXPECT_STREQ(text, "Loading PLAN001.KVW...");
}

TEST(Progress, AnOverlongNameIsShortenedKeepingItsEnd) {
    std::string name(255, 'N');
    name += ".KVW";
    char text[kStatusSize];
    FormatLoadingStatus(text, name.c_str());
    std::string shown = text;
    EXPECT_LT(shown.size(), static_cast<size_t>(kStatusSize));
    EXPECT_EQ(shown.rfind("Loading NNN", 0), 0u);
    EXPECT_EQ(shown.substr(shown.size() - 11), "NNNN.KVW...");
    EXPECT_LT(shown.find("..."), shown.size() - 3);
}

}  // namespace
