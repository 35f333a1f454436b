// The browser's list model: which names each format takes, the folder scan
// against the cache (new, unchanged, changed and vanished files), the view
// chain, the rows of the browse list, the hit test of a click and what a
// click does, the progress text, and the dialog's template.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "browsecache/cache.h"
#include "browser/browser.h"
#include "browser/browserinternal.h"
#include "host/host.h"
#include "module/state.h"
#include "preview/preview.h"
#include "settings/settings.h"
#include "standin/drawing/drawing.h"
#include "standin/standin.h"
#include "tests/support/browsedialog.h"
#include "tests/support/dialogtemplate.h"
#include "tests/support/folders.h"
#include "tests/support/pathdialog.h"
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
// Not inlined: GCC would then see free() on what a new-expression returned
// and warn of a mismatched pair at every test's construction.
__attribute__((noinline)) void operator delete(void* p) noexcept { free(p); }
__attribute__((noinline)) void operator delete(void* p, size_t) noexcept { free(p); }

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
        ForgetUnreadable();
        Showing = BrowseShowing();
        CacheList = NewList("~BRINFO.KVW");
        CacheDirty = false;
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
    for (const char* s = FormatComboItems(); *s; s += strlen(s) + 1) texts.push_back(s);
    EXPECT_EQ(texts, (NameList{"Korvind KVW Drawing", "Korvind/DOS KVD Ver 2.72+ Drawing",
                            "Linvale LVW 4.50+ Drawing", "AutoCad DWG File", "AutoCad DXF File",
                            "CAD files"}));
}

// The file manager's filters are made from the same table as the combo.
TEST(Formats, TheFileFiltersAreTheSameRowsWithTheirPatterns) {
    std::vector<std::string> texts;
    for (const char* s = FormatFilterList(); *s; s += strlen(s) + 1) texts.push_back(s);
    EXPECT_EQ(texts, (NameList{"Korvind KVW Drawing", "*.KVW", "Korvind/DOS KVD Ver 2.72+ Drawing", "*.KVD",
                            "Linvale LVW 4.50+ Drawing", "*.LVW", "AutoCad DWG File", "*.DWG",
                            "AutoCad DXF File", "*.DXF", "CAD files", "*.KVW;*.KVD;*.LVW;*.DWG;*.DXF"}));
}

// ---- Scan ----

TEST_F(BrowseList, NewFilesGetEntriesInNameOrder) {
    WriteFile("B.KVW");
    WriteFile("a.kvw");
    WriteFile("PLANKVW");
    ScanBrowseDir(0);
    EXPECT_EQ(Names(), (NameList{"a.kvw", "B.KVW", "PLANKVW"}));
    EXPECT_EQ(Showing.FoundCount, 3);
    EXPECT_TRUE(CacheDirty);
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
    EXPECT_EQ(Showing.FoundCount, 1);
}

// Regression: where names ignore case, ~brinfo.kvw is the cache itself,
// yet it was listed as a drawing.
TEST_F(BrowseList, TheCacheFileIsSkippedInAnyLetterCase) {
    WriteFile("~brinfo.kvw");
    WriteFile("A.KVW");
    ScanBrowseDir(0);
    EXPECT_EQ(Names(), (NameList{"A.KVW"}));
    EXPECT_EQ(Showing.FoundCount, 1);
}

// Regressions: a name that the code page cannot spell was listed with '?'
// in it, or best-fit mapped ("Ω.KVW" as "O.KVW", another file); a listed
// "..\UP.KVW" opened the parent folder's UP.KVW; CON.KVW opened the console.
TEST(Scan, AListedNameIsUsedOnlyWhenItOpensThatFileInTheFolder) {
    struct Case {
        const wchar_t* name;
        const wchar_t* shortName;
        LeftOutReason reason;
        const char* used;
    };
    const Case cases[] = {
        {L"PLAN.KVW", L"", kNotLeftOut, "PLAN.KVW"},
        {L"\u03a9.KVW", L"", kUnspellable, ""},
        {L"\u03a9.KVW", L"_~~~~3KK.KVW", kNotLeftOut, "_~~~~3KK.KVW"},
        {L"\u010cech.DXF", L"_ECH~51K.DXF", kNotLeftOut, "_ECH~51K.DXF"},
        {L"\u0141\u00f3d\u017a plan.DXF", L"\u0141~1.DXF", kUnspellable, ""},
        {L"..\\UP.KVW", L"__\\U~SZZ.KVW", kNotPlain, ""},
        {L"a:b.KVW", L"", kNotPlain, ""},
        {L"..", L"", kNotPlain, ""},
        {L"\u03a9.KVW", L"..", kNotPlain, ""},
        {L"CON.KVW", L"", kDeviceName, ""},
        {L"con .kvw", L"", kDeviceName, ""},
        {L"Lpt7.DXF", L"", kDeviceName, ""},
        {L"COM0.KVW", L"", kNotLeftOut, "COM0.KVW"},
        {L"CONTRACT.KVW", L"", kNotLeftOut, "CONTRACT.KVW"},
        // Regression: a device name of seven letters opened the console.
        {L"CONOUT$.DXF", L"", kDeviceName, ""},
        {L"conin$.kvw", L"", kDeviceName, ""},
        {L"CLOCK$ .DXF", L"", kDeviceName, ""},
        {L"CONOUTS.DXF", L"", kNotLeftOut, "CONOUTS.DXF"},
        // Regression: a name with a wildcard was listed, and its pick said
        // that the file was no longer there.
        {L"a?b.KVW", L"", kReservedCharacter, ""},
        {L"star*.DXF", L"", kReservedCharacter, ""},
        {L"say\"hi\".KVW", L"", kReservedCharacter, ""},
        {L"<a|b>.KVW", L"", kReservedCharacter, ""},
        {L"\u03a9?.KVW", L"_~~~~3KK.KVW", kNotLeftOut, "_~~~~3KK.KVW"},
    };
    for (const Case& c : cases) {
        WIN32_FIND_DATAW found = {};
        lstrcpyW(found.cFileName, c.name);
        lstrcpyW(found.cAlternateFileName, c.shortName);
        char name[MAX_PATH] = "";
        EXPECT_EQ(ListingName(found, name), c.reason) << c.used;
        if (c.reason == kNotLeftOut) {
            EXPECT_STREQ(name, c.used);
        }
    }
}

// Regressions: an entry of a foreign or damaged cache whose state was not
// 0, 1 or 2 stayed blank for ever; a file deleted from the browser and
// restored with its old time stayed a "deleted" frame for ever.
TEST_F(BrowseList, ADamagedStateOrARestoredFileCountsAsNoPicture) {
    WriteFile("A.KVW");
    WriteFile("B.KVW");
    ScanBrowseDir(0);
    Entry("A.KVW")->state = 7;
    Entry("B.KVW")->state = kFileDeleted;
    CacheDirty = false;
    ScanBrowseDir(0);
    EXPECT_EQ(Entry("A.KVW")->state, kNoPicture);
    EXPECT_EQ(Entry("B.KVW")->state, kNoPicture);
    EXPECT_FALSE(CacheDirty);
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
    EXPECT_EQ(Showing.FoundCount, 2);
    EXPECT_EQ(Names(), (NameList{"A.KVW", "B.DXF"}));
}

// The listing made while the cache loads serves every format, but only its
// folder: "Select Path" between its start and the scan lists again rather
// than take another folder's files.
TEST_F(BrowseList, AListingMadeWhileTheCacheLoadsServesOnlyItsFolder) {
    TempFolder other{"browse-other"};
    WriteFile("A.KVW");
    WriteFile("B.DXF");
    other.Write("C.KVW", "drawing");
    StartFolderListing(0);
    ScanBrowseDir(0);
    EXPECT_EQ(Names(), (NameList{"A.KVW"}));
    StartFolderListing(0);
    ScanBrowseDir(5);
    EXPECT_EQ(Names(), (NameList{"A.KVW", "B.DXF"}));
    StartFolderListing(5);
    CopyText(browseDirectory, other.path.c_str());
    ScanBrowseDir(5);
    EXPECT_EQ(Names(), (NameList{"C.KVW"}));
    EXPECT_EQ(Showing.FoundCount, 1);
}

// A change of format takes its files from the showing's listing, and lists
// the folder again only once something in it changed: a name (the folder's
// time tells) or a drawing written in place (only the change notification
// tells, a moment after).
TEST_F(BrowseList, AChangeOfFormatListsTheFolderAgainOnlyOnceItChanged) {
    WriteFile("A.KVW");
    WriteFile("B.DXF");
    WriteFile("C.TXT");
    ScanBrowseDir(0);
    const int listed = Showing.listingsMade;
    testdlg::RunInBrowseDialog([&] {
        FormatIndex = 5;
        ChangeBrowseFormat();
        EXPECT_EQ(Showing.listingsMade, listed);
        EXPECT_EQ(Names(), (NameList{"A.KVW", "B.DXF"}));
        EXPECT_EQ(Showing.FoundCount, 2);

        WriteFile("D.KVW");
        FormatIndex = 0;
        ChangeBrowseFormat();
        EXPECT_EQ(Showing.listingsMade, listed + 1);
        EXPECT_EQ(Names(), (NameList{"A.KVW", "B.DXF", "D.KVW"}));
        EXPECT_EQ(Showing.FoundCount, 2);

        const FILETIME rewritten = Time(kJanuary + 1);
        SetTime("A.KVW", kJanuary + 1);
        for (int tries = 0; tries < 100 && CompareFileTime(&Entry("A.KVW")->fileTime, &rewritten); ++tries) {
            Sleep(20);
            ChangeBrowseFormat();
        }
        EXPECT_EQ(CompareFileTime(&Entry("A.KVW")->fileTime, &rewritten), 0);
    });
}

// F5 reads the folder again though nothing told of a change: the user asks
// for what is on the disk now, and a network folder may tell nothing.
TEST_F(BrowseList, F5ListsTheFolderAgainThoughNothingChanged) {
    WriteFile("A.KVW");
    ScanBrowseDir(0);
    const int listed = Showing.listingsMade;
    testdlg::RunInBrowseDialog([] {
        StartBrowseKeys();
        HWND list = BrowseListWindow();
        PostMessageA(list, WM_KEYDOWN, VK_F5, 0);
        MSG msg;
        while (PeekMessageA(&msg, list, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) {
        }
        StopBrowseKeys();
    });
    EXPECT_EQ(Showing.listingsMade, listed + 1);
    EXPECT_EQ(Names(), (NameList{"A.KVW"}));
}

TEST_F(BrowseList, AnUnchangedFileKeepsItsEntryAndPictures) {
    WriteFile("A.KVW");
    ScanBrowseDir(0);
    Entry("A.KVW")->state = kPictureMade;
    CacheDirty = false;
    ScanBrowseDir(0);
    ASSERT_NE(Entry("A.KVW"), nullptr);
    EXPECT_EQ(Entry("A.KVW")->state, kPictureMade);
    EXPECT_FALSE(CacheDirty);
}

TEST_F(BrowseList, AChangedFileGetsAFreshEntryInEitherDirection) {
    WriteFile("A.KVW");
    WriteFile("B.KVW");
    ScanBrowseDir(0);
    Entry("A.KVW")->state = kPictureMade;
    Entry("B.KVW")->state = kPictureMade;
    SetTime("A.KVW", kJanuary + 1);
    SetTime("B.KVW", kJanuary - 10000000);
    CacheDirty = false;
    ScanBrowseDir(0);
    EXPECT_EQ(Names(), (NameList{"A.KVW", "B.KVW"}));
    EXPECT_EQ(Entry("A.KVW")->state, kNoPicture);
    EXPECT_EQ(Entry("B.KVW")->state, kNoPicture);
    EXPECT_TRUE(CacheDirty);
}

TEST_F(BrowseList, VanishedFilesAreSweptWithoutMakingTheCacheDirty) {
    WriteFile("A.KVW");
    WriteFile("B.KVW");
    ScanBrowseDir(0);
    DeleteFileA(folder.File("A.KVW").c_str());
    CacheDirty = false;
    ScanBrowseDir(0);
    EXPECT_EQ(Names(), (NameList{"B.KVW"}));
    EXPECT_EQ(Showing.FoundCount, 1);
    EXPECT_FALSE(CacheDirty);
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
    EXPECT_EQ(Showing.FoundCount, 0);
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
    EXPECT_EQ(Showing.ColumnsPerRow, 3);
    EXPECT_EQ(large.firsts, (NameList{"A.KVW", "D.KVW", "G.KVW"}));
    EXPECT_EQ(large.count, "7");
    EXPECT_EQ(large.dir, folder.path);
    SmallPictures = 1;
    Rows small = FillAndRead();
    EXPECT_EQ(Showing.ColumnsPerRow, 6);
    EXPECT_EQ(small.firsts, (NameList{"A.KVW", "G.KVW"}));
    EXPECT_EQ(small.count, "7");
    EXPECT_EQ(Chain(), (NameList{"A.KVW", "B.KVW", "C.KVW", "D.KVW", "E.KVW", "F.KVW", "G.KVW"}));
}

TEST(Keys, TheFrameMovesAcrossRowEndsByRowsAndByPages) {
    // Seven pictures in rows of three: 0 1 2 / 3 4 5 / 6.
    EXPECT_EQ(MoveFrame(2, VK_RIGHT, 7, 3, 2), 3);
    EXPECT_EQ(MoveFrame(3, VK_LEFT, 7, 3, 2), 2);
    EXPECT_EQ(MoveFrame(0, VK_LEFT, 7, 3, 2), 0);
    EXPECT_EQ(MoveFrame(6, VK_RIGHT, 7, 3, 2), 6);
    EXPECT_EQ(MoveFrame(1, VK_DOWN, 7, 3, 2), 4);
    EXPECT_EQ(MoveFrame(5, VK_DOWN, 7, 3, 2), 6);  // nothing under it: the last picture
    EXPECT_EQ(MoveFrame(6, VK_DOWN, 7, 3, 2), 6);
    EXPECT_EQ(MoveFrame(4, VK_UP, 7, 3, 2), 1);
    EXPECT_EQ(MoveFrame(1, VK_UP, 7, 3, 2), 1);
    EXPECT_EQ(MoveFrame(4, VK_HOME, 7, 3, 2), 0);
    EXPECT_EQ(MoveFrame(1, VK_END, 7, 3, 2), 6);
    // Twelve in four rows, two of them shown: a page is two rows.
    EXPECT_EQ(MoveFrame(1, VK_NEXT, 12, 3, 2), 7);
    EXPECT_EQ(MoveFrame(7, VK_NEXT, 12, 3, 2), 10);  // the last row, same column
    EXPECT_EQ(MoveFrame(10, VK_PRIOR, 12, 3, 2), 4);
    EXPECT_EQ(MoveFrame(4, VK_PRIOR, 12, 3, 2), 1);  // the first row, same column
    EXPECT_EQ(MoveFrame(9, VK_RIGHT, 12, 6, 3), 10);
    EXPECT_EQ(MoveFrame(0, VK_RIGHT, 0, 3, 2), -1);  // no pictures, no frame
}

TEST_F(BrowseList, TheFramedPictureStaysFramedThroughARefill) {
    for (const char* name : {"A.KVW", "B.KVW", "C.KVW", "D.KVW", "E.KVW", "F.KVW", "G.KVW"}) WriteFile(name);
    ScanBrowseDir(0);
    testdlg::RunInBrowseDialog([] {
        RefreshBrowseList();
        FramePicture(4);
        EXPECT_EQ(FramedPicture(), 4);
        SmallPictures = 1;
        RefreshBrowseList();
        EXPECT_EQ(FramedPicture(), 4);
        EXPECT_EQ(Showing.framedColumn, 4);
        FramePicture(99);
        EXPECT_EQ(FramedPicture(), 6);
    });
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
    EXPECT_EQ(Showing.FoundCount, 1);
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

// ---- The cache's limit ----

// The test switch lowers the limit to 7: whole small rows of 6 keep entries.
TEST_F(BrowseList, PastTheLimitTheFirstNamesKeepEntriesAndOtherFormatsGoFirst) {
    for (const char* name : {"H.KVW", "B.KVW", "A.KVW", "G.KVW", "C.KVW", "F.KVW", "E.KVW", "D.KVW"}) {
        WriteFile(name);
    }
    Put("X.DWG");
    SetEnvironmentVariableA("XP_MOST_CACHE_ENTRIES", "7");
    EXPECT_EQ(MostCacheEntries(), 7);
    ScanBrowseDir(0);
    SetEnvironmentVariableA("XP_MOST_CACHE_ENTRIES", nullptr);
    EXPECT_EQ(Names(), (NameList{"A.KVW", "B.KVW", "C.KVW", "D.KVW", "E.KVW", "F.KVW"}));
    EXPECT_EQ(Showing.FoundCount, 8);
    ASSERT_EQ(Showing.unlistedFiles.size(), 2u);
    EXPECT_STREQ(Showing.unlistedFiles[0].name, "G.KVW");
    EXPECT_STREQ(Showing.unlistedFiles[1].name, "H.KVW");
    // Within the limit again, every file has its entry and none is left out.
    ScanBrowseDir(0);
    EXPECT_EQ(Names(), (NameList{"A.KVW", "B.KVW", "C.KVW", "D.KVW", "E.KVW", "F.KVW", "G.KVW", "H.KVW"}));
    EXPECT_TRUE(Showing.unlistedFiles.empty());
    // The switch never raises the limit.
    SetEnvironmentVariableA("XP_MOST_CACHE_ENTRIES", "99999999");
    EXPECT_EQ(MostCacheEntries(), kMostCacheEntries);
    SetEnvironmentVariableA("XP_MOST_CACHE_ENTRIES", nullptr);
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
    // A failed load is remembered for the showing; the next one tries again.
    ForgetUnreadable();

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

// Regression: the hit test used a pitch of 188 (small: 94) against boxes
// drawn at 12 + 191 i (5 + 97 i): a click on the right part of a picture
// picked its neighbour, and the sixth small picture ended at 564.
TEST(Clicks, EachColumnRunsFromTheBoxBeforeToItsOwnRightEdge) {
    const RECT row = {0, 0, 600, 211};
    for (bool small : {false, true}) {
        int columns = small ? 6 : 3;
        int previousRight = 0;
        for (int i = 0; i < columns; ++i) {
            RECT box = PictureBox(row, i, small);
            EXPECT_EQ(HitColumn(previousRight, small, columns), i) << i;
            EXPECT_EQ(HitColumn(box.left, small, columns), i) << i;
            EXPECT_EQ(HitColumn(box.right - 1, small, columns), i) << i;
            previousRight = box.right;
        }
        EXPECT_EQ(HitColumn(previousRight, small, columns), -1) << "right of the last box";
        EXPECT_EQ(HitColumn(-1, small, columns), -1);
    }
    EXPECT_EQ(HitColumn(200, false, 3), 1);
    EXPECT_EQ(HitColumn(385, false, 3), 1);
    EXPECT_EQ(HitColumn(100, true, 6), 1);
    EXPECT_EQ(HitColumn(288, true, 6), 2);
    EXPECT_EQ(HitColumn(570, true, 6), 5);
    EXPECT_EQ(HitColumn(300, false, 1), -1) << "a row of one picture";
}

// ---- Rows as wide as the list ----

struct DpiScope {
    int saved = Showing.rowDpi;
    explicit DpiScope(int dpi) { Showing.rowDpi = dpi; }
    ~DpiScope() { Showing.rowDpi = saved; }
};

// The count, the painter's boxes and the hit test come from one geometry:
// at every width every picture of the count is drawn whole inside the row
// (one more would not be), and a click anywhere names the picture whose box
// or gap before it lies there, nothing right of the last box.
TEST(RowGeometry, CountPainterAndHitTestAgreeAtEveryWidthAndDensity) {
    const RECT row = {0, 0, 0, 0};
    for (int dpi : {96, 120, 144}) {
        DpiScope scope(dpi);
        for (bool small : {false, true}) {
            SCOPED_TRACE(std::to_string(dpi) + (small ? " small" : " large"));
            for (int width = 1; width <= 2000; ++width) {
                int columns = ColumnsForWidth(width, small);
                ASSERT_GE(columns, 1) << width;
                if (columns > 1) {
                    ASSERT_LE(PictureBox(row, columns - 1, small).right, width) << width;
                }
                ASSERT_GT(PictureBox(row, columns, small).right, width) << width;
                int previousRight = 0;
                for (int i = 0; i < columns; ++i) {
                    RECT box = PictureBox(row, i, small);
                    ASSERT_LE(previousRight, box.left) << "boxes overlap at " << width;
                    ASSERT_EQ(HitColumn(previousRight, small, columns), i) << width;
                    ASSERT_EQ(HitColumn(box.left, small, columns), i) << width;
                    ASSERT_EQ(HitColumn(box.right - 1, small, columns), i) << width;
                    previousRight = box.right;
                }
                ASSERT_EQ(HitColumn(previousRight, small, columns), -1) << width;
            }
        }
    }
}

// At 96 DPI the classic table holds; at 120 and 144 every length grows with
// the density, so the name band keeps room for the larger font.
TEST(RowGeometry, LengthsGrowWithTheDensity) {
    const RECT item = {0, 100, 0, 311};
    {
        DpiScope scope(96);
        RECT box = PictureBox(item, 1, false);
        EXPECT_EQ(box.left, 203);
        EXPECT_EQ(box.right, 389);
        EXPECT_EQ(box.top, 105);
        EXPECT_EQ(box.bottom, 293);
        EXPECT_EQ(NameBand(box).bottom - NameBand(box).top, 12);
        EXPECT_EQ(RowHeight(false), 211);
        EXPECT_EQ(RowHeight(true), 109);
    }
    DpiScope scope(144);
    RECT box = PictureBox(item, 1, false);
    EXPECT_EQ(box.left, 305);  // 304.5, rounded as MulDiv rounds
    EXPECT_EQ(box.right, 584);
    EXPECT_EQ(box.bottom - box.top, 282);
    EXPECT_EQ(NameBand(box).bottom - NameBand(box).top, 18);
    EXPECT_EQ(RowHeight(false), 317);
}

// The dialog's own list at its default size holds 3 large or 6 small.
TEST_F(BrowseList, TheDefaultListHoldsThreeLargeOrSixSmallPictures) {
    for (int i = 0; i < 7; ++i) WriteFile(("P" + std::to_string(i) + ".KVW").c_str());
    ScanBrowseDir(0);
    int columns[2] = {0, 0};
    for (int small : {0, 1}) {
        SmallPictures = small;
        testdlg::RunInBrowseDialog([&] {
            FillBrowseList();
            columns[small] = Showing.ColumnsPerRow;
        });
    }
    SmallPictures = 0;
    EXPECT_EQ(columns[0], 3);
    EXPECT_EQ(columns[1], 6);
}

TEST(Tooltip, NamesTheFileInFullWithItsSizeAndDate) {
    std::string name = "2024-031_GA-Floor-Plan_Level-03_RevC.KVW";
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    data.nFileSizeLow = 12 * 1024 + 300;
    SYSTEMTIME when = {2024, 3, 2, 5, 14, 22, 0, 0};
    FILETIME local;
    SystemTimeToFileTime(&when, &local);
    LocalFileTimeToFileTime(&local, &data.ftLastWriteTime);
    char text[400];
    FormatTipText(text, sizeof text, name.c_str(), &data);
    char date[64], time[64];
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, date, sizeof date);
    GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &when, nullptr, time, sizeof time);
    EXPECT_EQ(std::string(text), name + "\nSize: 12.2 KB\nModified: " + date + " " + time);
    data.nFileSizeLow = 999;
    FormatTipText(text, sizeof text, name.c_str(), &data);
    EXPECT_NE(std::string(text).find("\nSize: 999 bytes\n"), std::string::npos);
    data.nFileSizeLow = 0;
    data.nFileSizeHigh = 1;  // 4 GiB
    FormatTipText(text, sizeof text, name.c_str(), &data);
    EXPECT_NE(std::string(text).find("\nSize: 4096.0 MB\n"), std::string::npos);
    FormatTipText(text, sizeof text, name.c_str(), nullptr);
    EXPECT_EQ(std::string(text), name + "\nThe file is no longer there.");
}

TEST(EmptyList, SaysWhyTheListIsEmpty) {
    char text[200];
    FormatEmptyListText(text, sizeof text, false, 3, false);
    EXPECT_STREQ(text, "This folder does not exist.");
    FormatEmptyListText(text, sizeof text, true, 3, false);
    EXPECT_STREQ(text, "No files of the format \"AutoCad DWG File\" in this folder.");
    FormatEmptyListText(text, sizeof text, true, 5, false);
    EXPECT_STREQ(text, "No files of the format \"CAD files\" in this folder.");
    FormatEmptyListText(text, sizeof text, true, 3, true);
    EXPECT_STREQ(text, "No templates (KVT) in this folder.");
}

// The painter's ListOrigin is as old as the last row drawn: a click after
// the dialog moved is placed by where the list is now.
TEST_F(BrowseList, AClickIsPlacedByWhereTheListIsNow) {
    WriteFile("A.KVW");
    WriteFile("B.KVW");
    ScanBrowseDir(0);
    char picked[kPickedPathSize] = "";
    Showing.ResultPath = picked;
    Showing.DeleteOnClick = 0;
    int answer = -1;
    testdlg::RunInBrowseDialog([&] {
        FillBrowseList();
        HWND list = GetDlgItem(host::GetDlgWin(), IDC_BROWSE_LIST);
        POINT origin = {0, 0};
        ClientToScreen(list, &origin);
        Showing.ListOrigin = {origin.x - 40, origin.y};  // drawn before a move 40 pixels right
        Showing.BrowseListRow = 0;
        // Without the hook the click is the position of the message handled.
        SetCursorPos(origin.x + 190, origin.y + 50);
        PostMessageA(list, WM_APP + 9, 0, 0);
        MSG message;
        PeekMessageA(&message, list, WM_APP + 9, WM_APP + 9, PM_REMOVE);
        answer = OnBrowseListClick(19);
    });
    Showing.ResultPath = nullptr;
    EXPECT_EQ(answer, kEndDialog);
    EXPECT_EQ(std::string(picked), folder.File("A.KVW"));
}

// Regression: a click on an entry deleted from the browser, or on one whose
// file had vanished, sent a load of a missing file.
TEST_F(BrowseList, OnlyAFileThatIsThereIsPicked) {
    for (const char* name : {"A.KVW", "B.KVW", "C.KVW"}) WriteFile(name);
    ScanBrowseDir(0);
    Entry("B.KVW")->state = kFileDeleted;
    DeleteFileA(folder.File("C.KVW").c_str());
    char picked[kPickedPathSize] = "";
    Showing.ResultPath = picked;
    Showing.DeleteOnClick = 0;
    Showing.Picked = false;
    QueueBoxAnswer(IDOK);  // each is told
    EXPECT_EQ(ActOnBrowseEntry(Entry("B.KVW")), kKeepOpen);
    QueueBoxAnswer(IDOK);
    EXPECT_EQ(ActOnBrowseEntry(Entry("C.KVW")), kKeepOpen);
    EXPECT_FALSE(Showing.Picked);
    EXPECT_STREQ(picked, "");
    EXPECT_EQ(ActOnBrowseEntry(Entry("A.KVW")), kEndDialog);
    EXPECT_TRUE(Showing.Picked);
    EXPECT_EQ(std::string(picked), folder.File("A.KVW"));
    Showing.ResultPath = nullptr;
}

// Regression: a file replaced after the listing was deleted by its name.
TEST_F(BrowseList, DeleteRemovesOnlyTheFileThatWasPictured) {
    WriteFile("A.KVW");
    WriteFile("B.KVW");
    ScanBrowseDir(0);
    SetTime("B.KVW", kJanuary + 1);
    Showing.DeleteOnClick = 1;
    QueueBoxAnswer(IDYES);  // the question
    QueueBoxAnswer(IDOK);   // the message that it changed
    EXPECT_EQ(ActOnBrowseEntry(Entry("B.KVW")), kKeepOpen);
    EXPECT_NE(GetFileAttributesA(folder.File("B.KVW").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Entry("B.KVW")->state, kNoPicture);
    QueueBoxAnswer(IDYES);
    EXPECT_EQ(ActOnBrowseEntry(Entry("A.KVW")), kKeepOpen);
    EXPECT_EQ(GetFileAttributesA(folder.File("A.KVW").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Entry("A.KVW")->state, kFileDeleted);
    Showing.DeleteOnClick = 0;
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

// ---- The Find box, the order and the subfolders ----

std::vector<std::string> ShownNames() {
    std::vector<std::string> names;
    for (size_t i = 0; i < Showing.shown.size(); ++i) {
        const char* name = PictureName(static_cast<int>(i));
        names.push_back(name ? name : "?");
    }
    return names;
}

struct FindScope {
    explicit FindScope(const char* typed) { SplitFindWords(typed, &Showing.find.words); }
    ~FindScope() { Showing.find = FindState(); }
};

TEST(Find, EveryWordMustBeInTheTextWhateverItsCase) {
    FindWords words;
    SplitFindWords("  Doors  plan\t02 ", &words);
    ASSERT_EQ(words.count, 3);
    EXPECT_STREQ(words.text, "DOORS");
    const char text[] = "PLAN002.KVW\nREVISION\nB: DOORS MOVED\n";
    EXPECT_TRUE(HoldsEveryWord(text, sizeof text - 1, words));
    SplitFindWords("doors windows", &words);
    EXPECT_FALSE(HoldsEveryWord(text, sizeof text - 1, words)) << "one word missing";
    SplitFindWords("moved doors", &words);
    EXPECT_TRUE(HoldsEveryWord(text, sizeof text - 1, words)) << "in any order";
    SplitFindWords("002 moved", &words);
    EXPECT_TRUE(HoldsEveryWord(text, sizeof text - 1, words)) << "one in the name, one in a note";
    SplitFindWords("kvwrevision", &words);
    EXPECT_FALSE(HoldsEveryWord(text, sizeof text - 1, words)) << "no word runs over a line end";
    SplitFindWords("d\xe9tail", &words);  // the code page's letters fold too: "detail" with e acute
    const char upper[] = "D\xc9TAIL 7.KVW";
    EXPECT_TRUE(HoldsEveryWord(upper, sizeof upper - 1, words));
    SplitFindWords("   ", &words);
    EXPECT_EQ(words.count, 0);
    EXPECT_TRUE(HoldsEveryWord(text, sizeof text - 1, words)) << "no word holds everywhere";
}

TEST_F(BrowseList, ANameWithBlanksIsFoundByEachOfItsWords) {
    WriteFile("my house.KVW");
    WriteFile("my plan 2.KVW");
    WriteFile("My Plan.KVW");
    ScanBrowseDir(0);
    FindScope find("plan MY");
    CollectShownItems(0);
    EXPECT_EQ(ShownNames(), (NameList{"my plan 2.KVW", "My Plan.KVW"}));
    EXPECT_EQ(Showing.shownDrawings, 2);
}

// Notes are searched once the drawing's pictures (and so its notes) are in
// the cache; before, the name alone is, and the drawing counts as unread.
// Its text is read again once its pictures are made.
TEST_F(BrowseList, NotesAreSearchedOnceReadAndUnreadDrawingsAreCounted) {
    HDL notes = NewList("NOTES.KVW");
    HostEntity* a = Put("A.KVW");
    HostEntity* b = Put("B.KVW");
    Put("DOORS.KVW");
    CollectNote(&a, testrec::AddNote(notes, "Revision", "A: first issue\r\nB: doors moved"));
    CollectNote(&b, testrec::AddNote(notes, "Plan 002", "Doors 900 mm clear"));
    FindScope find("doors");
    CollectShownItems(0);
    EXPECT_EQ(ShownNames(), (NameList{"DOORS.KVW"})) << "no pictures yet: names only";
    EXPECT_EQ(Showing.find.unread, 2);
    Entry("A.KVW")->state = kPictureMade;
    Entry("B.KVW")->state = kPictureMade;
    CollectShownItems(0);
    EXPECT_EQ(ShownNames(), (NameList{"A.KVW", "B.KVW", "DOORS.KVW"}));
    EXPECT_EQ(Showing.find.unread, 0);
    SplitFindWords("plan 002 clear", &Showing.find.words);  // the heading counts as the text does
    CollectShownItems(0);
    EXPECT_EQ(ShownNames(), (NameList{"B.KVW"}));
    DLDestroy(notes);
}

// Newest first by the files' times, the same time keeping the name order;
// the files past the cache's limit take their places among the entries.
TEST_F(BrowseList, NewestFirstOrdersEntriesAndUnlistedFilesByTime) {
    Put("A.KVW", kJanuary);
    Put("B.KVW", kJanuary + 30);
    Put("C.KVW", kJanuary + 10);
    Put("D.KVW", kJanuary + 30);
    UnlistedFile late = {"E.KVW", testrec::Time(kJanuary + 20), kNoPicture};
    Showing.unlistedFiles.push_back(late);
    CollectShownItems(0);
    EXPECT_EQ(ShownNames(), (NameList{"A.KVW", "B.KVW", "C.KVW", "D.KVW", "E.KVW"}));
    NewestFirst = kOrderNewestFirst;
    CollectShownItems(0);
    NewestFirst = kOrderByName;
    EXPECT_EQ(ShownNames(), (NameList{"B.KVW", "D.KVW", "E.KVW", "C.KVW", "A.KVW"}));
    EXPECT_EQ(Showing.shownDrawings, 5);
    EXPECT_EQ(Chain(), (NameList{"A.KVW"})) << "the chain links the entries shown, in their order";
    EXPECT_EQ(AsImageInfo(Entry("B.KVW")->nextShown), Entry("D.KVW"));
    EXPECT_EQ(AsImageInfo(Entry("D.KVW")->nextShown), Entry("C.KVW"));
}

// Subfolders first, by name, without hidden ones; the search takes them by
// name; the count is the drawings'.
TEST_F(BrowseList, SubfoldersComeFirstAndCountNoDrawing) {
    WriteFile("PLAN.KVW");
    CreateDirectoryA(folder.File("Site plans").c_str(), nullptr);
    CreateDirectoryA(folder.File("Archive").c_str(), nullptr);
    CreateDirectoryA(folder.File("Hidden").c_str(), nullptr);
    SetFileAttributesA(folder.File("Hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    ScanBrowseDir(0);
    NewestFirst = kOrderNewestFirst;
    CollectShownItems(0);
    NewestFirst = kOrderByName;
    EXPECT_EQ(ShownNames(), (NameList{"Archive", "Site plans", "PLAN.KVW"}));
    EXPECT_EQ(Showing.FoundCount, 1);
    EXPECT_EQ(Showing.shownDrawings, 1);
    FindScope find("plan");
    CollectShownItems(0);
    EXPECT_EQ(ShownNames(), (NameList{"Site plans", "PLAN.KVW"}));
    EXPECT_EQ(PictureEntry(0), nullptr) << "a folder is no entry: Delete passes it over";
}

// Regression: in a list wider than six small pictures the last row of
// entries before the files past the cache's limit was short; now the files
// past the limit go on in the same rows.
TEST_F(BrowseList, FilesPastTheLimitFillTheLastRowOfEntries) {
    for (const char* name : {"A.KVW", "B.KVW", "C.KVW", "D.KVW", "E.KVW", "F.KVW", "G.KVW", "H.KVW"}) {
        WriteFile(name);
    }
    SetEnvironmentVariableA("XP_MOST_CACHE_ENTRIES", "7");
    ScanBrowseDir(0);
    SetEnvironmentVariableA("XP_MOST_CACHE_ENTRIES", nullptr);
    std::vector<std::string> firsts;
    int columns = 0;
    testdlg::RunInBrowseDialog([&] {
        HWND list = GetDlgItem(host::GetDlgWin(), IDC_BROWSE_LIST);
        RECT rect;
        GetWindowRect(list, &rect);
        // Room for four large pictures.
        SetWindowPos(list, nullptr, 0, 0, PictureBox(RECT{}, 3, false).right + GetSystemMetrics(SM_CXVSCROLL) + 8,
                     rect.bottom - rect.top, SWP_NOMOVE | SWP_NOZORDER);
        FillBrowseList();
        columns = Showing.ColumnsPerRow;
        int rows = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int row = 0; row < rows; ++row) firsts.push_back(PictureName(row * columns));
    });
    EXPECT_EQ(columns, 4);
    EXPECT_EQ(firsts, (NameList{"A.KVW", "E.KVW"})) << "G and H fill the second row";
}

TEST_F(BrowseList, TheOrderIsStoredAndAStoredValueThatIsNoOrderIsRepaired) {
    EXPECT_EQ(LoadBrowseOrder(), kOrderByName) << "none stored";
    SaveBrowseOrder(kOrderNewestFirst);
    EXPECT_EQ(LoadBrowseOrder(), kOrderNewestFirst);
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\KvUnitBrowseList\\XP\\Vandrel\\Kiru32 (Lumo32)", 0,
                            KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    int32_t stored = 7;
    RegSetValueExA(key, "BrowseOrder", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&stored), sizeof stored);
    EXPECT_EQ(LoadBrowseOrder(), kOrderByName);
    DWORD size = sizeof stored;
    RegQueryValueExA(key, "BrowseOrder", nullptr, nullptr, reinterpret_cast<BYTE*>(&stored), &size);
    RegCloseKey(key);
    EXPECT_EQ(stored, kOrderByName) << "written back";
}

// ---- The dialog's template ----

TEST(BrowseTemplate, DialogHasItsCaptionFontAndAFrameThatResizes) {
    using namespace testtemplate;
    DialogTemplate dialog = LoadDialogTemplate("IDD_DLGBROWSE");
    EXPECT_EQ(dialog.caption, "Browse files");
    EXPECT_TRUE(HasModuleFrame(dialog));
    EXPECT_EQ(dialog.style & (WS_THICKFRAME | WS_MAXIMIZEBOX), DWORD(WS_THICKFRAME | WS_MAXIMIZEBOX))
        << "the dialog can be resized and maximised";
}

// What a user meets in the dialog: each control's kind and text, Tab
// through the controls that take it (the hidden Help never among them),
// rows drawn and measured by the owner one by one without strings of their
// own, and nothing cut or covered.
TEST(BrowseTemplate, ControlsTakeTheirTurnsHelpStaysHiddenAndRowsAreTheOwners) {
    using namespace testtemplate;
    MadeDialog dialog("IDD_DLGBROWSE");
    ASSERT_NE(dialog.Window(), nullptr);
    struct Expected {
        int id;
        const char* className;
        DWORD styles;  // all of them must be set; for buttons, the button's kind
        const char* text;
    };
    const DWORD list = LBS_OWNERDRAWVARIABLE | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_VSCROLL;
    const Expected expected[] = {
        {IDC_BROWSE_SMALL, "Button", BS_AUTOCHECKBOX, "&Small pictures"},
        {IDC_BROWSE_DELETE, "Button", BS_AUTOCHECKBOX, "&Delete on click"},
        {IDC_BROWSE_ALWAYSCACHE, "Button", BS_AUTOCHECKBOX, "Always &cache"},
        {IDC_BROWSE_FORMATLABEL, "Static", SS_LEFT, "File format:"},
        {IDC_BROWSE_FORMAT, "ComboBox", CBS_DROPDOWNLIST | WS_VSCROLL, ""},
        {IDC_BROWSE_SELECTPATH, "Button", BS_PUSHBUTTON, "Select &Path"},
        {IDC_BROWSE_CACHEALL, "Button", BS_PUSHBUTTON, "Cache &all"},
        {IDC_BROWSE_CLOSE, "Button", BS_DEFPUSHBUTTON, "&Close"},
        // A long path is shortened in its middle; an "&" in it is no mnemonic.
        {IDC_BROWSE_DIR, "Static", SS_LEFT | SS_PATHELLIPSIS | SS_NOPREFIX, "Dir"},
        {IDC_BROWSE_COUNT, "Static", SS_LEFT, "Count"},
        {IDC_BROWSE_FILESLABEL, "Static", SS_LEFT, "files"},
        {IDC_BROWSE_LIST, "ListBox", list, ""},
        {IDC_BROWSE_HELP, "Button", BS_PUSHBUTTON, "&Help"},
        {IDC_BROWSE_FINDLABEL, "Static", SS_LEFT, "F&ind:"},
        {IDC_BROWSE_FIND, "Edit", ES_AUTOHSCROLL, ""},
        {IDC_BROWSE_NEWEST, "Button", BS_AUTOCHECKBOX, "&Newest first"},
        {IDC_BROWSE_FINDNOTE, "Static", SS_LEFT | SS_NOPREFIX, ""},
    };
    // The styles as the template gives them: the dialog manager takes some
    // (a list's border and scroll bar) into its own keeping.
    const DialogTemplate stored = LoadDialogTemplate("IDD_DLGBROWSE");
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.id);
        EXPECT_EQ(dialog.ClassOf(e.id), e.className);
        EXPECT_EQ(dialog.Text(e.id), e.text);
        auto item = std::find_if(stored.items.begin(), stored.items.end(),
                                 [&](const TemplateItem& i) { return i.id == e.id; });
        ASSERT_NE(item, stored.items.end());
        if (dialog.ClassOf(e.id) == "Button") {
            EXPECT_EQ(item->style & BS_TYPEMASK, e.styles);
        } else {
            EXPECT_EQ(item->style & e.styles, e.styles);
        }
    }
    EXPECT_EQ(dialog.TabOrder(),
              (std::vector<int>{IDC_BROWSE_SMALL, IDC_BROWSE_DELETE, IDC_BROWSE_ALWAYSCACHE, IDC_BROWSE_FORMAT,
                                IDC_BROWSE_SELECTPATH, IDC_BROWSE_CACHEALL, IDC_BROWSE_CLOSE, IDC_BROWSE_FIND,
                                IDC_BROWSE_LIST, IDC_BROWSE_NEWEST}));
    ShowWindow(dialog.Window(), SW_SHOWNA);
    EXPECT_TRUE(IsWindowVisible(dialog.Control(IDC_BROWSE_CLOSE)));
    EXPECT_FALSE(IsWindowVisible(dialog.Control(IDC_BROWSE_HELP))) << "Help is never shown";
    EXPECT_FALSE(IsWindowVisible(dialog.Control(IDC_BROWSE_FINDNOTE))) << "shown only while a search needs it";
    // The check boxes stand 10 and 9 units apart, 10 high: the second's box
    // reaches a unit into the third's, under its text. Nothing else touches.
    EXPECT_EQ(dialog.LayoutFaults(), "1012 \"&Delete on click\" overlaps 1013 \"Always &cache\"; ");
    // Each row is measured as it comes, and keeps the data it was given.
    HWND rows = dialog.Control(IDC_BROWSE_LIST);
    EXPECT_EQ(GetWindowLongA(rows, GWL_STYLE) & LBS_HASSTRINGS, 0) << "rows without strings";
    SendMessageA(rows, LB_ADDSTRING, 0, 0x1234);
    SendMessageA(rows, LB_ADDSTRING, 0, 0x5678);
    EXPECT_EQ(MadeDialog::Measured(), 2);
    EXPECT_EQ(SendMessageA(rows, LB_GETITEMDATA, 1, 0), 0x5678);
}

// A current directory of 256 characters or more was never read back, and
// the browse directory stayed current after "Select &Path".
TEST(SelectPath, CancelledPutsBackTheCurrentDirectoryEvenAtItsLongest) {
    TempFolder base("select-path");
    std::string deep = base.path;
    while (deep.size() < 256) {
        deep += "\\" + std::string(std::min<size_t>(60, 256 - deep.size()), 'd');
        CreateDirectoryA(deep.c_str(), nullptr);
    }
    char before[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, before);
    ASSERT_TRUE(SetCurrentDirectoryA(deep.c_str()));
    CopyText(browseDirectory, base.path.c_str());
    testdlg::PathDialogUser user;
    EXPECT_EQ(SelectBrowsePath(), kKeepOpen);
    EXPECT_TRUE(user.Join());
    char after[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, after);
    SetCurrentDirectoryA(before);
    EXPECT_EQ(std::string(after), deep);
    EXPECT_EQ(std::string(browseDirectory), base.path) << "cancelled: the folder stays";
}

}  // namespace
