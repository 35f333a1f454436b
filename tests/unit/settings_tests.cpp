// The settings store through the real registry, and the FILEOPT dialog.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

#include "module/state.h"
#include "module/xprecord.h"
#include "resources/resource.h"
#include "settings/fileopt.h"
#include "settings/settings.h"
#include "standin/standin.h"
#include "tests/support/dialogtemplate.h"

namespace {

const char kTestBase[] = "Software\\KvUnit\\settings_tests";
const char kKeyTail[] = "\\XP\\Vandrel\\Kiru32 (Lumo32)\\";

std::string KeyPathFor(const std::string& base) { return base + kKeyTail; }

void SetBase(const std::string& base) {
    ASSERT_LT(base.size(), sizeof g_config.rsc3053);
    strcpy(g_config.rsc3053, base.c_str());
}

// The stored bytes of one value, read past the host; empty when missing.
std::vector<unsigned char> StoredValue(const std::string& keyPath, const char* name,
                                       DWORD* type = nullptr) {
    std::vector<unsigned char> data;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return data;
    }
    DWORD valueType = 0, size = 0;
    if (RegQueryValueExA(key, name, nullptr, &valueType, nullptr, &size) == ERROR_SUCCESS) {
        data.resize(size);
        if (RegQueryValueExA(key, name, nullptr, &valueType, data.data(), &size) != ERROR_SUCCESS) {
            data.clear();
        }
    }
    RegCloseKey(key);
    if (type) *type = valueType;
    return data;
}

void StoreValue(const std::string& keyPath, const char* name, const void* data, DWORD size) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE,
                              nullptr, &key, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

bool KeyExists(const std::string& keyPath) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

// The error boxes shown while it lives, as the transcript has them; each
// of the boxes expected is answered at once.
class ToldErrors {
public:
    explicit ToldErrors(int boxes) {
        char folder[MAX_PATH];
        GetTempPathA(sizeof folder, folder);
        path_ = std::string(folder) + "kvunit-settings-transcript.txt";
        OpenTranscript(path_.c_str());
        for (int i = 0; i < boxes; ++i) QueueBoxAnswer(IDOK);
    }
    ~ToldErrors() {
        CloseTranscript();
        DeleteFileA(path_.c_str());
    }
    std::string Lines() {
        CloseTranscript();
        std::string lines;
        if (FILE* file = fopen(path_.c_str(), "rb")) {
            char line[2048];
            while (fgets(line, sizeof line, file)) {
                if (strncmp(line, "error-box ", 10) == 0) lines += line;
            }
            fclose(file);
        }
        return lines;
    }

private:
    std::string path_;
};

void ExpectOptions(int insertStyle, int autoSaveBackups, int alwaysCache) {
    EXPECT_EQ(Options.insertStyle, insertStyle);
    EXPECT_EQ(Options.autoSaveBackups, autoSaveBackups);
    EXPECT_EQ(Options.alwaysCache, alwaysCache);
}

void FillColours(unsigned char variant) {
    unsigned char* bytes = reinterpret_cast<unsigned char*>(PictureInfo.colours);
    for (int i = 0; i < 1024; ++i) bytes[i] = static_cast<unsigned char>(variant + i * 7);
}

// Runs first (tests run in the order written): nothing has been loaded yet.
TEST(OptionsRecord, HoldsTheDefaultsWhenTheModuleIsLoaded) { ExpectOptions(0, 1, 0); }

TEST(SettingsRecords, LayoutsMatchTheStoredValues) {
    EXPECT_EQ(sizeof(OptionsRecord), 12u);
    EXPECT_EQ(offsetof(OptionsRecord, insertStyle), 0u);
    EXPECT_EQ(offsetof(OptionsRecord, autoSaveBackups), 4u);
    EXPECT_EQ(offsetof(OptionsRecord, alwaysCache), 8u);
    EXPECT_EQ(sizeof(ColorMapRecord), 1028u);
    EXPECT_EQ(offsetof(ColorMapRecord, valid), 0u);
    EXPECT_EQ(offsetof(ColorMapRecord, colours), 4u);
    EXPECT_EQ(sizeof(ColorMapRecord::colours), sizeof PictureInfo.colours);
}

// Every case starts with an empty test key and fresh module state.
class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KvUnit");
        SetBase(kTestBase);
        Options = OptionsRecord{0, 1, 0};
        colourTableReady = false;
        memset(PictureInfo.colours, 0, sizeof PictureInfo.colours);
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KvUnit"); }
    std::string KeyPath() const { return KeyPathFor(kTestBase); }
};

TEST_F(SettingsStore, SaveOptionsWritesTwelveBinaryBytesAtTheKeyPath) {
    Options = OptionsRecord{2, 0, 1};
    SaveOptions();
    DWORD type = 0;
    std::vector<unsigned char> stored = StoredValue(KeyPath(), "Options", &type);
    const unsigned char expected[12] = {2, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    ASSERT_EQ(stored.size(), 12u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(memcmp(stored.data(), expected, 12), 0);
}

TEST_F(SettingsStore, LoadOptionsReadsTheStoredValueInPlace) {
    const int32_t stored[3] = {1, 0, 1};
    StoreValue(KeyPath(), "Options", stored, sizeof stored);
    LoadOptions();
    ExpectOptions(1, 0, 1);

    Options = OptionsRecord{2, 1, 0};
    SaveOptions();
    Options = OptionsRecord{9, 9, 9};
    LoadOptions();
    ExpectOptions(2, 1, 0);
}

// Regression: an insertion style of 7 or a backups flag of 2 was kept; the
// dialog then showed no style and an unticked box, and OK switched backups
// off. Each field out of range reads as its default.
TEST_F(SettingsStore, OptionsOutOfRangeReadAsTheirDefaults) {
    const int32_t cases[][3] = {{7, 2, 2}, {-1, -5, 9}, {3, 1, 1}};
    const int32_t expected[][3] = {{0, 1, 0}, {0, 1, 0}, {0, 1, 1}};
    for (int i = 0; i < 3; ++i) {
        StoreValue(KeyPath(), "Options", cases[i], sizeof cases[i]);
        Options = OptionsRecord{2, 0, 1};
        LoadOptions();
        ExpectOptions(expected[i][0], expected[i][1], expected[i][2]);
    }
}

// Regression: a valid ColorMap of one colour (all zero) drew every cached
// picture black for good. It is ignored like a missing one, and the next
// conversion stores the system's table over it.
TEST_F(SettingsStore, AColorMapOfOneColourCountsAsMissing) {
    for (unsigned char fill : {0x00, 0x7F}) {
        ColorMapRecord stored;
        stored.valid = 1;
        memset(stored.colours, fill, sizeof stored.colours);
        StoreValue(KeyPath(), "ColorMap", &stored, sizeof stored);
        FillColours(3);
        colourTableReady = false;
        LoadColorMap();
        EXPECT_FALSE(colourTableReady);
        SaveColorMap();
        EXPECT_EQ(memcmp(StoredValue(KeyPath(), "ColorMap").data() + 4, PictureInfo.colours, 1024), 0);
    }
}

TEST_F(SettingsStore, MissingOptionsKeepTheDefaultsOrLastValues) {
    LoadOptions();
    ExpectOptions(0, 1, 0);
    Options = OptionsRecord{2, 0, 1};
    LoadOptions();
    ExpectOptions(2, 0, 1);
}

TEST_F(SettingsStore, TheKeyFollowsTheHostsBaseKeyAtEveryAccess) {
    SaveOptions();
    const std::string otherBase = std::string(kTestBase) + "\\other";
    SetBase(otherBase);
    Options.insertStyle = 1;
    SaveOptions();
    ASSERT_EQ(StoredValue(KeyPathFor(otherBase), "Options").size(), 12u);
    EXPECT_EQ(StoredValue(KeyPathFor(otherBase), "Options")[0], 1);
    EXPECT_EQ(StoredValue(KeyPath(), "Options")[0], 0);
}

TEST_F(SettingsStore, SaveColorMapWritesValidAndTheColourTable) {
    FillColours(3);
    SaveColorMap();
    EXPECT_TRUE(colourTableReady);
    DWORD type = 0;
    std::vector<unsigned char> stored = StoredValue(KeyPath(), "ColorMap", &type);
    ASSERT_EQ(stored.size(), 1028u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    const unsigned char valid[4] = {1, 0, 0, 0};
    EXPECT_EQ(memcmp(stored.data(), valid, 4), 0);
    EXPECT_EQ(memcmp(stored.data() + 4, PictureInfo.colours, 1024), 0);
}

TEST_F(SettingsStore, LoadColorMapTakesAValidTableAndSetsReady) {
    FillColours(11);
    SaveColorMap();
    RGBQUAD saved[256];
    memcpy(saved, PictureInfo.colours, sizeof saved);
    colourTableReady = false;
    memset(PictureInfo.colours, 0, sizeof PictureInfo.colours);

    LoadColorMap();
    EXPECT_TRUE(colourTableReady);
    EXPECT_EQ(memcmp(PictureInfo.colours, saved, sizeof saved), 0);
}

// Neither a missing table nor one whose valid word is 0 touches the colours.
TEST_F(SettingsStore, AMissingOrInvalidColorMapChangesNothing) {
    for (bool storeInvalid : {false, true}) {
        SCOPED_TRACE(storeInvalid ? "valid 0" : "missing");
        if (storeInvalid) {
            ColorMapRecord stored;
            stored.valid = 0;
            memset(stored.colours, 0x5A, sizeof stored.colours);
            StoreValue(KeyPath(), "ColorMap", &stored, sizeof stored);
        }
        FillColours(1);
        RGBQUAD before[256];
        memcpy(before, PictureInfo.colours, sizeof before);
        LoadColorMap();
        EXPECT_FALSE(colourTableReady);
        EXPECT_EQ(memcmp(PictureInfo.colours, before, sizeof before), 0);
    }
}

// The browse dialog's size has a value of its own; Options stays 12 bytes.
// What is stored is read like any input: sizes and densities no screen has
// are no size.
// Regression: a write the store refused was dropped without a word, and
// the user's choice was gone at the next command.
TEST_F(SettingsStore, AWriteTheStoreRefusesIsToldWithTheSettingAndItsKey) {
    // No lasting key can be made under a volatile one: every write fails.
    const std::string base = "Software\\KvUnit\\volatile";
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, base.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    SetBase(base);
    ToldErrors told(3);
    SaveOptions();
    SaveColorMap();
    SaveBrowseSize(BrowseSizeRecord{800, 600, 96, 0});
    EXPECT_FALSE(KeyExists(KeyPathFor(base)));
    const std::string where = "HKEY_CURRENT_USER\\" + KeyPathFor(base) + "\n";
    EXPECT_EQ(told.Lines(),
              "error-box Error: Couldn't save the setting \"Options\" in the host's settings store:\\n\\n" + where +
                  "error-box Error: Couldn't save the setting \"ColorMap\" in the host's settings store:\\n\\n" +
                  where +
                  "error-box Error: Couldn't save the setting \"BrowseSize\" in the host's settings store:\\n\\n" +
                  where);
}

// Regression: a stored size out of range was ignored but never rewritten,
// so it was read and refused at every showing; it now reads as broken, and
// the dialog stores its size over it.
TEST_F(SettingsStore, BrowseSizeRoundTripsAndRefusesWhatCannotBeASize) {
    BrowseSizeRecord size = {0, 0, 0, 0};
    EXPECT_EQ(LoadBrowseSize(size), StoredBrowseSize::kNone) << "nothing stored";
    SaveBrowseSize(BrowseSizeRecord{1050, 600, 120, 1});
    ASSERT_EQ(LoadBrowseSize(size), StoredBrowseSize::kLoaded);
    EXPECT_EQ(size.width, 1050);
    EXPECT_EQ(size.height, 600);
    EXPECT_EQ(size.dpi, 120);
    EXPECT_EQ(size.maximised, 1);
    const BrowseSizeRecord hostile[] = {
        {0, 600, 96, 0}, {-5, 600, 96, 0}, {1050, 0, 96, 0}, {40000, 600, 96, 0}, {1050, 600, 0, 0},
        {1050, 600, 5000, 0},
    };
    for (const BrowseSizeRecord& stored : hostile) {
        StoreValue(KeyPath(), "BrowseSize", &stored, sizeof stored);
        BrowseSizeRecord read = {1, 2, 3, 4};
        EXPECT_EQ(LoadBrowseSize(read), StoredBrowseSize::kBroken)
            << stored.width << "x" << stored.height << " at " << stored.dpi;
        EXPECT_EQ(read.width, 1) << "left as it was";
    }
    const char shortValue[3] = {1, 2, 3};
    StoreValue(KeyPath(), "BrowseSize", shortValue, sizeof shortValue);
    EXPECT_EQ(LoadBrowseSize(size), StoredBrowseSize::kNone) << "a value too short reads as none";
}

// The key path is "<base>\XP\Vandrel\Kiru32 (Lumo32)\": 28 characters after
// the base, 255 at most in the 256-byte buffer.
class OverlongBaseKey : public SettingsStore {
protected:
    // A base of the given length in components the registry accepts.
    static std::string BaseOfLength(size_t length) {
        std::string base = kTestBase;
        while (base.size() < length) base += base.size() % 60 == 0 ? '\\' : 'x';
        base.resize(length);
        if (base.back() == '\\') base.back() = 'y';
        return base;
    }
};

TEST_F(OverlongBaseKey, APathOfExactly255CharactersIsUsed) {
    const std::string base = BaseOfLength(227);
    ASSERT_EQ(KeyPathFor(base).size(), 255u);
    SetBase(base);
    Options = OptionsRecord{2, 0, 0};
    SaveOptions();
    EXPECT_EQ(StoredValue(KeyPathFor(base), "Options").size(), 12u);
}

// Regression: a cut key path read and wrote the settings of a different key.
TEST_F(OverlongBaseKey, APathThatDoesNotFitIsNeverUsedCut) {
    for (size_t length : {228u, 229u, 240u, 259u}) {
        SCOPED_TRACE(length);
        const std::string base = BaseOfLength(length);
        const std::string cut = KeyPathFor(base).substr(0, 255);
        const int32_t foreign[3] = {2, 0, 1};
        StoreValue(cut, "Options", foreign, sizeof foreign);
        ColorMapRecord foreignMap;
        foreignMap.valid = 1;
        memset(foreignMap.colours, 0x77, sizeof foreignMap.colours);
        StoreValue(cut, "ColorMap", &foreignMap, sizeof foreignMap);
        SetBase(base);

        Options = OptionsRecord{1, 1, 0};
        LoadOptions();
        ExpectOptions(1, 1, 0);
        colourTableReady = false;
        LoadColorMap();
        EXPECT_FALSE(colourTableReady);

        Options = OptionsRecord{0, 0, 0};
        ToldErrors told(2);
        SaveOptions();
        EXPECT_EQ(StoredValue(cut, "Options")[0], 2) << "the cut key was written";
        SaveColorMap();
        EXPECT_EQ(StoredValue(cut, "ColorMap")[4], 0x77) << "the cut key was written";
        EXPECT_TRUE(colourTableReady) << "a refused write counts as saved, as a store error does";
        EXPECT_EQ(told.Lines(),
                  "error-box Error: Couldn't save the setting \"Options\": the host's key for the settings is "
                  "missing or too long.\n"
                  "error-box Error: Couldn't save the setting \"ColorMap\": the host's key for the settings is "
                  "missing or too long.\n");
        SetBase(kTestBase);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KvUnit");
    }
}

// ---- The FILEOPT dialog, driven from inside its own modal loop ----

// What the dialog showed, and what to click in it once it is up.
struct DialogRun {
    std::vector<int> clicks;
    int closeWith = IDOK;
    bool shown = false;
    char caption[64] = "";
    UINT checkedAtStart[4] = {};   // controls 1013 to 1016
};
DialogRun g_run;
HHOOK g_hook;

// After the host's dialog procedure has filled the controls, queue the
// clicks; the dialog's own modal loop then runs them in order.
LRESULT CALLBACK AfterDialogMessage(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_INITDIALOG && !g_run.shown) {
        HWND dialog = message->hwnd;
        g_run.shown = true;
        GetWindowTextA(dialog, g_run.caption, sizeof g_run.caption);
        for (int i = 0; i < 4; ++i) {
            g_run.checkedAtStart[i] = IsDlgButtonChecked(dialog, IDC_FILEOPT_PART + i);
        }
        for (int id : g_run.clicks) PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
        PostMessageA(GetDlgItem(dialog, g_run.closeWith), BM_CLICK, 0, 0);
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

class FileOpt : public SettingsStore {
protected:
    void SetUp() override {
        SettingsStore::SetUp();
        XpRecord.instance = GetModuleHandleA(nullptr);
        g_run = DialogRun();
    }
    // Runs the command as the host does and checks that it ended once.
    void Run(std::vector<int> clicks, int closeWith) {
        g_run.clicks = clicks;
        g_run.closeWith = closeWith;
        g_hook = SetWindowsHookExA(WH_CALLWNDPROCRET, AfterDialogMessage, nullptr,
                                   GetCurrentThreadId());
        ASSERT_NE(g_hook, nullptr);
        int errors = TranscriptErrorCount();
        BeginCommand("FILEOPT");
        CmdFileOpt();
        UnhookWindowsHookEx(g_hook);
        EXPECT_TRUE(g_run.shown);
        EXPECT_EQ(ActiveCommand(), nullptr) << "FILEOPT returned without CmdEnd";
        EXPECT_EQ(TranscriptErrorCount(), errors) << "CmdEnd twice, or a binding the template lacks";
    }
};

TEST_F(FileOpt, OkStoresTheChosenInsertStyleAndBackupSwitch) {
    Run({IDC_FILEOPT_PARS, IDC_FILEOPT_BACKUPS}, IDOK);
    EXPECT_STREQ(g_run.caption, "File manager settings");
    const UINT defaults[4] = {BST_CHECKED, BST_UNCHECKED, BST_UNCHECKED, BST_CHECKED};
    EXPECT_EQ(memcmp(g_run.checkedAtStart, defaults, sizeof defaults), 0);
    std::vector<unsigned char> stored = StoredValue(KeyPath(), "Options");
    const unsigned char expected[12] = {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(stored.size(), 12u);
    EXPECT_EQ(memcmp(stored.data(), expected, 12), 0);
    ExpectOptions(2, 0, 0);
}

TEST_F(FileOpt, TheDialogShowsTheStoredOptionsAndKeepsAlwaysCache) {
    const int32_t stored[3] = {1, 0, 1};
    StoreValue(KeyPath(), "Options", stored, sizeof stored);
    Run({IDC_FILEOPT_PART}, IDOK);
    const UINT shown[4] = {BST_UNCHECKED, BST_CHECKED, BST_UNCHECKED, BST_UNCHECKED};
    EXPECT_EQ(memcmp(g_run.checkedAtStart, shown, sizeof shown), 0);
    ExpectOptions(0, 0, 1);
    EXPECT_EQ(StoredValue(KeyPath(), "Options")[8], 1);
}

TEST_F(FileOpt, CancelWritesNothing) {
    const int32_t stored[3] = {1, 1, 0};
    StoreValue(KeyPath(), "Options", stored, sizeof stored);
    Run({IDC_FILEOPT_PARS, IDC_FILEOPT_BACKUPS}, IDCANCEL);
    std::vector<unsigned char> after = StoredValue(KeyPath(), "Options");
    ASSERT_EQ(after.size(), 12u);
    EXPECT_EQ(memcmp(after.data(), stored, 12), 0);
    ExpectOptions(1, 1, 0);
}

// Regression: a stored backups flag of 2 showed unticked, and OK stored 0.
// The dialog shows the repaired record, and OK stores exactly that.
TEST_F(FileOpt, OutOfRangeOptionsAreShownAndStoredAsTheirDefaults) {
    const int32_t stored[3] = {7, 2, 0};
    StoreValue(KeyPath(), "Options", stored, sizeof stored);
    Run({}, IDOK);
    const UINT shown[4] = {BST_CHECKED, BST_UNCHECKED, BST_UNCHECKED, BST_CHECKED};
    EXPECT_EQ(memcmp(g_run.checkedAtStart, shown, sizeof shown), 0);
    const unsigned char expected[12] = {0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    std::vector<unsigned char> after = StoredValue(KeyPath(), "Options");
    ASSERT_EQ(after.size(), 12u);
    EXPECT_EQ(memcmp(after.data(), expected, 12), 0);
}

// Regression: with no "Options" stored, cancelled edits stayed in force.
TEST_F(FileOpt, CancelWithNothingStoredLeavesTheOptionsAsTheyWere) {
    Run({IDC_FILEOPT_PAR, IDC_FILEOPT_BACKUPS}, IDCANCEL);
    EXPECT_FALSE(KeyExists(KeyPath()));
    LoadOptions();
    ExpectOptions(0, 1, 0);
}

// ---- The template as the module's resources hold it ----

using namespace testtemplate;

TEST(FileOptTemplate, DialogHasItsCaptionFontAndAFixedFrame) {
    DialogTemplate dialog = LoadDialogTemplate("IDD_DLGFILEOPT");
    EXPECT_EQ(dialog.caption, "File manager settings");
    EXPECT_TRUE(HasModuleFrame(dialog));
    EXPECT_EQ(dialog.style & WS_THICKFRAME, 0u) << "not resizable";
}

// The three styles are one group in their frame: the arrow keys step among
// them and no further, and Tab goes from the group to OK, Cancel and the
// backups box and round again. Nothing is cut or covered.
TEST(FileOptTemplate, TheStylesAreOneGroupAndTabVisitsEveryControl) {
    MadeDialog dialog("IDD_DLGFILEOPT");
    ASSERT_NE(dialog.Window(), nullptr);
    struct Expected {
        int id;
        const char* text;
        DWORD kind;
    };
    const Expected expected[] = {
        {IDC_FILEOPT_PART, "Korvind PART", BS_AUTORADIOBUTTON},
        {IDC_FILEOPT_PAR, "Pax32 PAR", BS_AUTORADIOBUTTON},
        {IDC_FILEOPT_PARS, "Pax32 PARS", BS_AUTORADIOBUTTON},
        {IDOK, "OK", BS_DEFPUSHBUTTON},
        {IDCANCEL, "Cancel", BS_PUSHBUTTON},
        {IDC_FILEOPT_BACKUPS, "Auto-save backups", BS_AUTOCHECKBOX},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.text);
        EXPECT_EQ(dialog.Text(e.id), e.text);
        EXPECT_EQ(dialog.ClassOf(e.id), "Button");
        EXPECT_EQ(dialog.Style(e.id) & BS_TYPEMASK, e.kind);
    }
    const std::vector<int> styles = {IDC_FILEOPT_PART, IDC_FILEOPT_PAR, IDC_FILEOPT_PARS};
    EXPECT_EQ(dialog.Group(IDC_FILEOPT_PART), styles);
    EXPECT_EQ(dialog.Group(IDC_FILEOPT_PARS), (std::vector<int>{IDC_FILEOPT_PARS, IDC_FILEOPT_PART, IDC_FILEOPT_PAR}));
    EXPECT_EQ(dialog.TabOrder(), (std::vector<int>{IDC_FILEOPT_PART, IDOK, IDCANCEL, IDC_FILEOPT_BACKUPS}));
    EXPECT_EQ(dialog.LayoutFaults(), "") << "the group box frames the styles; nothing else overlaps";
    HWND frame = FindWindowExA(dialog.Window(), nullptr, "Button", "Insert parts with");
    ASSERT_NE(frame, nullptr);
    RECT box;
    GetWindowRect(frame, &box);
    for (int id : styles) {
        RECT style;
        GetWindowRect(dialog.Control(id), &style);
        RECT inside;
        EXPECT_TRUE(IntersectRect(&inside, &box, &style) && EqualRect(&inside, &style)) << id << " lies in the group box";
    }
}

}  // namespace
