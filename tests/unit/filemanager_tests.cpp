// The file manager: its starting name and error messages, and the preview
// panel driven through its hook inside a stand-in for the system dialog that
// answers the panel's requests (selected name, path, folder).
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <string>

#include "browsecache/cache.h"
#include "browser/browser.h"
#include "filemanager/filemanager.h"
#include "filemanager/panel.h"
#include "host/host.h"
#include "module/gdi.h"
#include "module/state.h"
#include "module/xprecord.h"
#include "preview/preview.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "standin/standin.h"
#include "tests/support/folders.h"
#include "tests/support/records.h"

using namespace testrec;

namespace {

// ---- Starting name ----

struct StartingName : ::testing::Test {
    char saved[MAX_PATH];
    void SetUp() override {
        CopyText(saved, g_config.rsc3025);
        lastPartFile[0] = '\0';
    }
    void TearDown() override {
        CopyText(g_config.rsc3025, saved);
        lastPartFile[0] = '\0';
    }
    std::string Make(int partFlag, int size = kPickedPathSize, int filterRow = 0) {
        char buffer[kPickedPathSize] = "left over";
        MakeStartingName(buffer, size, partFlag, filterRow);
        return buffer;
    }
};

TEST_F(StartingName, DefaultNameLosesItsExtension) {
    CopyText(g_config.rsc3025, "C:\\work\\plan.kvw");
    EXPECT_EQ(Make(0), "C:\\work\\plan");
}

// "C:\old.dir\plan" once became "C:\old": the dialog started in the wrong
// folder with the wrong name.
TEST_F(StartingName, OnlyTheFilesOwnNameIsCut) {
    CopyText(g_config.rsc3025, "C:\\old.dir\\plan");
    EXPECT_EQ(Make(0), "C:\\old.dir\\plan");
    CopyText(g_config.rsc3025, "C:\\old.dir\\plan.kvw");
    EXPECT_EQ(Make(0), "C:\\old.dir\\plan");
    CopyText(g_config.rsc3025, "");
    EXPECT_EQ(Make(0), "");
}

// Open adds the file type's extension to a name without one: "plan.tar"
// (cut from plan.tar.kvw) has one already, and "plan" cut from plan.dxf got
// ".kvw", so Open on the proposal said "File does not exist" or took
// another file.
TEST_F(StartingName, AnExtensionOpenWouldNotAddBackStays) {
    CopyText(g_config.rsc3025, "C:\\work\\plan.tar.kvw");
    EXPECT_EQ(Make(0), "C:\\work\\plan.tar.kvw");
    CopyText(g_config.rsc3025, "C:\\work\\plan.dxf");
    EXPECT_EQ(Make(0), "C:\\work\\plan.dxf") << "the KVW type adds .kvw";
    EXPECT_EQ(Make(0, kPickedPathSize, 4), "C:\\work\\plan") << "the DXF type adds .dxf";
    CopyText(g_config.rsc3025, "C:\\work\\plan.KVW");
    EXPECT_EQ(Make(0, kPickedPathSize, 5), "C:\\work\\plan") << "CAD files add their first, .kvw";
    EXPECT_EQ(Make(0, kPickedPathSize, 1), "C:\\work\\plan.KVW") << "the KVD type adds .kvd";
    CopyText(g_config.rsc3025, "C:\\old.dir\\.kvw");
    EXPECT_EQ(Make(0), "C:\\old.dir\\.kvw") << "nothing would be left to open";
    CopyText(g_config.rsc3025, "plan.kvw");
    EXPECT_EQ(Make(0), "plan");
}

// Regression: with a folder PLAN001 beside PLAN001.KVW, Open on the proposal
// "PLAN001" went into the folder and loaded nothing.
TEST_F(StartingName, ANameWhoseCutIsAFolderStaysWhole) {
    TempFolder folder{"start-twins"};
    CreateDirectoryA(folder.File("PLAN001").c_str(), nullptr);
    CopyText(g_config.rsc3025, folder.File("PLAN001.KVW").c_str());
    EXPECT_EQ(Make(0), folder.File("PLAN001.KVW"));
    CopyText(g_config.rsc3025, folder.File("PLAN002.KVW").c_str());
    EXPECT_EQ(Make(0), folder.File("PLAN002"));
}

// The open dialog adds the type's first pattern, not the default "KVW".
TEST(FormatFirstExtension, EachRowGivesItsFirstPattern) {
    const char* expected[] = {"KVW", "KVD", "LVW", "DWG", "DXF", "KVW"};
    for (int row = 0; row < kFormatCount; ++row) EXPECT_STREQ(FormatFirstExtension(row), expected[row]) << row;
    EXPECT_EQ(FormatFirstExtension(kFormatCount), nullptr);
    EXPECT_EQ(FormatFirstExtension(-1), nullptr);
}

TEST_F(StartingName, PartsStartFromTheLastPartFileOthersFromTheDefault) {
    CopyText(g_config.rsc3025, "D:\\noname.kvw");
    EXPECT_EQ(Make(1), "D:\\noname") << "no part file chosen yet";
    CopyText(lastPartFile, "C:\\parts\\bolt.kvw");
    EXPECT_EQ(Make(1), "C:\\parts\\bolt");
    EXPECT_EQ(Make(0), "D:\\noname");
}

// A cut default name named another file.
TEST_F(StartingName, AHostNameMissingOrTooLongForTheBufferIsNotProposed) {
    CopyText(g_config.rsc3025, "ABCDEFGH.KVW");
    EXPECT_EQ(Make(0, 6), "");
    EXPECT_EQ(Make(0, 13), "ABCDEFGH") << "fits exactly";
    g_config.missingString = 3025;
    EXPECT_EQ(Make(0), "");
    g_config.missingString = 0;
}

// ---- Error messages ----

TEST(FileDialogErrors, EachCodeHasItsOwnTextWithItsArticle) {
    EXPECT_STREQ(FileDialogErrorText(CDERR_STRUCTSIZE), "File dialog closed with a CDERR_STRUCTSIZE error.");
    EXPECT_STREQ(FileDialogErrorText(CDERR_INITIALIZATION),
                 "File dialog closed with a CDERR_INITIALIZATION error.");
    EXPECT_STREQ(FileDialogErrorText(CDERR_NOTEMPLATE), "File dialog closed with a CDERR_NOTEMPLATE error.");
    EXPECT_STREQ(FileDialogErrorText(CDERR_NOHINSTANCE), "File dialog closed with a CDERR_NOHINSTANCE error.");
    EXPECT_STREQ(FileDialogErrorText(CDERR_LOADSTRFAILURE),
                 "File dialog closed with a CDERR_LOADSTRFAILURE error.");
    EXPECT_STREQ(FileDialogErrorText(CDERR_FINDRESFAILURE),
                 "File dialog closed with a CDERR_FINDRESFAILURE error.");
    EXPECT_STREQ(FileDialogErrorText(CDERR_LOADRESFAILURE),
                 "File dialog closed with a CDERR_LOADRESFAILURE error.");
    EXPECT_STREQ(FileDialogErrorText(CDERR_LOCKRESFAILURE),
                 "File dialog closed with a CDERR_LOCKRESFAILURE error.");
    EXPECT_STREQ(FileDialogErrorText(CDERR_MEMALLOCFAILURE),
                 "File dialog closed with a CDERR_MEMALLOCFAILURE error.");
    EXPECT_STREQ(FileDialogErrorText(CDERR_MEMLOCKFAILURE),
                 "File dialog closed with a CDERR_MEMLOCKFAILURE error.");
    EXPECT_STREQ(FileDialogErrorText(CDERR_NOHOOK), "File dialog closed with a CDERR_NOHOOK error.");
    EXPECT_STREQ(FileDialogErrorText(FNERR_SUBCLASSFAILURE),
                 "File dialog closed with a FNERR_SUBCLASSFAILURE error.");
    EXPECT_STREQ(FileDialogErrorText(FNERR_INVALIDFILENAME),
                 "File dialog closed with an FNERR_INVALIDFILENAME error.");
    EXPECT_STREQ(FileDialogErrorText(FNERR_BUFFERTOOSMALL),
                 "File dialog closed with an FNERR_BUFFERTOOSMALL error.");
}

TEST(FileDialogErrors, CancelAndOtherCodesAreSilent) {
    EXPECT_EQ(FileDialogErrorText(0), nullptr);
    EXPECT_EQ(FileDialogErrorText(CDERR_REGISTERMSGFAIL), nullptr);
    EXPECT_EQ(FileDialogErrorText(CDERR_DIALOGFAILURE), nullptr);
}

// ---- One showing, cancelled ----

// Plays the user who cancels: waits for the file manager's window (at most
// kUserWaitMs) and presses Cancel. Only the test thread's own windows are
// looked at: another program on the same display may show a "File manager"
// of its own (a regression: this test once cancelled an end-to-end run's
// dialog and then waited for ever for its own).
enum { kUserWaitMs = 30000 };

BOOL CALLBACK FindFileManager(HWND window, LPARAM found) {
    char title[32];
    if (IsWindowVisible(window) && GetWindowTextA(window, title, sizeof title) &&
        lstrcmpA(title, "File manager") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI CancelFileManager(void* testThread) {
    DWORD thread = static_cast<DWORD>(reinterpret_cast<uintptr_t>(testThread));
    for (int waited = 0; waited < kUserWaitMs; waited += 10) {
        HWND dialog = nullptr;
        EnumThreadWindows(thread, FindFileManager, reinterpret_cast<LPARAM>(&dialog));
        if (dialog) {
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return 0;
        }
        Sleep(10);
    }
    return 1;
}

TEST(RunFileManager, CancelWritesTheBackupAndPutsTheChangedFlagBack) {
    TempFolder folder("fm-run");
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    SetCurrentDirectoryA(folder.path.c_str());
    char savedKey[MAX_PATH];
    CopyText(savedKey, g_config.rsc3053);
    CopyText(g_config.rsc3053, "Software\\KvTest\\filemanager_unit_run");
    Options.autoSaveBackups = 1;
    HINSTANCE savedInstance = XpRecord.instance;
    XpRecord.instance = GetModuleHandleA(nullptr);
    int* changed = nullptr;
    host::MarkChanged(&changed);
    *changed = 0;
    CloseTranscript();
    OpenTranscript(folder.File("run.txt").c_str());
    ResetCommandState();
    HANDLE user = CreateThread(nullptr, 0, CancelFileManager,
                               reinterpret_cast<void*>(static_cast<uintptr_t>(GetCurrentThreadId())), 0,
                               nullptr);
    ASSERT_NE(user, nullptr);
    char buffer[kPickedPathSize];
    int result = RunFileManager(buffer, sizeof buffer, 1);
    WaitForSingleObject(user, INFINITE);
    CloseHandle(user);
    CloseTranscript();
    XpRecord.instance = savedInstance;
    CopyText(g_config.rsc3053, savedKey);
    SetCurrentDirectoryA(cwd);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(*changed, 0) << "the changed flag is what it was before";
    EXPECT_NE(GetFileAttributesA(folder.File("FILE~BAK.KVW").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_STREQ(lastPartFile, "") << "nothing chosen, nothing remembered";
    EXPECT_EQ(folder.Read("run.txt"), "xpmessage 204 34\nxpmessage 204 34\n")
        << "the host is told before and after; a cancel shows no message";
    EXPECT_EQ(PreviewDrawing, nullptr);
    EXPECT_EQ(CacheList, nullptr);
}

// Plays the user of one showing: reads the file name the dialog proposes,
// then opens pick, or cancels when pick is empty.
struct UserPlay {
    DWORD testThread;
    std::string pick;
    std::string proposed;
};

DWORD WINAPI PlayFileManager(void* data) {
    UserPlay* play = static_cast<UserPlay*>(data);
    for (int waited = 0; waited < kUserWaitMs; waited += 10) {
        HWND dialog = nullptr;
        EnumThreadWindows(play->testThread, FindFileManager, reinterpret_cast<LPARAM>(&dialog));
        HWND field = dialog ? GetDlgItem(dialog, cmb13) : nullptr;
        if (dialog && !field) field = GetDlgItem(dialog, edt1);
        if (field) {
            char text[MAX_PATH] = "";
            GetWindowTextA(field, text, sizeof text);
            play->proposed = text;
            if (!play->pick.empty()) SetWindowTextA(field, play->pick.c_str());
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(play->pick.empty() ? IDCANCEL : IDOK, BN_CLICKED), 0);
            return 0;
        }
        Sleep(10);
    }
    return 1;
}

// A file chosen with the part flag is remembered and proposed, without its
// extension, by the next showing with the part flag.
TEST(RunFileManager, PartPickIsProposedByTheNextPartShowing) {
    TempFolder folder("fm-part");
    HDL drawing = NewList("PICK.KVW");
    ASSERT_TRUE(WriteDrawingFile(drawing, folder.File("PICK.KVW").c_str()));
    DLDestroy(drawing);
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    SetCurrentDirectoryA(folder.path.c_str());
    char savedKey[MAX_PATH];
    CopyText(savedKey, g_config.rsc3053);
    CopyText(g_config.rsc3053, "Software\\KvTest\\filemanager_unit_part");
    HINSTANCE savedInstance = XpRecord.instance;
    XpRecord.instance = GetModuleHandleA(nullptr);
    lastPartFile[0] = '\0';
    auto show = [](UserPlay* play) {
        ResetCommandState();
        HANDLE user = CreateThread(nullptr, 0, PlayFileManager, play, 0, nullptr);
        char buffer[kPickedPathSize];
        int result = RunFileManager(buffer, sizeof buffer, 1);
        WaitForSingleObject(user, INFINITE);
        CloseHandle(user);
        return result;
    };
    UserPlay pick = {GetCurrentThreadId(), folder.File("PICK.KVW"), ""};
    EXPECT_NE(show(&pick), 0);
    EXPECT_EQ(std::string(lastPartFile), folder.File("PICK.KVW"));
    UserPlay look = {GetCurrentThreadId(), "", ""};
    EXPECT_EQ(show(&look), 0);
    EXPECT_EQ(look.proposed, "PICK");
    XpRecord.instance = savedInstance;
    CopyText(g_config.rsc3053, savedKey);
    SetCurrentDirectoryA(cwd);
    lastPartFile[0] = '\0';
}

// ---- Callbacks ----

TEST(PanelCallbacks, FindSymbolReturnsTheFirstDefinitionsMembers) {
    HDL drawing = NewList("lib");
    AddLine(drawing, 0, 0, 1, 1);
    HostEntity* def = AddSymbolDef(drawing, "BOLT", {0, 0, 0}, {1, 1, 0});
    HDL members = MembersOf(&def);
    AddLine(members, 0, 0, 2, 2);
    AddSymbolDef(drawing, "NUT", {0, 0, 0}, {1, 1, 0});
    EXPECT_EQ(ListToDraw(drawing, "LIB.KVS"), members);
    EXPECT_EQ(ListToDraw(drawing, "LIB.KVW"), drawing) << "only a symbol library shows its symbol";
    DLDestroy(drawing);
}

TEST(PanelCallbacks, LibraryWithoutDefinitionDrawsTheWholeFile) {
    HDL drawing = NewList("lib");
    AddLine(drawing, 0, 0, 1, 1);
    EXPECT_EQ(ListToDraw(drawing, "LIB.KVS"), drawing);
    AddSymbolDef(drawing, "EMPTY", {0, 0, 0}, {1, 1, 0});
    EXPECT_EQ(ListToDraw(drawing, "LIB.KVS"), drawing) << "a definition without members";
    DLDestroy(drawing);
}

// ---- The panel inside a stand-in file dialog ----

// What the stand-in dialog answers to CDM_GETSPEC, CDM_GETFILEPATH and
// CDM_GETFOLDERPATH; a negative length answers "nothing delivered" with that
// result, a length past the buffer answers as the system does for a path
// that does not fit.
struct DialogAnswers {
    std::string selectedName, path, folder;
    int folderResult = 0;  // when non-zero, returned instead of the folder
} g_answers;

LRESULT CALLBACK FakeDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const std::string* text = message == CDM_GETSPEC ? &g_answers.selectedName
                            : message == CDM_GETFILEPATH ? &g_answers.path
                            : message == CDM_GETFOLDERPATH ? &g_answers.folder : nullptr;
    if (!text) return DefWindowProcA(window, message, wParam, lParam);
    if (message == CDM_GETFOLDERPATH && g_answers.folderResult) return g_answers.folderResult;
    if (text->empty()) return 0;
    if (text->size() + 1 > wParam) return text->size() + 1;
    memcpy(reinterpret_cast<char*>(lParam), text->c_str(), text->size() + 1);
    return text->size() + 1;
}

struct Panel : ::testing::Test {
    TempFolder folder{"fm"};
    HWND dialog = nullptr;
    HWND panel = nullptr;
    int gdiBefore = 0;

    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        WNDCLASSA fake = {};
        fake.lpfnWndProc = FakeDialogProc;
        fake.hInstance = GetModuleHandleA(nullptr);
        fake.lpszClassName = "FakeFileDialog";
        RegisterClassA(&fake);
    }
    // A store of its own: the colour table a paint stores goes there.
    void SetUp() override {
        CopyText(g_config.rsc3053, "Software\\KvUnit\\filemanager");
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KvUnit\\filemanager");
        g_answers = DialogAnswers();
        g_answers.folder = folder.path;
        autoPreview = 1;
        autoZoomAll = 0;
        useBrowseFile = 0;
        browseRequested = false;
        ResetCommandState();
        gdiBefore = LiveGdiObjects();
        dialog = CreateWindowA("FakeFileDialog", "File manager", WS_OVERLAPPEDWINDOW, 0, 0, 800, 500,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        panel = CreateDialogParamA(GetModuleHandleA(nullptr), "IDD_DLGFILE", dialog,
                                   reinterpret_cast<DLGPROC>(FileManagerHook), 0);
        ASSERT_NE(panel, nullptr);
    }
    void TearDown() override {
        ClearPreview(panel);
        CloseCache();
        DestroyWindow(dialog);
        EXPECT_EQ(LiveGdiObjects(), gdiBefore) << "the panel leaks GDI objects";
        useBrowseFile = 0;
        autoPreview = 1;
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KvUnit\\filemanager");
    }

    // A drawing of lines from (0,0) to (10,5), a note, and the header as given.
    std::string Save(const char* name, uint8_t valid, uint16_t flags, Point3 min, Point3 max,
                     float x1 = 10, float y1 = 5) {
        HDL list = NewList(name);
        AddLine(list, 0, 0, x1, y1);
        AddNote(list, "Plan", "first\rsecond");
        HeaderBlock* header = HeaderOf(list);
        header->extentsValid = valid;
        header->flags = flags;
        header->min = min;
        header->max = max;
        std::string path = folder.File(name);
        EXPECT_TRUE(WriteDrawingFile(list, path.c_str()));
        DLDestroy(list);
        return path;
    }
    void Select(const std::string& path, const char* name) {
        g_answers.path = path;
        g_answers.selectedName = name;
    }
    // Use browse file on, a fresh drawing of this name selected in the folder.
    void SelectSavedWithCache(const char* name) {
        Save(name, 1, 0, {0, 0, 0}, {10, 5, 0});
        useBrowseFile = 1;
        Select(folder.File(name), name);
        Notify(CDN_SELCHANGE);
    }
    void Notify(UINT code) {
        NMHDR header = {panel, 0, code};
        SendMessageA(panel, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
    }
    void Click(int id) { SendMessageA(panel, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    int TreeCount() {
        return static_cast<int>(SendDlgItemMessageA(panel, IDC_FILE_NOTES, TVM_GETCOUNT, 0, 0));
    }
    bool Checked(int id) { return SendDlgItemMessageA(panel, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    // Shows the panel and has the preview box drawn now.
    void Paint() {
        ShowWindow(dialog, SW_SHOW);
        ShowWindow(panel, SW_SHOW);
        RedrawWindow(GetDlgItem(panel, IDC_FILE_PREVIEW), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    // A drawing whose stored extents are (0,0)-(100,100): two visible lines
    // across, and a line down the middle on hidden layer 5.
    std::string SaveLayered(const char* name) {
        HDL list = NewList(name);
        LayerRecord layers[] = {Layer(5, true)};
        SetLayers(list, layers, 1);
        AddLine(list, 0, 0, 100, 0);
        AddLine(list, 0, 100, 100, 100);
        AddLine(list, 50, 0, 50, 100, 5);
        AddNote(list, "Plan", "first\rsecond");
        HeaderBlock* header = HeaderOf(list);
        header->extentsValid = 1;
        header->min = {0, 0, 0};
        header->max = {100, 100, 0};
        std::string path = folder.File(name);
        EXPECT_TRUE(WriteDrawingFile(list, path.c_str()));
        DLDestroy(list);
        return path;
    }
    // The kept picture of the box: its width, and whether it is dark at x
    // (within a pixel either side) in row y.
    int CopyWidth() {
        BITMAP bitmap = {};
        return ScreenCopy && GetObjectA(ScreenCopy.Get(), sizeof bitmap, &bitmap) ? bitmap.bmWidth : 0;
    }
    bool CopyDarkNear(int x, int y) {
        DeviceContext dc = MakeMemoryDC(nullptr);
        HGDIOBJ kept = SelectObject(dc.Get(), ScreenCopy.Get());
        bool dark = false;
        for (int dx = -1; dx <= 1; ++dx) dark |= GetPixel(dc.Get(), x + dx, y) == RGB(0, 0, 0);
        SelectObject(dc.Get(), kept);
        return dark;
    }
    int ItemWidth() {
        RECT client;
        GetClientRect(GetDlgItem(panel, IDC_FILE_PREVIEW), &client);
        return client.right;
    }
    RECT RectInDialog(HWND window) {
        RECT rect;
        GetWindowRect(window, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(panel, id)) != FALSE; }
};

void ExpectView(float x0, float y0, float x1, float y1) {
    EXPECT_EQ(PreviewView.min[0], x0);
    EXPECT_EQ(PreviewView.min[1], y0);
    EXPECT_EQ(PreviewView.max[0], x1);
    EXPECT_EQ(PreviewView.max[1], y1);
}

TEST_F(Panel, InitAddsTheOneItemAndShowsTheOptions) {
    EXPECT_EQ(SendDlgItemMessageA(panel, IDC_FILE_PREVIEW, LB_GETCOUNT, 0, 0), 1);
    EXPECT_TRUE(Checked(IDC_FILE_AUTOPREVIEW));
    EXPECT_FALSE(Checked(IDC_FILE_AUTOZOOM));
    EXPECT_FALSE(Checked(IDC_FILE_USECACHE));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(panel, IDC_FILE_HELP))) << "Help is in the template, hidden";
}

TEST_F(Panel, MeasureItemAnswersTheBoxHeight) {
    MEASUREITEMSTRUCT measure = {ODT_LISTBOX, IDC_FILE_PREVIEW, 0, 10, 10, 0};
    EXPECT_EQ(FileManagerHook(panel, WM_MEASUREITEM, IDC_FILE_PREVIEW, reinterpret_cast<LPARAM>(&measure)), 1u);
    EXPECT_EQ(measure.itemHeight, 188u);
    EXPECT_EQ(FileManagerHook(panel, WM_COMMAND, MAKEWPARAM(IDC_FILE_ZOOMALL, BN_CLICKED), 0), 0u);
}

TEST_F(Panel, ValidStoredExtentsAreUsed) {
    Select(Save("A.KVW", 1, 0, {-5, -4, 0}, {50, 40, 0}), "A.KVW");
    PreviewSelectedFile(panel);
    ASSERT_NE(PreviewDrawing, nullptr);
    ExpectView(-5, -4, 50, 40);
    EXPECT_TRUE(ScreenCopy) << "the first picture is rendered off-screen";
}

TEST_F(Panel, InvalidStoredExtentsAreRecomputedAndMarkedCurrent) {
    Select(Save("B.KVW", 0, 0, {-5, -4, 0}, {50, 40, 0}), "B.KVW");
    PreviewSelectedFile(panel);
    ASSERT_NE(PreviewDrawing, nullptr);
    ExpectView(0, 0, 10, 5);
    EXPECT_EQ(HeaderOf(PreviewDrawing)->extentsValid, 1);
}

TEST_F(Panel, OutOfDateExtentsAreRecomputedOtherFlagsKept) {
    Select(Save("C.KVW", 1, 0x8002, {-5, -4, 0}, {50, 40, 0}), "C.KVW");
    PreviewSelectedFile(panel);
    ASSERT_NE(PreviewDrawing, nullptr);
    ExpectView(0, 0, 10, 5);
    EXPECT_EQ(HeaderOf(PreviewDrawing)->flags, 0x8000);
}

TEST_F(Panel, StoredExtentsNarrowerThanTheMinimumAreRecomputed) {
    Select(Save("D.KVW", 1, 0, {0, 0, 0}, {0.05f, 40, 0}), "D.KVW");
    PreviewSelectedFile(panel);
    ExpectView(0, 0, 10, 5);
    Select(Save("E.KVW", 1, 0, {0, 0, 0}, {40, 0.05f, 0}), "E.KVW");
    PreviewSelectedFile(panel);
    ExpectView(0, 0, 10, 5);
}

TEST_F(Panel, DrawingOnOnePointGetsTheMinimumWindow) {
    Select(Save("F.KVW", 0, 0, {}, {}, 0, 0), "F.KVW");
    PreviewSelectedFile(panel);
    ExpectView(0, 0, 0.1f, 0.1f);
    PreviewView = PreviewWindow{};
    ZoomAllPreview(panel);
    ExpectView(0, 0, 0.1f, 0.1f);
}

TEST_F(Panel, PreviewFillsTheNotesTreeOnce) {
    Select(Save("G.KVW", 1, 0, {0, 0, 0}, {10, 5, 0}), "G.KVW");
    PreviewSelectedFile(panel);
    EXPECT_EQ(TreeCount(), 3) << "heading and two lines";
    EXPECT_FALSE(NotesRequest);
    Click(IDC_FILE_ZOOMALL);
    UpdateWindow(GetDlgItem(panel, IDC_FILE_PREVIEW));
    EXPECT_EQ(TreeCount(), 3) << "Zoom all does not add the notes again";
}

TEST_F(Panel, UnreadableFileLeavesNoPreview) {
    folder.Write("BAD.KVW", "not a drawing");
    Select(folder.File("BAD.KVW"), "BAD.KVW");
    PreviewSelectedFile(panel);
    EXPECT_EQ(PreviewDrawing, nullptr);
    EXPECT_FALSE(ScreenCopy);
    Select("", "");
    PreviewSelectedFile(panel);
    EXPECT_EQ(PreviewDrawing, nullptr);
}

TEST_F(Panel, ZoomAllWithoutDrawingChangesNothing) {
    PreviewView = PreviewWindow{{1, 2, 0}, {3, 4, 0}};
    ZoomAllPreview(panel);
    ExpectView(1, 2, 3, 4);
}

TEST_F(Panel, SelectionChangeWithoutAutoPreviewOnlyClears) {
    Select(Save("H.KVW", 1, 0, {0, 0, 0}, {10, 5, 0}), "H.KVW");
    PreviewSelectedFile(panel);
    autoPreview = 0;
    Notify(CDN_SELCHANGE);
    EXPECT_EQ(PreviewDrawing, nullptr);
    EXPECT_EQ(TreeCount(), 0);
    Click(IDC_FILE_PREVIEWNOW);
    EXPECT_NE(PreviewDrawing, nullptr) << "Preview makes the picture on demand";
    autoPreview = 1;
    ClearPreview(panel);
    Click(IDC_FILE_PREVIEWNOW);
    EXPECT_EQ(PreviewDrawing, nullptr) << "with Auto-preview on, Preview does nothing";
}

TEST_F(Panel, BrowseNeedsAFolder) {
    char before[kDirSize];
    CopyText(before, browseDirectory);
    g_answers.folder.clear();
    Click(IDC_FILE_BROWSE);
    EXPECT_FALSE(browseRequested);
    EXPECT_STREQ(browseDirectory, before);
    g_answers.folder = folder.path;
    Click(IDC_FILE_BROWSE);
    EXPECT_TRUE(browseRequested);
    EXPECT_EQ(browseDirectory, folder.path);
    MSG msg;
    while (PeekMessageA(&msg, panel, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) {
    }
}

// Regression: a folder path longer than the buffer once left a cut text in
// the browse directory.
TEST_F(Panel, FolderThatDoesNotFitLeavesTheBrowseDirectory) {
    CopyText(browseDirectory, "C:\\kept");
    g_answers.folderResult = 400;
    EXPECT_FALSE(GetShownFolder(panel));
    EXPECT_STREQ(browseDirectory, "C:\\kept");
    g_answers.folderResult = -1;
    EXPECT_FALSE(GetShownFolder(panel));
    EXPECT_STREQ(browseDirectory, "C:\\kept");
}

TEST_F(Panel, UseBrowseFileForcesAutoPreviewAndClosesTheCacheWhenOff) {
    autoPreview = 0;
    SendDlgItemMessageA(panel, IDC_FILE_AUTOPREVIEW, BM_SETCHECK, BST_UNCHECKED, 0);
    Click(IDC_FILE_USECACHE);
    EXPECT_EQ(useBrowseFile, 1);
    EXPECT_EQ(autoPreview, 1);
    EXPECT_TRUE(Checked(IDC_FILE_AUTOPREVIEW));
    EXPECT_FALSE(Enabled(IDC_FILE_AUTOPREVIEW));
    EXPECT_NE(CacheList, nullptr) << "the shown folder's cache is opened";
    Click(IDC_FILE_USECACHE);
    EXPECT_EQ(useBrowseFile, 0);
    EXPECT_TRUE(Enabled(IDC_FILE_AUTOPREVIEW));
    EXPECT_EQ(CacheList, nullptr);
}

// Regression: the lookup opened the selected name relative to the process's
// current directory, which need not be the folder shown (OFN_NOCHANGEDIR):
// the entry then went missing, or belonged to another folder's file.
TEST_F(Panel, LookupOpensTheFileInTheFolderShown) {
    Save("PLAN.KVW", 1, 0, {0, 0, 0}, {10, 5, 0});
    TempFolder elsewhere("fm-cwd");
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    SetCurrentDirectoryA(elsewhere.path.c_str());
    useBrowseFile = 1;
    Select(folder.File("PLAN.KVW"), "PLAN.KVW");
    Notify(CDN_SELCHANGE);
    SetCurrentDirectoryA(cwd);
    ASSERT_NE(AsImageInfo(currentEntry), nullptr);
    EXPECT_STREQ(AsImageInfo(currentEntry)->name, "PLAN.KVW");
    EXPECT_NE(PreviewDrawing, nullptr) << "a fresh entry has no picture: the file is rendered";
}

// Regression: the lookup opened the file for reading and writing without
// sharing, which locked the drawing for that moment and kept read-only
// drawings, and drawings open elsewhere, out of the cache.
TEST_F(Panel, LookupNeedsNoWriteAccessAndNoSharing) {
    Save("RO.KVW", 1, 0, {0, 0, 0}, {10, 5, 0});
    Save("OPEN.KVW", 1, 0, {0, 0, 0}, {10, 5, 0});
    SetFileAttributesA(folder.File("RO.KVW").c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE held = CreateFileA(folder.File("OPEN.KVW").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    useBrowseFile = 1;
    for (const char* name : {"RO.KVW", "OPEN.KVW"}) {
        Select(folder.File(name), name);
        Notify(CDN_SELCHANGE);
        ASSERT_NE(AsImageInfo(currentEntry), nullptr) << name;
        EXPECT_STREQ(AsImageInfo(currentEntry)->name, name);
    }
    CloseHandle(held);
    CreateDirectoryA(folder.File("DIR.KVW").c_str(), nullptr);
    Select(folder.File("DIR.KVW"), "DIR.KVW");
    Notify(CDN_SELCHANGE);
    EXPECT_EQ(currentEntry, nullptr) << "a folder is not a drawing";
}

TEST_F(Panel, NamesWithoutAThreeCharacterExtensionAreNotLookedUp) {
    useBrowseFile = 1;
    folder.Write("plan.ab", "x");
    Select(folder.File("plan.ab"), "plan.ab");
    Notify(CDN_SELCHANGE);
    EXPECT_EQ(currentEntry, nullptr);
    Select(folder.File("sub\\PLAN.KVW"), "sub\\PLAN.KVW");
    Notify(CDN_SELCHANGE);
    EXPECT_EQ(currentEntry, nullptr) << "a name with a folder part is not an entry name";
}

TEST_F(Panel, StoredPictureIsServedWithoutLoading) {
    SelectSavedWithCache("Q.KVW");
    ASSERT_NE(PreviewDrawing, nullptr);
    HWND box = GetDlgItem(panel, IDC_FILE_PREVIEW);
    ShowWindow(dialog, SW_SHOW);
    ShowWindow(panel, SW_SHOW);
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    ASSERT_NE(AsImageInfo(currentEntry), nullptr);
    EXPECT_EQ(AsImageInfo(currentEntry)->state, kPictureMade) << "the drawn picture went into the entry";
    EXPECT_TRUE(CacheDirty);
    Notify(CDN_SELCHANGE);
    EXPECT_EQ(PreviewDrawing, nullptr) << "the second selection is served from the cache";
    EXPECT_TRUE(NotesRequest);
    RECT item;
    GetClientRect(box, &item);
    HDC dc = GetDC(box);
    FillRect(dc, &item, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));  // as a wider picture left it
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(TreeCount(), 3) << "the panel stored the drawing's notes with its picture";
    EXPECT_EQ(GetPixel(dc, item.right - 3, 94), RGB(255, 255, 255)) << "the strip beside the stored picture";
    ReleaseDC(box, dc);
}

// Regression: once the first paint had stored the picture, every later
// paint took the stored picture, and Zoom all and Show all did nothing.
TEST_F(Panel, LoadedDrawingIsRedrawnByZoomAllAndShowAllWithUseBrowseFile) {
    SaveLayered("Z.KVW");
    useBrowseFile = 1;
    Select(folder.File("Z.KVW"), "Z.KVW");
    Notify(CDN_SELCHANGE);
    Paint();
    ASSERT_NE(AsImageInfo(currentEntry), nullptr);
    ASSERT_EQ(AsImageInfo(currentEntry)->state, kPictureMade);
    auto storedPicture = [] {
        return std::string(reinterpret_cast<const char*>(AsImageInfo(currentEntry)->largePicture), 34592);
    };
    std::string stored = storedPicture();
    Click(IDC_FILE_SHOWALL);
    Paint();
    EXPECT_FALSE(ShowAllRequest) << "a drawing served the request";
    ASSERT_EQ(CopyWidth(), ItemWidth()) << "drawn anew into the box";
    EXPECT_TRUE(CopyDarkNear(ItemWidth() / 2, 94)) << "the hidden layer shows";
    Click(IDC_FILE_ZOOMALL);
    Paint();
    ExpectView(0, 0, 100, 100);
    ASSERT_EQ(CopyWidth(), ItemWidth());
    EXPECT_FALSE(CopyDarkNear(ItemWidth() / 2, 94)) << "hidden again";
    EXPECT_EQ(storedPicture(), stored) << "what the buttons draw is not stored";
}

TEST_F(Panel, ZoomAllShowAllAndAutoZoomAll) {
    Select(Save("V.KVW", 1, 0, {-5, -4, 0}, {50, 40, 0}), "V.KVW");
    Click(IDC_FILE_AUTOZOOM);
    EXPECT_EQ(autoZoomAll, 1);
    Notify(CDN_SELCHANGE);
    ExpectView(0, 0, 10, 5);
    EXPECT_EQ(CopyWidth(), 181) << "the first picture is the render, as without Auto-zoom all";
    Click(IDC_FILE_AUTOZOOM);
    EXPECT_EQ(autoZoomAll, 0);
    Notify(CDN_SELCHANGE);
    ExpectView(-5, -4, 50, 40);

    Select(SaveLayered("W.KVW"), "W.KVW");
    Notify(CDN_SELCHANGE);
    Paint();
    EXPECT_FALSE(CopyDarkNear(90, 94)) << "the hidden layer does not show";
    Click(IDC_FILE_SHOWALL);
    EXPECT_FALSE(ScreenCopy);
    EXPECT_TRUE(ShowAllRequest);
    Paint();
    EXPECT_FALSE(ShowAllRequest);
    EXPECT_TRUE(CopyDarkNear(ItemWidth() / 2, 94)) << "Show all draws the hidden layer";
    Click(IDC_FILE_ZOOMALL);
    EXPECT_FALSE(ScreenCopy);
    ExpectView(0, 0, 100, 100);
    Paint();
    EXPECT_EQ(CopyWidth(), ItemWidth());
    EXPECT_FALSE(CopyDarkNear(ItemWidth() / 2, 94)) << "the next drawing hides it again";
}

// The box draws a symbol library's first definition, judged by the entry's
// name or, without one, by the selected name.
TEST_F(Panel, SymbolLibraryDrawsItsFirstDefinitionsMembers) {
    HDL library = NewList("LIB.KVS");
    AddLine(library, 0, 500, 1000, 500);
    HostEntity* def = AddSymbolDef(library, "POST", {0, 0, 0}, {1000, 1000, 0});
    AddLine(MembersOf(&def), 500, 0, 500, 1000);
    ASSERT_TRUE(WriteDrawingFile(library, folder.File("LIB.KVS").c_str()));
    DLDestroy(library);
    WriteDrawingFile(library = NewList("LIB.KVW"), folder.File("LIB.KVW").c_str());
    DLDestroy(library);
    for (int cached = 0; cached < 2; ++cached) {
        useBrowseFile = cached;
        Select(folder.File("LIB.KVS"), "LIB.KVS");
        Notify(CDN_SELCHANGE);
        EXPECT_EQ(currentEntry != nullptr, cached == 1);
        if (cached) g_answers.selectedName = "LIB.KVW";  // the entry's name decides
        Click(IDC_FILE_ZOOMALL);  // the whole file's window: the line across
        Paint();
        ASSERT_EQ(CopyWidth(), ItemWidth());
        EXPECT_TRUE(CopyDarkNear(ItemWidth() / 2, 20)) << "the member line down the middle";
        EXPECT_FALSE(CopyDarkNear(10, 94)) << "the line across is not in the definition";
    }
}

TEST_F(Panel, EntryOfADeletedFileIsNeitherRenderedNorDrawnFromTheCache) {
    colourTableReady = true;
    SelectSavedWithCache("R.KVW");
    ASSERT_NE(AsImageInfo(currentEntry), nullptr);
    AsImageInfo(currentEntry)->state = kFileDeleted;
    CacheDirty = false;
    Notify(CDN_SELCHANGE);
    EXPECT_EQ(PreviewDrawing, nullptr) << "not loaded";
    ShowWindow(dialog, SW_SHOW);
    ShowWindow(panel, SW_SHOW);
    RedrawWindow(GetDlgItem(panel, IDC_FILE_PREVIEW), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(AsImageInfo(currentEntry)->state, kFileDeleted) << "the empty frame is not stored";
    EXPECT_FALSE(CacheDirty);
    colourTableReady = false;
}

TEST_F(Panel, OpeningWithUseBrowseFileOnOpensTheCacheAndLeavesAutoPreviewEnabled) {
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    FILETIME time = {1, 2};
    currentEntry = FindOrAddEntry("OLD.KVW", &time);
    CloseCache();
    ASSERT_EQ(OpenCache(folder.path.c_str()), 1);
    currentEntry = FindOrAddEntry("OLD.KVW", &time);
    DestroyWindow(panel);
    useBrowseFile = 1;
    panel = CreateDialogParamA(GetModuleHandleA(nullptr), "IDD_DLGFILE", dialog,
                               reinterpret_cast<DLGPROC>(FileManagerHook), 0);
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(Checked(IDC_FILE_USECACHE));
    EXPECT_TRUE(Checked(IDC_FILE_AUTOPREVIEW));
    EXPECT_TRUE(Enabled(IDC_FILE_AUTOPREVIEW));
    EXPECT_NE(CacheList, nullptr);
    EXPECT_EQ(std::string(CachePath), folder.File("~BRINFO.KVW"));
    EXPECT_EQ(currentEntry, nullptr);
}

TEST_F(Panel, TurningUseBrowseFileOffSavesTheChangedCache) {
    Save("S.KVW", 1, 0, {0, 0, 0}, {10, 5, 0});
    Click(IDC_FILE_USECACHE);
    Select(folder.File("S.KVW"), "S.KVW");
    Notify(CDN_SELCHANGE);
    ASSERT_TRUE(CacheDirty);
    Click(IDC_FILE_USECACHE);
    EXPECT_EQ(CacheList, nullptr);
    EXPECT_EQ(currentEntry, nullptr);
    DWORD attributes = GetFileAttributesA(folder.File("~BRINFO.KVW").c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << "the changed cache is saved";
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(Panel, SwitchingFoldersSavesTheOldCacheAndForgetsTheEntry) {
    SelectSavedWithCache("T.KVW");
    ASSERT_NE(currentEntry, nullptr);
    TempFolder other("fm-other");
    g_answers.folder = other.path;
    Select(other.File("README"), "README");
    Notify(CDN_SELCHANGE);
    EXPECT_EQ(currentEntry, nullptr);
    EXPECT_EQ(std::string(CachePath), other.File("~BRINFO.KVW"));
    EXPECT_NE(GetFileAttributesA(folder.File("~BRINFO.KVW").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the changed cache of the folder left is saved";
    CloseCache();
}

// Regression: Wine widens the place of the system dialog's own controls but
// moves the panel's column by less; its toolbar then hid "Preview:".
TEST_F(Panel, ColumnMovesClearOfSystemControlsOnceTheDialogIsPlaced) {
    HWND box = GetDlgItem(panel, IDC_FILE_PREVIEW);
    HWND label = FindWindowExA(panel, nullptr, "Static", "Preview:");
    ASSERT_NE(label, nullptr);
    RECT boxBefore = RectInDialog(box), treeBefore = RectInDialog(GetDlgItem(panel, IDC_FILE_NOTES));
    RECT zoomBefore = RectInDialog(GetDlgItem(panel, IDC_FILE_ZOOMALL));
    HWND hidden = CreateWindowA("Static", "", WS_CHILD, boxBefore.left - 50, boxBefore.top, 100, 20, dialog,
                                nullptr, nullptr, nullptr);
    Notify(CDN_INITDONE);
    EXPECT_EQ(RectInDialog(box).left, boxBefore.left) << "nothing visible reaches into the column";
    RECT labelBefore = RectInDialog(label);
    HWND toolbar = CreateWindowA("Static", "", WS_CHILD | WS_VISIBLE, labelBefore.left - 60, labelBefore.top,
                                 70, 20, dialog, nullptr, nullptr, nullptr);
    Notify(CDN_INITDONE);
    EXPECT_GE(RectInDialog(label).left, labelBefore.left + 10);
    int shift = RectInDialog(box).left - boxBefore.left;
    EXPECT_EQ(shift, RectInDialog(label).left - labelBefore.left);
    EXPECT_EQ(RectInDialog(GetDlgItem(panel, IDC_FILE_ZOOMALL)).left, zoomBefore.left + shift);
    EXPECT_EQ(RectInDialog(GetDlgItem(panel, IDC_FILE_NOTES)).left, treeBefore.left);
    DestroyWindow(toolbar);
    DestroyWindow(hidden);
}

TEST_F(Panel, NoteScanPutsOnlyNotesIntoTheTree) {
    HDL list = NewList("notes");
    AddLine(list, 0, 0, 1, 1);
    AddNote(list, "One", "a");
    AddNote(list, "Two", "");
    host::DLScan(list, NoteScanCallback, 0, reinterpret_cast<intptr_t>(panel), 0);
    EXPECT_EQ(TreeCount(), 3);
    DLDestroy(list);
}

}  // namespace
