// The preview renderer: window fit, layer visibility, notes into the tree
// and into cache entries, the one-shot requests, and GDI hygiene.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <cmath>
#include <limits>

#include <string>
#include <vector>

#include "host/host.h"
#include "host/records.h"
#include "module/gdi.h"
#include "module/state.h"
#include "preview/preview.h"
#include "standin/standin.h"
#include "tests/support/records.h"

using namespace testrec;

namespace {

// A memory device context with a bitmap of its own selected, compatible
// with the screen: where an owner-drawn item is drawn.
struct Surface {
    WindowDC screen{nullptr};
    DeviceContext dc = MakeMemoryDC(screen.Get());
    Bitmap bitmap;
    HGDIOBJ kept;
    Surface(int width, int height)
        : bitmap(MakeBitmap(screen.Get(), width, height)), kept(SelectObject(dc.Get(), bitmap.Get())) {}
    ~Surface() { SelectObject(dc.Get(), kept); }
    HDC Get() const { return dc.Get(); }
};

PreviewWindow Window(float x0, float y0, float x1, float y1) {
    return PreviewWindow{{x0, y0, 0}, {x1, y1, 0}};
}

// ---- Window fit and minimum size ----

TEST(WindowFit, NarrowExtentsGetExactlyTheSinglePrecisionMinimum) {
    PreviewWindow w = Window(5, 2, 5.03f, 9);
    ApplyMinimumSize(&w);
    EXPECT_EQ(w.max[0], 5 + 0.1f);
    EXPECT_EQ(w.min[0], 5.0f) << "the window starts at the minimum";
    EXPECT_EQ(w.max[1], 9.0f) << "a tall enough window is left alone";
}

TEST(WindowFit, MinimumIsComparedInDoublePrecision) {
    // 0.1f is slightly more than 0.1, so a window of exactly 0.1f passes.
    PreviewWindow w = Window(0, 0, 0.1f, 0.1f);
    ApplyMinimumSize(&w);
    EXPECT_EQ(w.max[0], 0.1f);
    EXPECT_EQ(w.max[1], 0.1f);
    // 0.0999999 is less than 0.1 in double precision: widened.
    PreviewWindow v = Window(1, 1, 1.0999999f, 2);
    ApplyMinimumSize(&v);
    EXPECT_EQ(v.max[0], 1 + 0.1f);
}

// Regression: far from the origin 0.1 was added in single precision and
// lost, so a one-point drawing at 1e8 got a window of no width or height.
TEST(WindowFit, FarFromTheOriginTheWindowStillHasWidthAndHeight) {
    const float maxFloat = std::numeric_limits<float>::max();
    for (float at : {1e8f, -1e8f, 3e37f, maxFloat}) {
        PreviewWindow w = Window(at, at, at, at);
        ApplyMinimumSize(&w);
        EXPECT_GT(w.max[0], w.min[0]) << at;
        EXPECT_GT(w.max[1], w.min[1]) << at;
        EXPECT_TRUE(std::isfinite(w.min[0]) && std::isfinite(w.max[0])) << at;
        float fitted[4];
        FitWindowToPixels(w, 181, 188, fitted);
        EXPECT_GT(fitted[2], fitted[0]) << at;
        EXPECT_GT(fitted[3], fitted[1]) << at;
    }
}

TEST(WindowFit, EqualShapesWidenYByZero) {
    float fitted[4];
    FitWindowToPixels(Window(10, 20, 191, 208), 181, 188, fitted);
    EXPECT_EQ(fitted[0], 10.0f);
    EXPECT_EQ(fitted[1], 20.0f);
    EXPECT_EQ(fitted[2], 191.0f);
    EXPECT_EQ(fitted[3], 208.0f);
}

TEST(WindowFit, WideDrawingIsCentredVertically) {
    float fitted[4];
    FitWindowToPixels(Window(0, 0, 100, 10), 100, 100, fitted);
    EXPECT_FLOAT_EQ(fitted[0], 0);
    EXPECT_FLOAT_EQ(fitted[2], 100);
    EXPECT_FLOAT_EQ(fitted[1], -45);
    EXPECT_FLOAT_EQ(fitted[3], 55);
}

TEST(WindowFit, TallDrawingIsCentredHorizontally) {
    float fitted[4];
    FitWindowToPixels(Window(0, 0, 10, 100), 200, 100, fitted);
    EXPECT_FLOAT_EQ(fitted[1], 0);
    EXPECT_FLOAT_EQ(fitted[3], 100);
    EXPECT_FLOAT_EQ(fitted[0], -95);
    EXPECT_FLOAT_EQ(fitted[2], 105);
}

TEST(WindowFit, BrokenExtentsNeverReachTheDevice) {
    float fitted[4];
    float nan = std::numeric_limits<float>::quiet_NaN();
    FitWindowToPixels(Window(nan, 0, 1, 1), 181, 188, fitted);
    for (float v : fitted) EXPECT_TRUE(std::isfinite(v));
}

// ---- Layer visibility ----

struct LayerTable : ::testing::Test {
    HDL drawing = NewList("layers");
    void SetUp() override {
        LayerRecord layers[] = {Layer(1, false), Layer(2, true), Layer(-3, true), Layer(4, false)};
        SetLayers(drawing, layers, 4);
    }
    void TearDown() override { DLDestroy(drawing); }
    unsigned char* Table() { return static_cast<unsigned char*>(host::DLGetIBAdr(drawing, 3)); }
    void SetRecordLength(int index, uint32_t length) {
        memcpy(Table() + 16 + index * sizeof(LayerRecord), &length, 4);
    }
};

TEST_F(LayerTable, HiddenFlagHidesOnlyItsLayer) {
    EXPECT_TRUE(LayerVisible(drawing, 1));
    EXPECT_FALSE(LayerVisible(drawing, 2));
    EXPECT_FALSE(LayerVisible(drawing, -3)) << "layer numbers are signed";
    EXPECT_TRUE(LayerVisible(drawing, 4));
    EXPECT_TRUE(LayerVisible(drawing, 99)) << "a layer without a record is visible";
}

TEST_F(LayerTable, NoDrawingOrNoTableShowsEverything) {
    EXPECT_TRUE(LayerVisible(nullptr, 2));
    HDL bare = NewList("bare");
    EXPECT_TRUE(LayerVisible(bare, 2));
    DLDestroy(bare);
}

// Regression: a record length that does not move forward, or steps past the
// block, once made the walk loop for ever or read past the table.
TEST_F(LayerTable, MalformedRecordEndsTheWalkSafely) {
    SetRecordLength(0, 3);
    EXPECT_TRUE(LayerVisible(drawing, 2)) << "the rest of a malformed table counts as absent";
    SetRecordLength(0, sizeof(LayerRecord));
    SetRecordLength(1, 0x7FFFFFF0);
    EXPECT_TRUE(LayerVisible(drawing, 2));
    EXPECT_TRUE(LayerVisible(drawing, -3));
    SetRecordLength(1, sizeof(LayerRecord));
    uint32_t tooSmall = 16 + sizeof(LayerRecord);
    memcpy(Table(), &tooSmall, 4);
    EXPECT_TRUE(LayerVisible(drawing, 1));
    EXPECT_TRUE(LayerVisible(drawing, 2)) << "records past the block's size are not read";
}

// Regression: the walk was bounded by the head's first word, which only our
// stand-in fills with the block's size; with anything else there every
// hidden layer showed.
TEST_F(LayerTable, HeadHoldingNoSizeStillFindsHiddenLayers) {
    for (uint32_t head : {0u, 4u, 0xFFFFFFFFu}) {
        memcpy(Table(), &head, 4);
        EXPECT_FALSE(LayerVisible(drawing, 2)) << head;
        EXPECT_FALSE(LayerVisible(drawing, -3)) << head;
        EXPECT_TRUE(LayerVisible(drawing, 4)) << head;
        EXPECT_TRUE(LayerVisible(drawing, 99)) << head << ": the end record stops the walk";
    }
    uint32_t noSize = 0;
    memcpy(Table(), &noSize, 4);
    SetRecordLength(0, 7);
    EXPECT_TRUE(LayerVisible(drawing, 2)) << "a length below a record's minimum ends the walk";
}

TEST_F(LayerTable, WalkEndsAfterTheCap) {
    std::vector<LayerRecord> layers(70000, Layer(1, false));
    layers[60000] = Layer(3, true);
    layers.back() = Layer(2, true);
    SetLayers(drawing, layers.data(), static_cast<int>(layers.size()));
    uint32_t noSize = 0;
    memcpy(Table(), &noSize, 4);
    EXPECT_FALSE(LayerVisible(drawing, 3));
    EXPECT_TRUE(LayerVisible(drawing, 2)) << "the walk stops after 65536 records";
}

TEST_F(LayerTable, EndRecordStopsTheWalk) {
    SetRecordLength(1, 0);
    EXPECT_TRUE(LayerVisible(drawing, 2));
    EXPECT_TRUE(LayerVisible(drawing, -3)) << "records after the end record are not read";
}

// ---- Notes into the tree ----

struct NotesTree : ::testing::Test {
    HWND window = nullptr;
    HWND tree = nullptr;
    void SetUp() override {
        window = CreateWindowA("STATIC", "notes", WS_OVERLAPPEDWINDOW, 0, 0, 300, 300, nullptr,
                               nullptr, nullptr, nullptr);
        tree = CreateWindowA(WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE, 0, 0, 300, 300, window,
                             reinterpret_cast<HMENU>(1000), nullptr, nullptr);
    }
    void TearDown() override { DestroyWindow(window); }

    std::string Text(HTREEITEM item) {
        char text[1100];
        TreeItemText(tree, item, text, sizeof text);
        return text;
    }
    HTREEITEM Next(HTREEITEM item, UINT how) {
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
    }
    // "heading: child|child" per top-level item, in tree order.
    std::vector<std::string> Items() {
        std::vector<std::string> out;
        for (HTREEITEM top = Next(nullptr, TVGN_ROOT); top; top = Next(top, TVGN_NEXT)) {
            std::string line = Text(top) + ":";
            const char* separator = "";
            for (HTREEITEM child = Next(top, TVGN_CHILD); child; child = Next(child, TVGN_NEXT)) {
                line += separator + Text(child);
                separator = "|";
            }
            out.push_back(line);
        }
        return out;
    }
    void Add(const char* heading, const std::string& body) {
        HDL list = NewList("n");
        AddNoteToTree(window, AddNote(list, heading, body));
        DLDestroy(list);
    }
};

TEST_F(NotesTree, BodySplitsAtCarriageReturnsSkippingWhatFollows) {
    Add("Plan", "A\r\n\r\nB");
    EXPECT_EQ(Items(), std::vector<std::string>{"Plan:A|B"});
}

TEST_F(NotesTree, LeadingCarriageReturnGivesAnEmptyFirstChild) {
    Add("N", "\rX");
    EXPECT_EQ(Items(), std::vector<std::string>{"N:|X"});
}

TEST_F(NotesTree, BodyWithoutReturnsIsOneChildLineFeedsIncluded) {
    Add("N", "one\ntwo");
    EXPECT_EQ(Items(), std::vector<std::string>{"N:one\ntwo"});
}

TEST_F(NotesTree, EmptyBodyGivesNoChildAndTrailingReturnNoEmptyLast) {
    Add("Empty", "");
    Add("Trail", "last\r\n");
    EXPECT_EQ(Items(), (std::vector<std::string>{"Empty:", "Trail:last"}));
}

TEST_F(NotesTree, HeadingsAreSortedAndCutToTheirField) {
    Add("Zeta", "z");
    Add("Alpha", "a");
    EXPECT_EQ(Items(), (std::vector<std::string>{"Alpha:a", "Zeta:z"}));
}

int Count(HWND tree) { return static_cast<int>(SendMessageA(tree, TVM_GETCOUNT, 0, 0)); }

// Regression: a cache entry of 3000 notes of 100 lines froze one selection
// for over a minute. The tree takes 1000 notes and 10,000 lines, then one
// item says that the rest is left out; an emptied tree starts anew.
TEST_F(NotesTree, HostileNotesAreCappedAndTheRestIsNamed) {
    std::string body;
    for (int i = 0; i < 100; ++i) body += "line\r";
    HDL list = NewList("n");
    for (int i = 0; i < 3000; ++i) AddNote(list, "Note", body);
    for (HostEntity* e = FirstEntity(list); e; e = NextEntity(e)) AddNoteToTree(window, e);
    EXPECT_LE(Count(tree), 1000 + 10000 + 1);
    HTREEITEM last = nullptr;
    int roots = 0;
    for (HTREEITEM top = Next(nullptr, TVGN_ROOT); top; top = Next(top, TVGN_NEXT)) last = top, ++roots;
    EXPECT_EQ(roots, 100 + 1) << "100 notes of 100 lines fill the lines";
    EXPECT_EQ(Text(last), "(the rest of the notes is left out)");
    SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    for (int i = 0; i < 1500; ++i) AddNote(list, "Short", "");
    for (HostEntity* e = FirstEntity(list); e; e = NextEntity(e)) {
        if (e[30] == 'S') AddNoteToTree(window, e);
    }
    EXPECT_EQ(Count(tree), 1000 + 1) << "notes without lines: 1000 of them";
    SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    Add("One", "a\rb");
    EXPECT_EQ(Items(), std::vector<std::string>{"One:a|b"}) << "an emptied tree takes notes again";
    DLDestroy(list);
}

TEST_F(NotesTree, LongBodyIsCutAtTheLineCapAndReadOnlySoFar) {
    std::string body;
    for (int i = 0; i < 20000; ++i) body += "x\r";
    Add("Long", body);
    EXPECT_EQ(Count(tree), 1 + 10000 + 1);
    SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    Add("Wide", std::string(70000, 'w') + "\rpast what is read");
    EXPECT_EQ(Count(tree), 1 + 1) << "the body is read to 64 KiB: one line";
}

// A note whose fields run to the record's end (no terminator) is read only
// up to the end of the record.
TEST_F(NotesTree, UnterminatedBodyIsBoundedByTheRecord) {
    HDL list = NewList("n");
    HostEntity* note = AddNote(list, "H", "abc");
    note[EntityLength(note) - 1] = 'd';  // overwrite the body's terminator
    AddNoteToTree(window, note);
    EXPECT_EQ(Items(), std::vector<std::string>{"H:abcd"});
    DLDestroy(list);
}

// ---- Notes into a cache entry, requests, and state around a render ----

std::vector<unsigned char> EntryBytes() {
    std::vector<unsigned char> entry(43646);
    EntityHead head = Head(4, 43646);
    memcpy(entry.data(), &head, sizeof head);
    entry[28] = 0x05;
    entry[29] = 0xA0;
    return entry;
}

struct Render : ::testing::Test {
    HDL cache = NewList("cache");
    HDL drawing = NewList("drawing");
    void SetUp() override {
        LayerRecord layers[] = {Layer(7, true)};
        SetLayers(drawing, layers, 1);
        AddLine(drawing, 0, 0, 10, 10);
        AddNote(drawing, "Visible", "one\rtwo");
        AddNote(drawing, "Hidden", "on a hidden layer", 7);
    }
    void TearDown() override {
        DLDestroy(drawing);
        DLDestroy(cache);
        ShowAllRequest = NotesRequest = false;
    }
};

TEST_F(Render, NotesGoIntoTheEntryWhichMovesAndTheHolderFollows) {
    std::vector<unsigned char> bytes = EntryBytes();
    HostEntity* entry = host::DLApnd(cache, bytes.data());
    HostEntity* holder = entry;
    ASSERT_TRUE(RenderToBitmap(drawing, drawing, 181, 188, &holder, nullptr));
    EXPECT_NE(holder, entry) << "making the member list moves the entry";
    HDL members = host::DLGetSubList(holder);
    ASSERT_NE(members, nullptr);
    std::vector<std::string> headings;
    for (HostEntity* e = FirstEntity(members); e; e = NextEntity(e)) {
        headings.push_back(reinterpret_cast<const char*>(e + 30));
    }
    EXPECT_EQ(headings, (std::vector<std::string>{"Visible", "Hidden"}))
        << "notes on hidden layers are collected too";
}

TEST_F(Render, PreviewDrawingIsRestoredOnSuccessAndOnFailure) {
    HDL marker = NewList("marker");
    PreviewDrawing = marker;
    RenderToBitmap(drawing, drawing, 181, 188, nullptr, nullptr);
    EXPECT_EQ(PreviewDrawing, marker);
    // A bitmap this large cannot be made: the render gives none.
    EXPECT_FALSE(RenderToBitmap(drawing, drawing, 100000, 100000, nullptr, nullptr));
    EXPECT_EQ(PreviewDrawing, marker);
    PreviewDrawing = nullptr;
    DLDestroy(marker);
}

TEST_F(Render, OffScreenRendersClearShowAllAndServeNotesOnlyWithATree) {
    ShowAllRequest = true;
    NotesRequest = true;
    RenderToBitmap(drawing, drawing, 90, 94, nullptr, nullptr);
    EXPECT_FALSE(ShowAllRequest);
    EXPECT_TRUE(NotesRequest) << "no notes window: the request waits for one";
}

TEST_F(Render, HeaderExtentsAreMarkedCurrentOtherFlagsKept) {
    HeaderBlock* header = HeaderOf(drawing);
    header->extentsValid = 0;
    header->flags = 2 | 8 | 0x100;
    RenderToBitmap(drawing, drawing, 181, 188, nullptr, nullptr);
    EXPECT_EQ(header->extentsValid, 1);
    EXPECT_EQ(header->flags, 8 | 0x100);
}

TEST_F(Render, NoGdiObjectOutlivesARenderOrAPaint) {
    int before = LiveGdiObjects();
    for (int i = 0; i < 50; ++i) RenderToBitmap(drawing, drawing, 181, 188, nullptr, nullptr);
    RenderToBitmap(drawing, drawing, 1 << 20, 1 << 20, nullptr, nullptr);
    EXPECT_EQ(LiveGdiObjects(), before);

    Surface surface(200, 200);
    DRAWITEMSTRUCT item = {};
    item.hDC = surface.Get();
    item.rcItem = {0, 0, 181, 188};
    PreviewView = Window(0, 0, 10, 10);
    int painting = LiveGdiObjects();
    host::DevUseOwnerDraw(&item);
    PaintPreviewItem(&item, drawing, PreviewDrawing, nullptr);
    EXPECT_EQ(LiveGdiObjects(), painting + 1) << "only the kept screen copy stays";
    PaintPreviewItem(&item, drawing, PreviewDrawing, nullptr);
    host::DevUsePrior();
    EXPECT_EQ(LiveGdiObjects(), painting + 1) << "a repaint copies the kept picture";
    DropScreenCopy();
    EXPECT_EQ(LiveGdiObjects(), painting);
}

// ---- Extents ----

struct Extents : ::testing::Test {
    HDL drawing = NewList("extents");
    void SetUp() override {
        LayerRecord layers[] = {Layer(9, true)};
        SetLayers(drawing, layers, 1);
        PreviewDrawing = drawing;
    }
    void TearDown() override {
        PreviewDrawing = nullptr;
        DLDestroy(drawing);
    }
    PreviewWindow Measure() {
        PreviewWindow w;
        DrawingExtents(drawing, drawing, &w);
        return w;
    }
};

TEST_F(Extents, HiddenLayersDefinitionsAndViewMarksDoNotCount) {
    AddLine(drawing, 0, 0, 10, 5);
    AddLine(drawing, -500, -500, 500, 500, 9);
    AddFrame(drawing, -300, -300, 300, 300, 9);
    AddSymbolDef(drawing, "S", {-900, -900, 0}, {900, 900, 0});
    AddPlain(drawing, kViewMark, 0, sizeof(ViewMarkRecord) - sizeof(EntityHead));
    PreviewWindow w = Measure();
    EXPECT_FLOAT_EQ(w.min[0], 0);
    EXPECT_FLOAT_EQ(w.min[1], 0);
    EXPECT_FLOAT_EQ(w.max[0], 10);
    EXPECT_FLOAT_EQ(w.max[1], 5);
}

TEST_F(Extents, SymbolReferenceCountsByItsDefinitionsBoxOnAnyLayer) {
    AddLine(drawing, 0, 0, 1, 1);
    HostEntity* def = AddSymbolDef(drawing, "BOX", {0, 0, 0}, {10, 20, 0});
    HDL members = MembersOf(&def);
    AddLine(members, 0, 0, 10, 20);
    HostEntity* ref = AddSymbolRef(drawing, "BOX", {{100, 50, 0}, 2, 2, 0}, 9);
    LinkSymbolReferences(drawing);
    PreviewWindow w = Measure();
    EXPECT_FLOAT_EQ(w.max[0], 120);
    EXPECT_FLOAT_EQ(w.max[1], 90);
    float corner[3];
    memcpy(corner, ref + 40, sizeof corner);
    EXPECT_FLOAT_EQ(corner[0], 120) << "the reference's corners hold the placed box";
    EXPECT_FLOAT_EQ(corner[1], 90);
}

// Regression: only the definition's two stored corners were placed, so a
// reference turned by 45 degrees measured (0,0)-(5.66,8.49) and its picture
// was cut at the edge.
TEST_F(Extents, RotatedReferenceCountsByAllFourCornersOfItsBox) {
    AddSymbolDef(drawing, "BAR", {0, 0, 0}, {10, 2, 0});
    HostEntity* ref = AddSymbolRef(drawing, "BAR", {{0, 0, 0}, 1, 1, 0.7853982f});
    LinkSymbolReferences(drawing);
    PreviewWindow w = Measure();
    EXPECT_NEAR(w.min[0], -1.414, 0.01);
    EXPECT_NEAR(w.min[1], 0, 0.01);
    EXPECT_NEAR(w.max[0], 7.071, 0.01);
    EXPECT_NEAR(w.max[1], 8.485, 0.01);
    float corner[3];
    memcpy(corner, ref + 28, sizeof corner);
    EXPECT_NEAR(corner[0], -1.414, 0.01) << "the reference's corners hold the placed box";
}

TEST_F(Extents, GroupCountsThroughItsMembersOnlyWithBitOne) {
    AddLine(drawing, 0, 0, 1, 1);
    HostEntity* counted = AddGroup(drawing, 2, 9);  // hidden group, members count
    HDL members = MembersOf(&counted);
    AddLine(members, 0, 0, 40, 30);
    AddLine(members, 0, 0, 900, 900, 9);  // hidden member
    HostEntity* ignored = AddGroup(drawing, 1);
    AddLine(MembersOf(&ignored), -70, -70, 0, 0);
    PreviewWindow w = Measure();
    EXPECT_FLOAT_EQ(w.min[0], 0);
    EXPECT_FLOAT_EQ(w.max[0], 40);
    EXPECT_FLOAT_EQ(w.max[1], 30);
}

// ---- Pictures: what is drawn, where, in which colour ----

struct Pixels : ::testing::Test {
    HDL drawing = NewList("pixels");
    Bitmap picture;
    void SetUp() override {
        LayerRecord layers[] = {Layer(9, true)};
        SetLayers(drawing, layers, 1);
        HeaderOf(drawing)->background = 15;
    }
    void TearDown() override {
        picture.Reset();
        DLDestroy(drawing);
        ShowAllRequest = false;
    }
    void Render(int width = 181, int height = 188) {
        picture = RenderToBitmap(drawing, drawing, width, height, nullptr, nullptr);
        ASSERT_TRUE(picture);
    }
    COLORREF At(int x, int y) {
        DeviceContext dc = MakeMemoryDC(nullptr);
        HGDIOBJ kept = SelectObject(dc.Get(), picture.Get());
        COLORREF colour = GetPixel(dc.Get(), x, y);
        SelectObject(dc.Get(), kept);
        return colour;
    }
    bool DarkRowNear(int x, int y) {
        for (int dy = -1; dy <= 1; ++dy) {
            if (At(x, y + dy) == RGB(0, 0, 0)) return true;
        }
        return false;
    }
    bool DarkColumnNear(int x, int y) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (At(x + dx, y) == RGB(0, 0, 0)) return true;
        }
        return false;
    }
};

TEST_F(Pixels, HiddenLayersAreLeftOutButFramesAndReferencesAlwaysShow) {
    AddFrame(drawing, 0, 0, 181, 188);
    AddLine(drawing, 0, 94, 181, 94);
    AddLine(drawing, 60, 0, 60, 188, 9);               // hidden
    AddFrame(drawing, 20, 20, 160, 168, 9);            // type 18 on a hidden layer
    HostEntity* def = AddSymbolDef(drawing, "V", {0, 0, 0}, {1, 1, 0});
    AddLine(MembersOf(&def), 0, 0, 0, 100);
    AddSymbolRef(drawing, "V", {{120, 10, 0}, 1, 1, 0}, 9);  // reference on a hidden layer
    LinkSymbolReferences(drawing);
    ShowAllRequest = true;  // never honoured off-screen
    Render();
    EXPECT_TRUE(DarkRowNear(100, 94)) << "visible line";
    EXPECT_EQ(At(60, 50), RGB(255, 255, 255)) << "line on a hidden layer";
    EXPECT_TRUE(DarkRowNear(100, 188 - 168)) << "frame drawn whatever its layer";
    EXPECT_TRUE(DarkColumnNear(120, 188 - 60)) << "reference drawn whatever its layer";
}

TEST_F(Pixels, BackgroundComesFromTheHeader) {
    HeaderOf(drawing)->background = 1;
    AddLine(drawing, 0, 0, 10, 10);
    Render();
    EXPECT_EQ(At(170, 5), RGB(0, 0, 128));
}

TEST_F(Pixels, WideDrawingIsCentredVertically) {
    AddLine(drawing, 0, 0, 181, 0);
    AddLine(drawing, 0, 94, 181, 94);
    Render();
    EXPECT_TRUE(DarkRowNear(90, 141)) << "y 0 lies a quarter of the height below the middle";
    EXPECT_TRUE(DarkRowNear(90, 47));
    EXPECT_EQ(At(90, 10), RGB(255, 255, 255));
    EXPECT_EQ(At(90, 180), RGB(255, 255, 255));
}

TEST_F(Pixels, ShowAllAppliesToTheNextPaintOnlyAndRepaintsCopy) {
    AddFrame(drawing, 0, 0, 181, 188);
    AddLine(drawing, 60, 0, 60, 188, 9);
    Surface surface(181, 188);
    HDC target = surface.Get();
    DRAWITEMSTRUCT item = {};
    item.hDC = target;
    item.rcItem = {0, 0, 181, 188};
    PreviewView = PreviewWindow{{0, 0, 0}, {181, 188, 0}};
    PreviewDrawing = drawing;
    auto hiddenShown = [&] {
        for (int dx = -1; dx <= 1; ++dx) {
            if (GetPixel(target, 60 + dx, 90) == RGB(0, 0, 0)) return true;
        }
        return false;
    };
    auto paint = [&] {
        host::DevUseOwnerDraw(&item);
        PaintPreviewItem(&item, drawing, PreviewDrawing, nullptr);
        host::DevUsePrior();
    };
    ShowAllRequest = true;
    paint();
    EXPECT_TRUE(hiddenShown());
    EXPECT_FALSE(ShowAllRequest);
    RECT all = {0, 0, 181, 188};
    FillRect(target, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    paint();
    EXPECT_TRUE(hiddenShown()) << "a repaint copies the kept picture";
    DropScreenCopy();
    paint();
    EXPECT_FALSE(hiddenShown()) << "drawn anew: hidden again";
    DropScreenCopy();
    PreviewDrawing = nullptr;
}

// An item wider than the 181-pixel picture, on a surface left black, as a
// previous picture would leave it.
struct WideItem {
    Surface surface{215, 188};
    HDC target = surface.Get();
    DRAWITEMSTRUCT item = {};
    WideItem() {
        item.hDC = target;
        item.rcItem = {0, 0, 215, 188};
        FillRect(target, &item.rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    void Paint(HDL list) {
        host::DevUseOwnerDraw(&item);
        PaintPreviewItem(&item, list, PreviewDrawing, nullptr);
        host::DevUsePrior();
    }
};

// Regression: the kept 181-pixel copy went into the wider item without
// clearing it, and the strip beside it kept the previous picture.
TEST_F(Pixels, PreviewItemShowsOnePictureOnTheHeadersBackground) {
    HeaderOf(drawing)->background = 1;
    AddLine(drawing, 0, 0, 10, 10);
    WideItem wide;
    ScreenCopy = RenderToBitmap(drawing, drawing, 181, 188, nullptr, nullptr);
    wide.Paint(drawing);
    EXPECT_EQ(GetPixel(wide.target, 200, 100), RGB(0, 0, 128)) << "the strip beside the copy";
    EXPECT_EQ(GetPixel(wide.target, 170, 5), RGB(0, 0, 128)) << "the copy";
    DropScreenCopy();
    FillRect(wide.target, &wide.item.rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    PreviewView = Window(0, 0, 10, 10);
    wide.Paint(drawing);
    EXPECT_EQ(GetPixel(wide.target, 2, 2), RGB(0, 0, 128)) << "drawn anew, on the header's background";
    EXPECT_EQ(GetPixel(wide.target, 212, 185), RGB(0, 0, 128));
    DropScreenCopy();
}

TEST_F(Pixels, EmptyFrameIsACrossInAFrameOnWhite) {
    Surface surface(100, 100);
    HDC target = surface.Get();
    RECT all = {0, 0, 100, 100};
    FillRect(target, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    host::DevUseBitmap(target);
    RECT box = {10, 10, 90, 90};
    DrawEmptyFrame(&box);
    host::DevUsePrior();
    EXPECT_EQ(box.left, 10) << "the caller's rectangle is not changed";
    EXPECT_EQ(GetPixel(target, 11, 50), RGB(255, 255, 255)) << "colour 15 fills the rectangle";
    EXPECT_EQ(GetPixel(target, 5, 5), RGB(0, 0, 0)) << "nothing outside it";
    EXPECT_EQ(GetPixel(target, 13, 50), RGB(0, 0, 0)) << "frame at left + 3";
    EXPECT_EQ(GetPixel(target, 50, 13), RGB(0, 0, 0)) << "frame at top + 3";
    // The device's frame covers its rectangle's last column and row.
    EXPECT_EQ(GetPixel(target, 85, 50), RGB(0, 0, 0)) << "frame at right - 4";
    EXPECT_EQ(GetPixel(target, 86, 50), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(target, 50, 86), RGB(0, 0, 0)) << "frame at bottom - 3";
    EXPECT_EQ(GetPixel(target, 50, 87), RGB(255, 255, 255));
    bool crossed = false;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) crossed |= GetPixel(target, 50 + dx, 50 + dy) == RGB(0, 0, 0);
    }
    EXPECT_TRUE(crossed) << "the cross meets in the middle";
    EXPECT_EQ(GetPixel(target, 50, 30), RGB(255, 255, 255));
}

}  // namespace
