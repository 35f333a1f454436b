// The row painter: row heights, picture boxes and name bands at their
// places, the empty frame, small pictures and the shrunk large picture, and
// the picture description restored after every row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browsecache/cache.h"
#include "browser/browser.h"
#include "browser/browserinternal.h"
#include "host/host.h"
#include "module/state.h"
#include "standin/drawing/drawing.h"
#include "standin/standin.h"
#include "tests/support/browsedialog.h"
#include "tests/support/folders.h"

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kGrey = RGB(90, 90, 90);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kBlack = RGB(0, 0, 0);
enum { kLargeIndex = 200, kSmallIndex = 201 };

// A 32-bit memory canvas the size of a row, first painted grey.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    Canvas(int width, int height) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        old = SelectObject(dc, bitmap);
        RECT all = {0, 0, width, height};
        HBRUSH grey = CreateSolidBrush(kGrey);
        FillRect(dc, &all, grey);
        DeleteObject(grey);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
};

struct RowPainter : ::testing::Test {
    TempFolder folder{"rows"};

    // A store of its own, empty at the start: no "ColorMap" from another run.
    void SetUp() override {
        CopyText(g_config.rsc3053, "Software\\KvUnitRowPainter");
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KvUnitRowPainter");
        ResetCommandState();
        ForgetCacheIndex();
        Showing = BrowseShowing();
        CacheList = NewList("~BRINFO.KVW");
        commandMode = ModeLoad;
        FormatIndex = 0;
        SmallPictures = 0;
        CopyText(browseDirectory, folder.path.c_str());
        PictureInfo.colours[kLargeIndex] = RGBQUAD{0, 0, 255, 0};
        PictureInfo.colours[kSmallIndex] = RGBQUAD{0, 255, 0, 0};
        colourTableReady = true;
    }
    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KvUnitRowPainter");
        DLDestroy(CacheList);
        CacheList = nullptr;
        ForgetCacheIndex();
        SmallPictures = 0;
        colourTableReady = false;
    }
    // An entry with pictures of one colour each (large red, small green).
    ImageInfoRecord* Put(const char* name, uint8_t state, uint32_t version = 3, bool small = true) {
        FILETIME t = {1, 0};
        ImageInfoRecord* entry = AsImageInfo(FindOrAddEntry(name, &t));
        entry->state = state;
        entry->version = version;
        entry->smallPresent = small ? 1 : 0;
        memset(entry->largePicture, kLargeIndex, sizeof entry->largePicture);
        memset(entry->smallPicture, kSmallIndex, sizeof entry->smallPicture);
        return entry;
    }
    // Fills the list and draws row `row` into the canvas at item top `top`.
    void DrawRow(Canvas& canvas, int row, int top, UINT state = 0) {
        testdlg::RunInBrowseDialog([&] {
            FillBrowseList();
            DRAWITEMSTRUCT item = {};
            item.CtlType = ODT_LISTBOX;
            item.CtlID = IDC_BROWSE_LIST;
            item.itemID = static_cast<UINT>(row);
            item.itemAction = ODA_DRAWENTIRE;
            item.itemState = state;
            item.hDC = canvas.dc;
            int height = SmallPictures ? kSmallRowHeight : kLargeRowHeight;
            item.rcItem = {0, top, 600, top + height};
            EXPECT_EQ(DrawBrowseRow(kDrawRow, &item), 0);
        });
    }
};

TEST_F(RowPainter, MeasureAnswersTheRowHeight) {
    MEASUREITEMSTRUCT measure = {};
    EXPECT_EQ(DrawBrowseRow(kMeasureRow, &measure), 211);
    SmallPictures = 1;
    EXPECT_EQ(DrawBrowseRow(kMeasureRow, &measure), 109);
    EXPECT_EQ(DrawBrowseRow(7, &measure), 0);
}

TEST(RowGeometry, BoxesAndBandsLieWhereTheClickTestExpectsThem) {
    RECT item = {0, 100, 600, 311};
    for (int i = 0; i < 3; ++i) {
        RECT box = PictureBox(item, i, false);
        EXPECT_EQ(box.left, 12 + 191 * i);
        EXPECT_EQ(box.right, box.left + 186);
        EXPECT_EQ(box.top, 105);
        EXPECT_EQ(box.bottom, 293);
        RECT band = NameBand(box);
        EXPECT_EQ(band.top, 294);
        EXPECT_EQ(band.bottom, 306);
        EXPECT_EQ(band.left, box.left);
        EXPECT_EQ(band.right, box.right);
    }
    RECT sixth = PictureBox(item, 5, true);
    EXPECT_EQ(sixth.left, 490);
    EXPECT_EQ(sixth.right, 582);
    EXPECT_EQ(sixth.top, 102);
    EXPECT_EQ(sixth.bottom, 196);
}

TEST_F(RowPainter, LargePicturesAreCopiedUnscaledIntoTheirBoxes) {
    Put("A.KVW", kPictureMade);
    Put("B.KVW", kPictureMade);
    Canvas canvas(600, 211);
    Showing.ListOrigin = {-7, -7};
    DrawRow(canvas, 0, 0);
    // Regression: the picture was copied one pixel higher than its box
    // puts it. The copy is one row taller than the picture: its top row
    // lands below the box's top edge, its bottom row on the bottom edge.
    for (int i = 0; i < 2; ++i) {
        int left = 12 + 191 * i;
        EXPECT_EQ(canvas.At(left, 5), kWhite) << i;
        EXPECT_EQ(canvas.At(left, 6), kRed) << i;
        EXPECT_EQ(canvas.At(left + 180, 5 + 188), kRed) << i;
        EXPECT_EQ(canvas.At(left + 183, 50), kWhite) << i;   // beyond the 181 pixels
    }
    EXPECT_EQ(canvas.At(200, 50), kWhite);                  // between the boxes
    EXPECT_EQ(canvas.At(394 + 50, 50), kWhite);             // no third entry
    EXPECT_EQ(canvas.At(590, 100), kWhite);                 // the whole row is background
    EXPECT_EQ(Showing.ListOrigin.x, 0);
    EXPECT_EQ(Showing.ListOrigin.y, 0);
    EXPECT_EQ(PictureInfo.header.biWidth, 181);
    EXPECT_EQ(PictureInfo.header.biHeight, 188);
}

TEST_F(RowPainter, TheNameIsWrittenInTheBandUnderTheBox) {
    Put("WWWWWWWW.KVW", kPictureMade);
    Canvas canvas(600, 211);
    DrawRow(canvas, 0, 0);
    int dark = 0;
    for (int x = 12; x < 198; ++x) {
        for (int y = 194; y < 206; ++y) dark += canvas.At(x, y) == kBlack;
    }
    EXPECT_GT(dark, 10);
    for (int x = 12; x < 198; ++x) EXPECT_NE(canvas.At(x, 207), kBlack) << x;
}

TEST_F(RowPainter, TheSecondRowStartsWithTheFourthEntry) {
    for (const char* name : {"A.KVW", "B.KVW", "C.KVW"}) Put(name, kPictureMade);
    Put("D.KVW", kFileDeleted);
    Canvas canvas(600, 422);
    DrawRow(canvas, 1, 211);
    // D was deleted: the empty frame, whose border lies 3 pixels inside.
    EXPECT_EQ(canvas.At(12 + 3, 211 + 5 + 50), kBlack);
    EXPECT_EQ(canvas.At(12 + 50, 211 + 5 + 50), kWhite);
    EXPECT_EQ(canvas.At(203 + 50, 211 + 50), kWhite);
    EXPECT_EQ(canvas.At(50, 50), kGrey);                    // row 0 untouched
}

TEST_F(RowPainter, AnEntryWhosePicturesCannotBeMadeShowsTheEmptyFrame) {
    Put("MISSING.KVW", kNoPicture);
    Canvas canvas(600, 211);
    DrawRow(canvas, 0, 0);
    EXPECT_EQ(canvas.At(12 + 3, 5 + 50), kBlack);
    EXPECT_EQ(canvas.At(12 + 20, 5 + 50), kWhite);
    const ImageInfoRecord* entry = AsImageInfo(FirstEntity(CacheList));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->state, kNoPicture);
}

TEST_F(RowPainter, AMissingPictureIsMadeWhenItsRowIsDrawn) {
    ASSERT_TRUE(MakeSampleFolder(folder.path.c_str(), 1, 3));  // PLAN001.KVW
    FILETIME t = {1, 0};
    ASSERT_NE(FindOrAddEntry("PLAN001.KVW", &t), nullptr);
    Canvas canvas(600, 211);
    DrawRow(canvas, 0, 0);
    const ImageInfoRecord* entry = AsImageInfo(FirstEntity(CacheList));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->state, kPictureMade);
    EXPECT_EQ(PictureInfo.header.biWidth, 181);
    EXPECT_EQ(PictureInfo.header.biHeight, 188);
}

TEST_F(RowPainter, SmallPicturesAreDrawnFromTheSmallPicture) {
    SmallPictures = 1;
    for (const char* name : {"A.KVW", "B.KVW", "C.KVW", "D.KVW", "E.KVW", "F.KVW"}) Put(name, kPictureMade);
    Canvas canvas(600, 109);
    DrawRow(canvas, 0, 0);
    for (int i = 0; i < 6; ++i) {
        int left = 5 + 97 * i;
        EXPECT_EQ(canvas.At(left, 2), kWhite) << i;
        EXPECT_EQ(canvas.At(left, 3), kGreen) << i;
        EXPECT_EQ(canvas.At(left + 89, 2 + 94), kGreen) << i;
        EXPECT_EQ(canvas.At(left + 91, 50), kWhite) << i;
    }
    EXPECT_EQ(PictureInfo.header.biWidth, 181);
    EXPECT_EQ(PictureInfo.header.biHeight, 188);
}

TEST_F(RowPainter, WithoutASmallPictureTheLargeOneIsShrunk) {
    SmallPictures = 1;
    Put("A.KVW", kPictureMade, 3, false);
    Put("B.KVW", kPictureMade, 2, true);
    Canvas canvas(600, 109);
    DrawRow(canvas, 0, 0);
    EXPECT_EQ(canvas.At(5 + 40, 2 + 40), kRed);
    EXPECT_EQ(canvas.At(102 + 40, 2 + 40), kRed);
    EXPECT_EQ(canvas.At(199 + 40, 2 + 40), kWhite);
    EXPECT_EQ(PictureInfo.header.biWidth, 181);
}

// Regression: stored rows index the colour table; without a table they
// must not be drawn as if they had one.
TEST_F(RowPainter, WithoutAColourTableNoStoredPictureIsTrusted) {
    colourTableReady = false;
    Put("GONE.KVW", kPictureMade);
    Canvas canvas(600, 211);
    DrawRow(canvas, 0, 0);
    EXPECT_EQ(canvas.At(12 + 3, 5 + 50), kBlack);
    EXPECT_EQ(canvas.At(12 + 20, 5 + 50), kWhite);
}

TEST_F(RowPainter, TheFocusRowFramesTheFramedPicture) {
    const COLORREF frame = GetSysColor(COLOR_HIGHLIGHT);
    Put("A.KVW", kPictureMade);
    Put("B.KVW", kPictureMade);
    Showing.framedColumn = 1;
    Canvas canvas(600, 211);
    DrawRow(canvas, 0, 0, ODS_FOCUS);
    EXPECT_EQ(canvas.At(203 - 2, 100), frame);              // left of the second box
    EXPECT_EQ(canvas.At(389 + 1, 100), frame);              // right of it
    EXPECT_EQ(canvas.At(250, 5 - 2), frame);                // above it
    EXPECT_EQ(canvas.At(250, 206 + 1), frame);              // under its name
    EXPECT_EQ(canvas.At(12 - 2, 100), kWhite);              // the first is not framed
    // A column beyond a short row frames its last picture; without the
    // focus there is no frame.
    Showing.framedColumn = 2;
    Canvas beyond(600, 211);
    DrawRow(beyond, 0, 0, ODS_FOCUS);
    EXPECT_EQ(beyond.At(203 - 2, 100), frame);
    Canvas unfocused(600, 211);
    DrawRow(unfocused, 0, 0);
    EXPECT_EQ(unfocused.At(203 - 2, 100), kWhite);
    // Small rows end with the name band: the frame goes round the picture
    // and leaves the band's last rows, where underscores show, to the name.
    SmallPictures = 1;
    Showing.framedColumn = 0;
    Canvas small(600, 109);
    DrawRow(small, 0, 0, ODS_FOCUS);
    EXPECT_EQ(small.At(5 - 2, 50), frame);
    EXPECT_EQ(small.At(40, 0), frame);
    EXPECT_EQ(small.At(40, 97), frame);
    for (int y = 99; y < 109; ++y) EXPECT_NE(small.At(40, y), frame) << y;
    Showing.framedColumn = 0;
}

TEST_F(RowPainter, TheFocusOfAnEmptyListDrawsNothing) {
    Canvas canvas(600, 211);
    testdlg::RunInBrowseDialog([&] {
        DRAWITEMSTRUCT item = {};
        item.CtlID = IDC_BROWSE_LIST;
        item.itemID = static_cast<UINT>(-1);
        item.hDC = canvas.dc;
        item.rcItem = {0, 0, 600, 211};
        EXPECT_EQ(DrawBrowseRow(kDrawRow, &item), 0);
    });
    EXPECT_EQ(canvas.At(50, 50), kGrey);
}

}  // namespace
