// The stand-in's display device, entity drawing and extents: pixels of a
// DIB section drawn through DevUseBitmap, SetBMView and EDraw1, and boxes
// from BgnPExtents .. EndPExtents.
#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <vector>

#include "standin/device/device.h"
#include "standin/standin.h"

namespace {

const float kPi = 3.14159265f;
const uint32_t kWhite = 0xFFFFFF, kBlack = 0;

// ---- Records ----

template <typename T>
T Head(uint8_t type, uint8_t colour = 0) {
    T record = {};
    record.head.length = sizeof(T);
    record.head.type = type;
    record.head.colour = colour;
    return record;
}

LineRecord Line(float x0, float y0, float x1, float y1, uint8_t colour = 0) {
    LineRecord r = Head<LineRecord>(kLine, colour);
    r.from = {x0, y0, 0};
    r.to = {x1, y1, 0};
    return r;
}

ArcRecord Arc(float cx, float cy, float radius, float start, float end) {
    ArcRecord r = Head<ArcRecord>(kArc);
    r.centre = {cx, cy, 0};
    r.radius = radius;
    r.start = start;
    r.end = end;
    return r;
}

CircleRecord Circle(float cx, float cy, float radius) {
    CircleRecord r = Head<CircleRecord>(kCircle);
    r.centre = {cx, cy, 0};
    r.radius = radius;
    return r;
}

std::vector<unsigned char> Polyline(std::initializer_list<float> xy, bool closed) {
    uint32_t count = static_cast<uint32_t>(xy.size() / 2);
    std::vector<unsigned char> bytes(sizeof(PolylineRecord) + count * sizeof(Point3));
    PolylineRecord r = Head<PolylineRecord>(kPolyline);
    r.head.length = static_cast<uint32_t>(bytes.size());
    r.flags = closed ? 1 : 0;
    r.count = count;
    memcpy(bytes.data(), &r, sizeof r);
    const float* p = xy.begin();
    for (uint32_t i = 0; i < count; ++i) {
        Point3 point = {p[2 * i], p[2 * i + 1], 0};
        memcpy(&bytes[sizeof r + i * sizeof point], &point, sizeof point);
    }
    return bytes;
}

std::vector<unsigned char> Text(const char* text, float x, float y, float height, float angle) {
    std::vector<unsigned char> bytes(sizeof(TextRecord) + strlen(text) + 1);
    TextRecord r = Head<TextRecord>(kText);
    r.head.length = static_cast<uint32_t>(bytes.size());
    r.at = {x, y, 0};
    r.height = height;
    r.angle = angle;
    memcpy(bytes.data(), &r, sizeof r);
    memcpy(&bytes[sizeof r], text, strlen(text) + 1);
    return bytes;
}

SolidRecord Solid(std::initializer_list<float> xy) {
    SolidRecord r = Head<SolidRecord>(kSolid);
    const float* p = xy.begin();
    for (int i = 0; i < 4; ++i) r.corner[i] = {p[2 * i], p[2 * i + 1], 0};
    return r;
}

// A hatch of loops (x, y after each other) with its line families.
std::vector<unsigned char> Hatch(bool solid, std::initializer_list<std::vector<float>> loops,
                                 const std::vector<HatchLine>& lines = {}, uint8_t colour = 0) {
    HatchRecord r = Head<HatchRecord>(kHatch, colour);
    r.flags = solid ? 1 : 0;
    r.loopCount = static_cast<uint32_t>(loops.size());
    r.lineCount = static_cast<uint32_t>(lines.size());
    std::vector<unsigned char> counts, points;
    for (const std::vector<float>& loop : loops) {
        uint32_t n = static_cast<uint32_t>(loop.size() / 2);
        r.pointCount += n;
        counts.insert(counts.end(), reinterpret_cast<unsigned char*>(&n), reinterpret_cast<unsigned char*>(&n) + 4);
        for (uint32_t i = 0; i < n; ++i) {
            Point3 p = {loop[2 * i], loop[2 * i + 1], 0};
            points.insert(points.end(), reinterpret_cast<unsigned char*>(&p), reinterpret_cast<unsigned char*>(&p) + sizeof p);
        }
    }
    std::vector<unsigned char> bytes(sizeof r);
    for (const HatchLine& line : lines)
        bytes.insert(bytes.end(), reinterpret_cast<const unsigned char*>(&line),
                     reinterpret_cast<const unsigned char*>(&line) + sizeof line);
    bytes.insert(bytes.end(), counts.begin(), counts.end());
    bytes.insert(bytes.end(), points.begin(), points.end());
    r.head.length = static_cast<uint32_t>(bytes.size());
    memcpy(bytes.data(), &r, sizeof r);
    return bytes;
}

FrameRecord Frame(uint8_t type, float x0, float y0, float x1, float y1) {
    FrameRecord r = Head<FrameRecord>(type);
    r.head.length = type == kViewMark ? sizeof(ViewMarkRecord) : sizeof(FrameRecord);
    r.min = {x0, y0, 0};
    r.max = {x1, y1, 0};
    return r;
}

HostEntity* Entity(const void* record) { return static_cast<HostEntity*>(const_cast<void*>(record)); }
HostEntity* Entity(std::vector<unsigned char>& bytes) { return bytes.data(); }

// A drawing with one symbol definition; references are made against it.
struct Symbols {
    HDL list = NewList("symbols");
    HostEntity* definition = nullptr;

    Symbols() {
        SymbolDefRecord def = Head<SymbolDefRecord>(kSymbolDef);
        strcpy(def.name, "PIN");
        definition = AppendRecord(list, &def, sizeof def);
    }
    ~Symbols() { DLDestroy(list); }
    Symbols(const Symbols&) = delete;
    Symbols& operator=(const Symbols&) = delete;

    HostEntity* AddMember(const void* record, uint32_t length) {
        HDL members = MembersOf(&definition);
        HostEntity* member = AppendRecord(members, record, length);
        EXPECT_NE(member, nullptr);
        return member;
    }
    // A reference appended to the drawing, linked to the definition.
    HostEntity* Reference(float x, float y, float scaleX, float scaleY, float angle,
                          const HostEntity* target = reinterpret_cast<const HostEntity*>(1)) {
        SymbolRefRecord ref = Head<SymbolRefRecord>(kSymbolRef);
        strcpy(ref.name, "PIN");
        ref.placement = {{x, y, 0}, scaleX, scaleY, angle};
        HostEntity* placed = AppendRecord(list, &ref, sizeof ref);
        const HostEntity* designated = target == reinterpret_cast<const HostEntity*>(1) ? definition : target;
        memcpy(placed + offsetof(SymbolRefRecord, definition), &designated, sizeof designated);
        return placed;
    }
};

// ---- A canvas: a 32-bit top-down DIB section the device draws into ----

class Canvas {
public:
    // Drawing units equal pixels: x to the column, y up from the bottom row.
    explicit Canvas(int width = 101, int height = 101) : width_(width), height_(height) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<uint32_t*>(bits);
        old_ = SelectObject(dc_, bitmap_);
        DevUseBitmap(dc_);
        Clear(15);
        RECT all = {0, 0, width, height};
        SetBMView(0, 0, float(width - 1), float(height - 1), &all);
    }
    ~Canvas() {
        DevUsePrior();
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void Clear(int colour) {
        RECT all = {0, 0, width_, height_};
        DevUseColor(colour);
        DevSRect(&all);
    }
    // The pixel at drawing point (x, y), as 0xRRGGBB.
    uint32_t At(int x, int y) const { return Pixel(x, height_ - 1 - y); }
    uint32_t Pixel(int column, int row) const {
        GdiFlush();
        return bits_[row * width_ + column] & 0xFFFFFF;
    }
    // True when a pixel within `reach` of drawing point (x, y) is not white.
    bool InkNear(int x, int y, int reach = 1) const {
        for (int dy = -reach; dy <= reach; ++dy)
            for (int dx = -reach; dx <= reach; ++dx) {
                int column = x + dx, row = height_ - 1 - (y + dy);
                if (column >= 0 && row >= 0 && column < width_ && row < height_ && Pixel(column, row) != kWhite)
                    return true;
            }
        return false;
    }
    int InkCount() const {
        int n = 0;
        for (int row = 0; row < height_; ++row)
            for (int column = 0; column < width_; ++column) n += Pixel(column, row) != kWhite;
        return n;
    }
    // Ink outside the drawing-unit box (inclusive, widened by `slack`).
    int InkOutside(double x0, double y0, double x1, double y1, double slack) const {
        int n = 0;
        for (int row = 0; row < height_; ++row)
            for (int column = 0; column < width_; ++column) {
                double x = column, y = height_ - 1 - row;
                bool inside = x >= x0 - slack && x <= x1 + slack && y >= y0 - slack && y <= y1 + slack;
                n += !inside && Pixel(column, row) != kWhite;
            }
        return n;
    }
    HDC dc() const { return dc_; }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    uint32_t* bits_;
};

uint32_t Rgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

struct Extents {
    float minX, minY, minZ, maxX, maxY, maxZ;
};

Extents ExtentsOf(std::initializer_list<HostEntity*> entities) {
    BgnPExtents();
    for (HostEntity* e : entities) EXCheck(e);
    Extents box;
    EndPExtents(&box.minX);
    return box;
}

#define EXPECT_BOX(box, x0, y0, x1, y1)   \
    do {                                   \
        EXPECT_NEAR((box).minX, x0, 1e-4); \
        EXPECT_NEAR((box).minY, y0, 1e-4); \
        EXPECT_NEAR((box).maxX, x1, 1e-4); \
        EXPECT_NEAR((box).maxY, y1, 1e-4); \
    } while (0)

// ---- Device: targets, colours, rectangles, lines, text ----

TEST(Device, FillsWithHostColoursZeroAndFifteen) {
    Canvas canvas;
    EXPECT_EQ(canvas.At(50, 50), kWhite);
    canvas.Clear(0);
    EXPECT_EQ(canvas.At(0, 0), kBlack);
    EXPECT_EQ(canvas.At(100, 100), kBlack);
    canvas.Clear(15);
    EXPECT_EQ(canvas.At(37, 63), kWhite);
}

TEST(Device, PaletteIsFixedClassicThenDistinct) {
    EXPECT_EQ(HostColour(0), RGB(0, 0, 0));
    EXPECT_EQ(HostColour(15), RGB(255, 255, 255));
    EXPECT_EQ(HostColour(12), RGB(255, 0, 0));
    EXPECT_EQ(HostColour(9), RGB(0, 0, 255));
    EXPECT_EQ(HostColour(256 + 12), HostColour(12));
    for (int i = 16; i < 256; ++i)
        for (int j = 16; j < i; ++j) ASSERT_NE(HostColour(i), HostColour(j)) << i << " " << j;
}

TEST(Device, RectangleOutlineLeavesInsideAlone) {
    Canvas canvas;
    DevUseColor(0);
    RECT r = {10, 10, 30, 20};
    DevHRect(&r);
    EXPECT_EQ(canvas.Pixel(10, 10), kBlack);
    EXPECT_EQ(canvas.Pixel(29, 19), kBlack);
    EXPECT_EQ(canvas.Pixel(20, 10), kBlack);
    EXPECT_EQ(canvas.Pixel(20, 15), kWhite);
    EXPECT_EQ(canvas.Pixel(30, 15), kWhite);
    RECT inverted = {30, 30, 20, 20};
    DevHRect(&inverted);
    EXPECT_EQ(canvas.Pixel(25, 25), kWhite);
}

TEST(Device, LineInPixelsDrawsBothEnds) {
    Canvas canvas;
    DevUseColor(0);
    DevSLine(5, 7, 40, 7);
    EXPECT_EQ(canvas.Pixel(5, 7), kBlack);
    EXPECT_EQ(canvas.Pixel(40, 7), kBlack);
    EXPECT_EQ(canvas.Pixel(41, 7), kWhite);
    EXPECT_EQ(canvas.Pixel(20, 8), kWhite);
}

TEST(Device, TextStaysInItsRectangleOnTheBackgroundColour) {
    Canvas canvas(200, 60);
    DevUseColor(0);
    DevUseBkColor(12);
    HFONT old = DevFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    RECT band = {10, 20, 60, 32};
    DevVText("A file name far too long for its band.KVW", &band);
    DevFont(old);
    int ink = 0, red = 0;
    for (int row = 0; row < 60; ++row)
        for (int column = 0; column < 200; ++column) {
            uint32_t p = canvas.Pixel(column, row);
            if (p == kWhite) continue;
            bool inside = column >= band.left && column < band.right && row >= band.top && row < band.bottom;
            EXPECT_TRUE(inside) << column << "," << row;
            ink += p == kBlack;
            red += p == Rgb(HostColour(12));
        }
    EXPECT_GT(ink, 10);
    EXPECT_GT(red, 10);
}

TEST(Device, ItemTargetAndViewMapOntoTheItemRectangle) {
    Canvas canvas;
    DRAWITEMSTRUCT item = {};
    item.hDC = canvas.dc();
    item.rcItem = {20, 30, 41, 51};   // 21 x 21 pixels
    DevUseOwnerDraw(&item);
    SetODView(0, 0, 10, 10, &item);   // 2 pixels per unit
    LineRecord line = Line(0, 0, 10, 0);
    EDraw1(Entity(&line));
    DevUsePrior();
    EXPECT_EQ(canvas.Pixel(20, 50), kBlack);
    EXPECT_EQ(canvas.Pixel(40, 50), kBlack);
    EXPECT_EQ(canvas.Pixel(30, 49), kWhite);
}

TEST(Device, NewTargetStartsWithTheColoursInUseAndPopRestoresThem) {
    Canvas canvas;
    DevUseColor(4);
    DevUseBitmap(canvas.dc());
    RECT r = {0, 0, 5, 5};
    DevSRect(&r);
    DevUseColor(0);
    DevUsePrior();
    RECT s = {10, 0, 15, 5};
    DevSRect(&s);
    EXPECT_EQ(canvas.Pixel(2, 2), Rgb(HostColour(4)));
    EXPECT_EQ(canvas.Pixel(12, 2), Rgb(HostColour(4)));
}

TEST(Device, UnbalancedPriorIsRecordedNotFatal) {
    int before = TranscriptErrorCount();
    DevUsePrior();
    EXPECT_EQ(TranscriptErrorCount(), before + 1);
    // The stack still works afterwards.
    Canvas canvas;
    canvas.Clear(0);
    EXPECT_EQ(canvas.At(3, 3), kBlack);
    EXPECT_EQ(TranscriptErrorCount(), before + 1);
}

TEST(Device, PushesPastTheStackStillPairWithTheirPriors) {
    Canvas canvas;
    int before = TranscriptErrorCount();
    for (int i = 0; i < 40; ++i) DevUseBitmap(canvas.dc());
    EXPECT_GT(TranscriptErrorCount(), before);
    for (int i = 0; i < 40; ++i) DevUsePrior();
    int after = TranscriptErrorCount();
    canvas.Clear(0);   // the canvas's own target is still current
    EXPECT_EQ(canvas.At(1, 1), kBlack);
    EXPECT_EQ(TranscriptErrorCount(), after);
}

TEST(Device, DrawingWithoutATargetIsRecorded) {
    int before = TranscriptErrorCount();
    RECT r = {0, 0, 1, 1};
    DevSRect(&r);
    LineRecord line = Line(0, 0, 1, 1);
    EDraw1(Entity(&line));
    EXPECT_EQ(TranscriptErrorCount(), before + 2);
}

// ---- Entities: where their pixels land ----

TEST(Draw, HorizontalLineLandsOnItsRowWithYUp) {
    Canvas canvas;
    LineRecord line = Line(10, 80, 90, 80);
    EDraw1(Entity(&line));
    for (int x = 10; x <= 90; ++x) EXPECT_EQ(canvas.At(x, 80), kBlack) << x;
    EXPECT_EQ(canvas.Pixel(50, 20), kBlack);   // y 80 is row 20
    EXPECT_EQ(canvas.At(50, 79), kWhite);
    EXPECT_EQ(canvas.At(50, 81), kWhite);
    EXPECT_EQ(canvas.At(9, 80), kWhite);
    EXPECT_EQ(canvas.At(91, 80), kWhite);
}

TEST(Draw, LineInItsOwnColourAndStyle) {
    Canvas canvas;
    LineRecord red = Line(0, 10, 100, 10, 12);
    EDraw1(Entity(&red));
    EXPECT_EQ(canvas.At(50, 10), Rgb(HostColour(12)));
    LineRecord dashed = Line(0, 30, 100, 30);
    dashed.head.lineStyle = 1;
    EDraw1(Entity(&dashed));
    int gaps = 0;
    for (int x = 0; x <= 100; ++x) gaps += canvas.At(x, 30) == kWhite;
    EXPECT_GT(gaps, 10);
    LineRecord wide = Line(0, 60, 100, 60);
    wide.head.lineWidth = 5;
    EDraw1(Entity(&wide));
    EXPECT_EQ(canvas.At(50, 58), kBlack);
    EXPECT_EQ(canvas.At(50, 62), kBlack);
}

TEST(Draw, ArcOnlyOnItsOwnSide) {
    Canvas canvas;
    ArcRecord firstQuadrant = Arc(50, 50, 30, 0, kPi / 2);
    EDraw1(Entity(&firstQuadrant));
    EXPECT_TRUE(canvas.InkNear(71, 71));    // 45 degrees
    EXPECT_TRUE(canvas.InkNear(80, 51));
    EXPECT_TRUE(canvas.InkNear(51, 80));
    EXPECT_FALSE(canvas.InkNear(29, 71));   // 135 degrees
    EXPECT_FALSE(canvas.InkNear(29, 29));
    EXPECT_FALSE(canvas.InkNear(71, 29));
}

TEST(Draw, ArcRunsCounterClockwiseFromStartToEnd) {
    Canvas canvas;
    ArcRecord threeQuadrants = Arc(50, 50, 30, kPi / 2, 0);
    EDraw1(Entity(&threeQuadrants));
    EXPECT_FALSE(canvas.InkNear(71, 71));
    EXPECT_TRUE(canvas.InkNear(29, 71));
    EXPECT_TRUE(canvas.InkNear(29, 29));
    EXPECT_TRUE(canvas.InkNear(71, 29));
}

// Regression: an arc whose ends round to the same pixel was drawn by GDI as
// a full circle.
TEST(Draw, SliverOfAnArcIsNotAFullCircle) {
    Canvas canvas;
    ArcRecord sliver = Arc(50, 50, 20, 0, 0.01f);
    EDraw1(Entity(&sliver));
    EXPECT_TRUE(canvas.InkNear(70, 50));
    EXPECT_FALSE(canvas.InkNear(30, 50, 2));
    EXPECT_FALSE(canvas.InkNear(50, 70, 2));
}

TEST(Draw, CircleShowsAllRound) {
    Canvas canvas;
    CircleRecord circle = Circle(50, 50, 25);
    EDraw1(Entity(&circle));
    EXPECT_TRUE(canvas.InkNear(75, 50));
    EXPECT_TRUE(canvas.InkNear(25, 50));
    EXPECT_TRUE(canvas.InkNear(50, 75));
    EXPECT_TRUE(canvas.InkNear(50, 25));
    EXPECT_FALSE(canvas.InkNear(50, 50, 5));
    EXPECT_EQ(canvas.InkOutside(25, 25, 75, 75, 1), 0);
}

TEST(Draw, PolylineClosesOnlyWhenFlagged) {
    Canvas open;
    auto path = Polyline({10, 10, 90, 10, 90, 90}, false);
    EDraw1(Entity(path));
    EXPECT_TRUE(open.InkNear(50, 10, 0));
    EXPECT_TRUE(open.InkNear(90, 50, 0));
    EXPECT_FALSE(open.InkNear(50, 50, 1));
    EXPECT_TRUE(open.InkNear(90, 90, 0));
    Canvas closed;
    auto loop = Polyline({10, 10, 90, 10, 90, 90}, true);
    EDraw1(Entity(loop));
    EXPECT_TRUE(closed.InkNear(50, 50, 1));
}

TEST(Draw, SolidIsFilled) {
    Canvas canvas;
    SolidRecord solid = Solid({10, 10, 90, 10, 90, 60, 10, 60});
    solid.head.colour = 2;
    EDraw1(Entity(&solid));
    EXPECT_EQ(canvas.At(50, 35), Rgb(HostColour(2)));
    EXPECT_EQ(canvas.At(50, 70), kWhite);
}

TEST(Draw, HatchFillsByTheEvenOddRule) {
    Canvas canvas;
    auto hatch = Hatch(true, {{10, 10, 90, 10, 90, 90, 10, 90}, {30, 30, 70, 30, 70, 70, 30, 70}}, {}, 2);
    EDraw1(Entity(hatch));
    EXPECT_EQ(canvas.At(20, 20), Rgb(HostColour(2)));
    EXPECT_EQ(canvas.At(80, 50), Rgb(HostColour(2)));
    EXPECT_EQ(canvas.At(50, 50), kWhite) << "the island";
    EXPECT_EQ(canvas.At(95, 50), kWhite);
}

TEST(Draw, HatchLinesAreCutAtItsBoundaryAndDashed) {
    Canvas canvas;
    // Level lines 10 apart through y 5, 15, ...; dashes of 10 and gaps of 10 from x 0.
    HatchLine level = {0, 5, 1, 0, 0, 10, 2, {10, -10}};
    auto hatch = Hatch(false, {{10, 10, 90, 10, 90, 90, 10, 90}}, {level});
    EDraw1(Entity(hatch));
    EXPECT_EQ(canvas.At(25, 45), kBlack);
    EXPECT_EQ(canvas.At(25, 50), kWhite) << "between two lines";
    EXPECT_EQ(canvas.At(35, 45), kWhite) << "a gap of the dashes";
    EXPECT_EQ(canvas.At(45, 45), kBlack);
    EXPECT_EQ(canvas.At(5, 45), kWhite) << "outside the boundary";
    EXPECT_EQ(canvas.At(95, 45), kWhite) << "outside the boundary";
    EXPECT_EQ(canvas.InkOutside(10, 10, 90, 90, 1), 0);
    // The same lines 0.01 apart: a tint halfway to the paper.
    Canvas dense;
    level.offsetY = 0.01f;
    auto tinted = Hatch(false, {{10, 10, 90, 10, 90, 90, 10, 90}}, {level});
    EDraw1(Entity(tinted));
    EXPECT_EQ(dense.At(50, 50), 0x7F7F7Fu);
}

TEST(Draw, HostileHatchesEndAndStayInTheirBox) {
    const float kNan = NAN, kHuge = 1e30f;
    const HatchLine lines[] = {
        {0, 0, 1, 0, 0, 0, 0, {}},                 // no spacing
        {0, 0, 0, 0, 0, 1, 0, {}},                 // no direction
        {0, 0, 1, 1e-7f, 1e-7f, 3, 12, {1e-7f, -1e-7f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {kNan, 0, 1, 0, 0, 1, 1, {kNan}},
        {0, 0, 1, 0, 0, 1, 2, {kHuge, -kHuge}},
        {0, 0, kHuge, 0, 0, kHuge, 1, {1}},
        {-kHuge, kHuge, 1, 1, -1, 1, 3, {0, -1, 2}},
    };
    for (const HatchLine& line : lines) {
        for (std::vector<float> loop : {std::vector<float>{10, 10, 90, 10, 90, 90}, std::vector<float>{10, 10, kNan, 10, 90, 90},
                                         std::vector<float>{-kHuge, -kHuge, kHuge, -kHuge, 0, kHuge}, std::vector<float>{5, 5, 5, 5}}) {
            Canvas canvas;
            auto hatch = Hatch(false, {loop, loop}, {line});
            EDraw1(Entity(hatch));
            if (loop[2] == 90) {
                EXPECT_EQ(canvas.InkOutside(10, 10, 90, 90, 1), 0);
            }
        }
    }
    // 64 families of lines 3 pixels apart over a loop of 65536 edges would be
    // over a hundred million cuts: a tint.
    std::vector<float> round;
    for (int i = 0; i < 65536; ++i) round.insert(round.end(), {50 + 40 * cosf(i * 2 * kPi / 65536), 50 + 40 * sinf(i * 2 * kPi / 65536)});
    HatchLine level = {0, 0, 1, 0, 0, 3, 0, {}};
    {
        Canvas canvas;
        auto hatch = Hatch(false, {round}, std::vector<HatchLine>(64, level));
        EDraw1(Entity(hatch));
        EXPECT_EQ(canvas.At(50, 50), 0x7F7F7Fu);
    }
    // Counts that do not add up are refused before anything is read.
    auto hatch = Hatch(true, {{10, 10, 90, 10, 90, 90}});
    uint32_t more = 4;
    memcpy(hatch.data() + sizeof(HatchRecord), &more, 4);
    EXPECT_FALSE(IsWellFormedRecord(hatch.data(), static_cast<uint32_t>(hatch.size())));
}

TEST(Draw, PointIsASmallCross) {
    Canvas canvas;
    PointRecord point = Head<PointRecord>(kPoint);
    point.at = {40, 40, 0};
    EDraw1(Entity(&point));
    EXPECT_EQ(canvas.At(40, 40), kBlack);
    EXPECT_EQ(canvas.At(42, 40), kBlack);
    EXPECT_EQ(canvas.At(40, 38), kBlack);
    EXPECT_EQ(canvas.At(42, 42), kWhite);
    EXPECT_EQ(canvas.InkOutside(38, 38, 42, 42, 0), 0);
}

TEST(Draw, FrameIsARectangleAndViewMarkADottedOne) {
    Canvas canvas;
    FrameRecord frame = Frame(kFrame, 10, 10, 90, 90);
    EDraw1(Entity(&frame));
    for (int i = 10; i <= 90; ++i) {
        EXPECT_EQ(canvas.At(i, 10), kBlack) << i;
        EXPECT_EQ(canvas.At(90, i), kBlack) << i;
    }
    EXPECT_EQ(canvas.At(50, 50), kWhite);
    FrameRecord mark = Frame(kViewMark, 20, 20, 80, 80);
    EDraw1(Entity(&mark));
    int ink = 0;
    for (int i = 20; i <= 80; ++i) ink += canvas.At(i, 20) == kBlack;
    EXPECT_GT(ink, 10);
    EXPECT_LT(ink, 55);
}

TEST(Draw, TextInkLiesInsideItsExtents) {
    for (float angle : {0.0f, kPi / 2, 0.5f}) {
        Canvas canvas(201, 201);
        auto text = Text("Wide MW text 09", 40, 60, 12, angle);
        EDraw1(Entity(text));
        Extents box = ExtentsOf({Entity(text)});
        EXPECT_GT(canvas.InkCount(), 40) << angle;
        EXPECT_EQ(canvas.InkOutside(box.minX, box.minY, box.maxX, box.maxY, 1), 0) << angle;
    }
}

TEST(Draw, TinyTextShowsAsALine) {
    Canvas canvas;
    auto text = Text("HELLO", 10, 10, 2, 0);
    EDraw1(Entity(text));
    EXPECT_GT(canvas.InkCount(), 3);
    EXPECT_EQ(canvas.InkOutside(10, 10, 17, 12, 1), 0);
}

TEST(Draw, NotesDefinitionsAndCustomEntitiesDrawNothing) {
    Canvas canvas;
    std::vector<unsigned char> note(sizeof(NoteRecord) + 6);
    NoteRecord head = Head<NoteRecord>(kNote);
    head.head.length = static_cast<uint32_t>(note.size());
    strcpy(head.heading, "N");
    memcpy(note.data(), &head, sizeof head);
    memcpy(&note[sizeof head], "body", 5);
    EDraw1(Entity(note));
    SymbolDefRecord def = Head<SymbolDefRecord>(kSymbolDef);
    def.max = {50, 50, 0};
    EDraw1(Entity(&def));
    LineRecord custom = Line(0, 0, 100, 100);
    custom.head.type = kCustom;
    EDraw1(Entity(&custom));
    EXPECT_EQ(canvas.InkCount(), 0);
}

TEST(Draw, MalformedRecordIsRefused) {
    Canvas canvas;
    LineRecord line = Line(0, 0, 100, 100);
    line.head.length = 40;   // too short for a line
    int before = TranscriptErrorCount();
    EDraw1(Entity(&line));
    EXPECT_EQ(TranscriptErrorCount(), before + 1);
    EXPECT_EQ(canvas.InkCount(), 0);
}

// Regression: a point far outside the view must neither overflow GDI nor
// bend the part of the line that shows.
TEST(Draw, FarAwayEndsAreClippedNotBent) {
    Canvas canvas;
    LineRecord across = Line(-1e9f, 50, 1e9f, 50);
    EDraw1(Entity(&across));
    EXPECT_EQ(canvas.At(0, 50), kBlack);
    EXPECT_EQ(canvas.At(100, 50), kBlack);
    LineRecord slanted = Line(-1e8f, -2e8f + 20, 100, 220);   // y = 2x + 20
    EDraw1(Entity(&slanted));
    EXPECT_TRUE(canvas.InkNear(10, 40, 1));
    EXPECT_TRUE(canvas.InkNear(30, 80, 1));
    CircleRecord huge = Circle(50, -1e7f + 20, 1e7f);   // its top passes y 20
    EDraw1(Entity(&huge));
    EXPECT_TRUE(canvas.InkNear(50, 20, 1));
    EXPECT_FALSE(canvas.InkNear(50, 60, 3));
}

// ---- References and groups ----

TEST(Draw, ReferenceIsDrawnTurnedAndScaledAtItsInsertionPoint) {
    Canvas canvas;
    Symbols symbols;
    LineRecord stroke = Line(0, 0, 10, 0);
    symbols.AddMember(&stroke, sizeof stroke);
    HostEntity* ref = symbols.Reference(50, 50, 2, 2, kPi / 2);
    EDraw1(ref);
    EXPECT_TRUE(canvas.InkNear(50, 60, 0));
    EXPECT_TRUE(canvas.InkNear(50, 69, 0));
    EXPECT_FALSE(canvas.InkNear(60, 50, 1));   // where it would lie unturned
    EXPECT_EQ(canvas.InkOutside(50, 50, 50, 70, 1), 0);
}

TEST(Draw, MirroredReferenceMirrorsItsArcs) {
    Canvas canvas;
    Symbols symbols;
    ArcRecord arc = Arc(0, 0, 20, 0, kPi / 2);
    symbols.AddMember(&arc, sizeof arc);
    EDraw1(symbols.Reference(50, 50, -1, 1, 0));
    EXPECT_TRUE(canvas.InkNear(36, 64));   // upper left of the insertion point
    EXPECT_FALSE(canvas.InkNear(64, 64));
    EXPECT_FALSE(canvas.InkNear(36, 36));
}

TEST(Draw, UnequalScalesTurnCirclesIntoEllipses) {
    Canvas canvas;
    Symbols symbols;
    CircleRecord circle = Circle(0, 0, 10);
    symbols.AddMember(&circle, sizeof circle);
    EDraw1(symbols.Reference(50, 50, 3, 1, kPi / 4));
    Extents box = ExtentsOf({symbols.Reference(50, 50, 3, 1, kPi / 4)});
    EXPECT_GT(canvas.InkCount(), 40);
    EXPECT_EQ(canvas.InkOutside(box.minX, box.minY, box.maxX, box.maxY, 1), 0);
    EXPECT_TRUE(canvas.InkNear(50 + 21, 50 + 21, 1));   // the long axis at 45 degrees
}

TEST(Draw, ReferenceWithoutALiveDefinitionDrawsNothing) {
    Canvas canvas;
    Symbols symbols;
    LineRecord stroke = Line(0, 0, 10, 0);
    HostEntity* member = symbols.AddMember(&stroke, sizeof stroke);
    EDraw1(symbols.Reference(50, 50, 1, 1, 0, nullptr));
    SymbolDefRecord notInAList = Head<SymbolDefRecord>(kSymbolDef);
    EDraw1(symbols.Reference(50, 50, 1, 1, 0, Entity(&notInAList)));
    EDraw1(symbols.Reference(50, 50, 1, 1, 0, member));   // live, but no definition
    EXPECT_EQ(canvas.InkCount(), 0);
}

TEST(Draw, ReferenceToItselfEnds) {
    Canvas canvas;
    Symbols symbols;
    LineRecord stroke = Line(0, 0, 10, 0);
    symbols.AddMember(&stroke, sizeof stroke);
    SymbolRefRecord self = Head<SymbolRefRecord>(kSymbolRef);
    self.placement = {{1, 1, 0}, 1, 1, 0};
    self.definition = symbols.definition;
    symbols.AddMember(&self, sizeof self);
    symbols.AddMember(&self, sizeof self);
    EDraw1(symbols.Reference(50, 50, 1, 1, 0));
    EXPECT_TRUE(canvas.InkNear(55, 50, 0));
    EXPECT_FALSE(canvas.InkNear(56, 51, 0));   // the cycle is not entered at all
    Extents box = ExtentsOf({symbols.Reference(50, 50, 1, 1, 0)});
    EXPECT_BOX(box, 50, 50, 60, 50);
}

TEST(Draw, GroupDrawsItsMembers) {
    Canvas canvas;
    HDL list = NewList("group");
    GroupRecord group = Head<GroupRecord>(kGroup);
    HostEntity* placed = AppendRecord(list, &group, sizeof group);
    HDL members = MembersOf(&placed);
    LineRecord stroke = Line(20, 20, 80, 20);
    AppendRecord(members, &stroke, sizeof stroke);
    EDraw1(placed);
    EXPECT_TRUE(canvas.InkNear(50, 20, 0));
    DLDestroy(list);
}

// ---- Extents ----

TEST(Extents, EmptyBoxIsAllZeros) {
    float six[6] = {1, 2, 3, 4, 5, 6};
    BgnPExtents();
    EndPExtents(six);
    for (float v : six) EXPECT_EQ(v, 0);
}

TEST(Extents, PointsAndLines) {
    BgnPExtents();
    const float a[3] = {3, -2, 7}, b[3] = {-1, 5, 0};
    XCheckP2(a);
    XCheckP2(b);
    Extents box;
    EndPExtents(&box.minX);
    EXPECT_BOX(box, -1, -2, 3, 5);
    EXPECT_EQ(box.minZ, 0);
    LineRecord line = Line(1, 2, -3, 4);
    EXPECT_BOX(ExtentsOf({Entity(&line)}), -3, 2, 1, 4);
}

TEST(Extents, ArcBoundsAreTheArcsNotItsCircles) {
    const float s = sqrtf(0.5f);
    ArcRecord q1 = Arc(0, 0, 1, 0, kPi / 2);
    EXPECT_BOX(ExtentsOf({Entity(&q1)}), 0, 0, 1, 1);
    ArcRecord top = Arc(0, 0, 1, kPi / 4, 3 * kPi / 4);
    EXPECT_BOX(ExtentsOf({Entity(&top)}), -s, s, s, 1);
    ArcRecord acrossZero = Arc(0, 0, 1, 3 * kPi / 2, kPi / 2);
    EXPECT_BOX(ExtentsOf({Entity(&acrossZero)}), 0, -1, 1, 1);
    ArcRecord threeQuadrants = Arc(10, 20, 2, kPi / 2, 0);
    EXPECT_BOX(ExtentsOf({Entity(&threeQuadrants)}), 8, 18, 12, 22);
    ArcRecord inside = Arc(0, 0, 1, 0.1f, 0.2f);
    EXPECT_BOX(ExtentsOf({Entity(&inside)}), cosf(0.2f), sinf(0.1f), cosf(0.1f), sinf(0.2f));
    ArcRecord negativeAngles = Arc(0, 0, 1, -kPi / 2, 0);
    EXPECT_BOX(ExtentsOf({Entity(&negativeAngles)}), 0, -1, 1, 0);
}

TEST(Extents, EachShape) {
    CircleRecord circle = Circle(5, 5, 2);
    EXPECT_BOX(ExtentsOf({Entity(&circle)}), 3, 3, 7, 7);
    auto path = Polyline({0, 0, 4, -1, 2, 6}, false);
    EXPECT_BOX(ExtentsOf({Entity(path)}), 0, -1, 4, 6);
    SolidRecord solid = Solid({1, 1, 5, 1, 5, 3, 1, 2});
    EXPECT_BOX(ExtentsOf({Entity(&solid)}), 1, 1, 5, 3);
    FrameRecord frame = Frame(kFrame, -1, -2, 3, 4);
    EXPECT_BOX(ExtentsOf({Entity(&frame)}), -1, -2, 3, 4);
    PointRecord point = Head<PointRecord>(kPoint);
    point.at = {2, 3, 0};
    EXPECT_BOX(ExtentsOf({Entity(&point)}), 2, 3, 2, 3);
    EXPECT_BOX(ExtentsOf({Entity(&circle), Entity(&frame)}), -1, -2, 7, 7);
}

TEST(Extents, TextBoxFromHeightLengthAndAngle) {
    auto text = Text("ABCD", 10, 20, 2, 0);
    Extents box = ExtentsOf({Entity(text)});
    double width = TextWidthPerHeight("ABCD") * 2;
    EXPECT_BOX(box, 10, 20 - kTextDescent * 2, 10 + width, 20 + kTextAscent * 2);
    EXPECT_GT(width, 4);    // four capitals are wider than two heights
    EXPECT_LT(width, 8);
    auto upright = Text("ABCD", 10, 20, 2, kPi / 2);
    Extents turned = ExtentsOf({Entity(upright)});
    EXPECT_BOX(turned, 10 - kTextAscent * 2, 20, 10 + kTextDescent * 2, 20 + width);
}

TEST(Extents, HatchIsItsLoops) {
    HatchLine away = {-500, -500, 1, 0, 0, 3, 0, {}};
    auto hatch = Hatch(false, {{10, 10, 90, 10, 90, 90}, {40, 40, 50, 40, 50, 95}}, {away});
    EXPECT_BOX(ExtentsOf({Entity(hatch)}), 10, 10, 90, 95);
}

TEST(Extents, NonGeometryAddsNothing) {
    SymbolDefRecord def = Head<SymbolDefRecord>(kSymbolDef);
    def.max = {50, 50, 0};
    FrameRecord mark = Frame(kViewMark, 0, 0, 9, 9);
    LineRecord custom = Line(0, 0, 100, 100);
    custom.head.type = kCustom;
    LineRecord unknown = Line(0, 0, 100, 100);
    unknown.head.type = 77;
    EXPECT_BOX(ExtentsOf({Entity(&def), Entity(&mark), Entity(&custom), Entity(&unknown)}), 0, 0, 0, 0);
}

TEST(Extents, RotatedScaledReferenceThroughItsMembers) {
    Symbols symbols;
    LineRecord stroke = Line(0, 0, 10, 0);
    symbols.AddMember(&stroke, sizeof stroke);
    EXPECT_BOX(ExtentsOf({symbols.Reference(5, 5, 2, 2, kPi / 2)}), 5, 5, 5, 25);
    ArcRecord arc = Arc(0, 0, 1, 0, kPi / 2);   // its bounds turn with it
    symbols.AddMember(&arc, sizeof arc);
    EXPECT_BOX(ExtentsOf({symbols.Reference(0, 0, 1, 1, kPi)}), -10, -1, 0, 0);
    EXPECT_BOX(ExtentsOf({symbols.Reference(0, 0, 1, 1, 0, nullptr)}), 0, 0, 0, 0);
}

TEST(Extents, ExactForUnequalScalesUnderRotation) {
    Symbols symbols;
    CircleRecord circle = Circle(0, 0, 1);
    symbols.AddMember(&circle, sizeof circle);
    // An ellipse of semi-axes 3 and 1 turned 45 degrees: half-width sqrt(5).
    Extents box = ExtentsOf({symbols.Reference(0, 0, 3, 1, kPi / 4)});
    EXPECT_BOX(box, -sqrtf(5), -sqrtf(5), sqrtf(5), sqrtf(5));
}

TEST(Extents, GroupThroughItsMembers) {
    HDL list = NewList("group");
    GroupRecord group = Head<GroupRecord>(kGroup);
    HostEntity* placed = AppendRecord(list, &group, sizeof group);
    HDL members = MembersOf(&placed);
    LineRecord a = Line(1, 1, 2, 2), b = Line(-4, 0, 0, 9);
    AppendRecord(members, &a, sizeof a);
    AppendRecord(members, &b, sizeof b);
    EXPECT_BOX(ExtentsOf({placed}), -4, 0, 2, 9);
    DLDestroy(list);
}

TEST(Extents, SymbolTransformAppliesToPoints) {
    SymbolPlacement placement = {{10, 20, 0}, 2, 3, kPi / 2};
    LDSymTM(&placement);
    float p[3] = {1, 1, 5};
    TranP2(p);
    EXPECT_NEAR(p[0], 10 - 3, 1e-5);
    EXPECT_NEAR(p[1], 20 + 2, 1e-5);
    EXPECT_EQ(p[2], 5);
    // EXCheck is not moved by the symbol transform in force.
    LineRecord line = Line(0, 0, 1, 1);
    EXPECT_BOX(ExtentsOf({Entity(&line)}), 0, 0, 1, 1);
}

TEST(Extents, CornersRoundOutwardsToFloat) {
    Symbols symbols;
    LineRecord line = Line(0.1f, 0.2f, 0.3f, 0.7f);
    symbols.AddMember(&line, sizeof line);
    Extents box = ExtentsOf({symbols.Reference(0, 0, 1, 1, 0.3f)});
    const double c = cos(double(0.3f)), s = sin(double(0.3f));
    const double xs[2] = {0.1f * c - 0.2f * s, 0.3f * c - 0.7f * s};
    const double ys[2] = {0.1f * s + 0.2f * c, 0.3f * s + 0.7f * c};
    // Far closer than a float step apart: only outward rounding passes.
    const double e = 1e-12;
    EXPECT_LE(box.minX, fmin(xs[0], xs[1]) + e);
    EXPECT_GE(box.maxX, fmax(xs[0], xs[1]) - e);
    EXPECT_LE(box.minY, fmin(ys[0], ys[1]) + e);
    EXPECT_GE(box.maxY, fmax(ys[0], ys[1]) - e);
}

// ---- The main window's view ----

TEST(View, WorkDrawingIsZoomedToItsExtentsWithoutHiddenLayers) {
    HDL list = NewList("WORK.KVW");
    LayerRecord hidden = {};
    hidden.number = 5;
    hidden.flags = 1;
    SetLayers(list, &hidden, 1);
    FrameRecord frame = Frame(kFrame, 0, 0, 100, 100);
    frame.head.layer = 5;   // frames show on every layer
    LineRecord shown = Line(10, 10, 90, 10);
    LineRecord onHidden = Line(10, 90, 90, 90);
    onHidden.head.layer = 5;
    LineRecord farOnHidden = Line(1000, 1000, 2000, 2000);   // would shrink everything
    farOnHidden.head.layer = 5;
    for (const void* record : {(const void*)&frame, (const void*)&shown, (const void*)&onHidden,
                               (const void*)&farOnHidden})
        AppendRecord(list, record, *static_cast<const uint32_t*>(record));
    SetWorkDrawing(list);
    HWND view = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 101, 101, nullptr, nullptr, nullptr, nullptr);
    RECT client;
    GetClientRect(view, &client);
    ASSERT_EQ(client.right, 101);
    ASSERT_EQ(client.bottom, 101);
    Canvas canvas;
    PaintDrawingView(view, canvas.dc());
    DestroyWindow(view);
    SetWorkDrawing(nullptr);
    // The extents 0..100 and a margin of 3 % map onto 101 pixels.
    auto column = [](double x) { return static_cast<int>(lround((x + 3) * 100 / 106)); };
    auto row = [](double y) { return static_cast<int>(lround(100 - (y + 3) * 100 / 106)); };
    EXPECT_NE(canvas.Pixel(column(50), row(10)), kWhite);
    EXPECT_EQ(canvas.Pixel(column(50), row(90)), kWhite);
    EXPECT_NE(canvas.Pixel(column(0), row(50)), kWhite);
    EXPECT_NE(canvas.Pixel(column(100), row(50)), kWhite);
    EXPECT_EQ(canvas.Pixel(0, 50), kWhite);
}

// The browser's name band is 12 pixels, less than the dialog font's cell:
// the line keeps its descent inside the band, and a name too long for it
// ends in an ellipsis rather than a letter cut in half.
TEST(Device, NameBandKeepsUnderscoresAndEndsLongNamesWithAnEllipsis) {
    Canvas canvas(200, 60);
    DevUseColor(0);
    DevUseBkColor(15);
    HFONT old = DevFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    RECT band = {10, 20, 60, 32};
    DevVText("___", &band);
    int underscore = 0;
    for (int row = band.top; row < band.bottom; ++row)
        for (int column = band.left; column < band.right; ++column) underscore += canvas.Pixel(column, row) == kBlack;
    EXPECT_GT(underscore, 6);

    RECT narrow = {10, 40, 80, 52};
    // Capital I is one upright stroke: any few columns of them hold one.
    DevVText("IIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIIII.KVW", &narrow);
    DevFont(old);
    auto inkRows = [&](int column) {
        int rows = 0;
        for (int row = narrow.top; row < narrow.bottom; ++row) rows += canvas.Pixel(column, row) != kWhite;
        return rows;
    };
    int last = narrow.right - 1;
    while (last >= narrow.left && inkRows(last) == 0) --last;
    ASSERT_GE(last, narrow.left + 20);
    for (int column = last - 4; column <= last; ++column) {
        EXPECT_LE(inkRows(column), 3) << column << ": the line ends in a letter, not in the ellipsis";
    }
}

TEST(View, DrawingLeavesTheTargetsObjectsAndModesAsTheyWere) {
    Canvas canvas;
    HDC dc = canvas.dc();
    HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN), brush = GetCurrentObject(dc, OBJ_BRUSH);
    HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
    UINT align = GetTextAlign(dc);
    int mode = GetBkMode(dc);
    COLORREF text = GetTextColor(dc), back = GetBkColor(dc);
    auto label = Text("Label", 10, 10, 12, 0.3f);
    LineRecord wide = Line(0, 50, 100, 0);
    wide.head.lineWidth = 3;
    SolidRecord solid = Solid({10, 10, 40, 10, 40, 40, 10, 40});
    ArcRecord arc = Arc(50, 50, 20, 0.5f, 2);
    int fillMode = GetPolyFillMode(dc);
    auto hatch = Hatch(true, {{10, 10, 40, 10, 40, 40}, {20, 20, 30, 20, 30, 30}});
    for (HostEntity* e : {Entity(label), Entity(&wide), Entity(&solid), Entity(&arc), Entity(hatch)}) EDraw1(e);
    EXPECT_EQ(GetPolyFillMode(dc), fillMode);
    RECT band = {0, 0, 60, 12};
    DevVText("name", &band);
    DevSLine(0, 0, 9, 9);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
    EXPECT_EQ(GetTextAlign(dc), align);
    EXPECT_EQ(GetBkMode(dc), mode);
    EXPECT_EQ(GetTextColor(dc), text);
    EXPECT_EQ(GetBkColor(dc), back);
}

// ---- Resources ----

// Counts GDI objects made and deleted by this program by rerouting its own
// imports of gdi32: Wine's GetGuiResources always answers 0.
namespace gdicount {

LONG made, deleted;

#define COUNTED(Result, Name, Params, Args)                 \
    Result(WINAPI* Original##Name) Params;                  \
    Result WINAPI Counted##Name Params {                    \
        Result object = Original##Name Args;                \
        if (object) ++made;                                 \
        return object;                                      \
    }
COUNTED(HPEN, CreatePen, (int s, int w, COLORREF c), (s, w, c))
COUNTED(HPEN, ExtCreatePen, (DWORD s, DWORD w, const LOGBRUSH* b, DWORD n, const DWORD* d), (s, w, b, n, d))
COUNTED(HFONT, CreateFontA,
        (int h, int w, int e, int o, int wt, DWORD i, DWORD u, DWORD so, DWORD cs, DWORD op, DWORD cp,
         DWORD q, DWORD pf, LPCSTR f),
        (h, w, e, o, wt, i, u, so, cs, op, cp, q, pf, f))
COUNTED(HFONT, CreateFontIndirectA, (const LOGFONTA* f), (f))
COUNTED(HBRUSH, CreateSolidBrush, (COLORREF c), (c))
COUNTED(HBITMAP, CreateCompatibleBitmap, (HDC dc, int w, int h), (dc, w, h))
COUNTED(HDC, CreateCompatibleDC, (HDC dc), (dc))
COUNTED(HRGN, CreateRectRgn, (int l, int t, int r, int b), (l, t, r, b))
#undef COUNTED
BOOL(WINAPI* OriginalDeleteObject)(HGDIOBJ);
BOOL WINAPI CountedDeleteObject(HGDIOBJ object) {
    BOOL done = OriginalDeleteObject(object);
    if (done && object) ++deleted;
    return done;
}
BOOL(WINAPI* OriginalDeleteDC)(HDC);
BOOL WINAPI CountedDeleteDC(HDC dc) {
    BOOL done = OriginalDeleteDC(dc);
    if (done) ++deleted;
    return done;
}

// Swaps the program's import slot of gdi32!name; false when it has none.
template <typename F>
bool Reroute(const char* name, F replacement, F* original) {
    FARPROC real = GetProcAddress(GetModuleHandleA("gdi32.dll"), name);
    auto base = reinterpret_cast<unsigned char*>(GetModuleHandleA(nullptr));
    auto dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        for (auto slot = reinterpret_cast<FARPROC*>(base + d->FirstThunk); *slot; ++slot) {
            if (*slot != real && *slot != reinterpret_cast<FARPROC>(replacement)) continue;
            DWORD old;
            VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
            if (*slot == real) *original = reinterpret_cast<F>(real);
            *slot = reinterpret_cast<FARPROC>(replacement);
            VirtualProtect(slot, sizeof *slot, old, &old);
            return true;
        }
    }
    return false;
}

bool Install() {
    bool all = true;
#define ROUTE(Name) all &= Reroute(#Name, Counted##Name, &Original##Name)
    ROUTE(CreatePen);
    ROUTE(ExtCreatePen);
    ROUTE(CreateFontA);
    ROUTE(CreateCompatibleDC);
    ROUTE(DeleteObject);
    ROUTE(DeleteDC);
#undef ROUTE
    // Imported only when some part of the program uses them.
    Reroute("CreateSolidBrush", CountedCreateSolidBrush, &OriginalCreateSolidBrush);
    Reroute("CreateFontIndirectA", CountedCreateFontIndirectA, &OriginalCreateFontIndirectA);
    Reroute("CreateCompatibleBitmap", CountedCreateCompatibleBitmap, &OriginalCreateCompatibleBitmap);
    Reroute("CreateRectRgn", CountedCreateRectRgn, &OriginalCreateRectRgn);
    return all;
}

}  // namespace gdicount

TEST(Resources, ThousandsOfDrawsLeaveNoGdiObjectsBehind) {
    ASSERT_TRUE(gdicount::Install());
    Canvas canvas;
    Symbols symbols;
    LineRecord stroke = Line(0, 0, 10, 0);
    symbols.AddMember(&stroke, sizeof stroke);
    auto text = Text("Label", 10, 10, 12, 0.3f);
    auto tiny = Text("tiny", 10, 10, 1, 0);
    LineRecord dashed = Line(0, 0, 100, 50);
    dashed.head.lineStyle = 1;
    LineRecord wide = Line(0, 50, 100, 0);
    wide.head.lineWidth = 3;
    wide.head.lineStyle = 2;
    ArcRecord arc = Arc(50, 50, 20, 0.5f, 2);
    SolidRecord solid = Solid({10, 10, 40, 10, 40, 40, 10, 40});
    FrameRecord mark = Frame(kViewMark, 5, 5, 95, 95);
    auto path = Polyline({1, 1, 50, 99, 99, 1}, true);
    HostEntity* ref = symbols.Reference(50, 50, 2, 1, 0.7f);
    LONG made = gdicount::made, deleted = gdicount::deleted;
    for (int i = 0; i < 600; ++i) {
        for (HostEntity* e : {Entity(text), Entity(tiny), Entity(&dashed), Entity(&wide), Entity(&arc),
                              Entity(&solid), Entity(&mark), Entity(path), ref})
            EDraw1(e);
        RECT band = {0, 0, 60, 12};
        DevUseColor(i % 16);
        DevSRect(&band);
        DevHRect(&band);
        DevSLine(0, 0, 50, 50);
        DevVText("name.kvw", &band);
        HFONT old = DevFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
        DevFont(old);
    }
    EXPECT_GE(gdicount::made - made, 600 * 3);   // a font and two pens each round
    EXPECT_EQ(gdicount::made - made, gdicount::deleted - deleted);
    // The view of the main window, with a drawing and without.
    HWND view = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 120, 90, nullptr, nullptr, nullptr, nullptr);
    made = gdicount::made, deleted = gdicount::deleted;
    for (int i = 0; i < 50; ++i) PaintDrawingView(view, canvas.dc());
    EXPECT_GE(gdicount::made - made, 100);
    EXPECT_EQ(gdicount::made - made, gdicount::deleted - deleted);
    DestroyWindow(view);
}

}  // namespace
