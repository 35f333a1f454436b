// DXF import: group reader, section parser, conversion to host records, the
// built list, hostile inputs and the corpus of real files.
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "preview/preview.h"
#include "standin/drawing/drawing.h"
#include "standin/dxf/dxf.h"
#include "standin/standin.h"

namespace {

// A DXF text from code / value pairs, one per line.
std::string Lines(std::initializer_list<const char*> items, const char* eol = "\n") {
    std::string s;
    for (const char* item : items) {
        s += item;
        s += eol;
    }
    return s;
}

// ENTITIES section around the given groups, ending in EOF.
std::string Entities(const std::string& body) {
    return Lines({"0", "SECTION", "2", "ENTITIES"}) + body + Lines({"0", "ENDSEC", "0", "EOF"});
}

bool Parse(const std::string& text, DxfModel* model, std::string* why = nullptr) {
    char reason[128];
    bool ok = ParseDxf(reinterpret_cast<const uint8_t*>(text.data()), text.size(), model, reason, sizeof reason);
    if (why) *why = reason;
    return ok;
}

// The records of a buffer, for inspection.
std::vector<const EntityHead*> Records(const RecordBuffer& buffer) {
    std::vector<const EntityHead*> out;
    ForEachRecord(buffer, [&](const EntityHead* head) { out.push_back(head); });
    return out;
}

bool Plan(const std::string& text, DxfPlan* plan) {
    DxfModel model;
    if (!Parse(text, &model)) return false;
    char why[128];
    return PlanDxf(model, plan, why, sizeof why);
}

template <typename R>
const R* As(const EntityHead* head) { return reinterpret_cast<const R*>(head); }

// A file in the temporary folder that is deleted with the object.
struct TempFile {
    char path[MAX_PATH];
    TempFile(const std::string& contents, const char* name = "dxftest.dxf") {
        char folder[MAX_PATH];
        GetTempPathA(sizeof folder, folder);
        snprintf(path, sizeof path, "%s%u_%s", folder, static_cast<unsigned>(GetCurrentProcessId()), name);
        FILE* f = fopen(path, "wb");
        if (f) {
            fwrite(contents.data(), 1, contents.size(), f);
            fclose(f);
        }
    }
    ~TempFile() { DeleteFileA(path); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
};

// ---- Group reader ----

TEST(DxfGroups, AsciiPairsWithCrLfAndTrailingBlanks) {
    std::string text = "  0\r\nSECTION  \r\n  2\r\nENTITIES\t\r\n10\r\n 1.5 \r\n";
    DxfReader r;
    OpenDxfReader(&r, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    DxfGroup g;
    ASSERT_EQ(NextDxfGroup(&r, &g), kDxfGroup);
    EXPECT_EQ(g.code, 0);
    EXPECT_STREQ(g.text, "SECTION");
    ASSERT_EQ(NextDxfGroup(&r, &g), kDxfGroup);
    EXPECT_STREQ(g.text, "ENTITIES");
    ASSERT_EQ(NextDxfGroup(&r, &g), kDxfGroup);
    double v = 0;
    EXPECT_TRUE(GroupNumber(g, &v));
    EXPECT_EQ(v, 1.5);
    EXPECT_EQ(NextDxfGroup(&r, &g), kDxfEnd);
}

TEST(DxfGroups, BadCodesAndMissingValuesAreReported) {
    for (const char* text : {"X\nSECTION\n", "99999\nv\n", "0\n", "1.5\nv\n", "0 0\nv\n"}) {
        DxfReader r;
        OpenDxfReader(&r, reinterpret_cast<const uint8_t*>(text), strlen(text));
        DxfGroup g;
        EXPECT_EQ(NextDxfGroup(&r, &g), kDxfBad) << text;
    }
}

TEST(DxfGroups, NumbersThatAreNotFiniteAreRefused) {
    DxfGroup g = {};
    for (const char* text : {"nan", "inf", "-INF", "1e999", "", "1.5x", "abc"}) {
        snprintf(g.text, sizeof g.text, "%s", text);
        double v;
        EXPECT_FALSE(GroupNumber(g, &v)) << text;
    }
    snprintf(g.text, sizeof g.text, "%s", "  -2.5e3");
    double v;
    EXPECT_TRUE(GroupNumber(g, &v));
    EXPECT_EQ(v, -2500);
}

TEST(DxfGroups, LongLinesAreCutNotOverrun) {
    std::string text = "1\n" + std::string(100000, 'x') + "\n0\nEOF\n";
    DxfReader r;
    OpenDxfReader(&r, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    DxfGroup g;
    ASSERT_EQ(NextDxfGroup(&r, &g), kDxfGroup);
    EXPECT_EQ(g.length, static_cast<int>(kDxfMaxValue));
    ASSERT_EQ(NextDxfGroup(&r, &g), kDxfGroup);
    EXPECT_STREQ(g.text, "EOF");
}

std::string BinaryHeader() { return std::string("AutoCAD Binary DXF\r\n\x1a\0", 22); }

TEST(DxfGroups, BinaryWithOneAndTwoByteCodes) {
    double x = 12.5;
    std::string one = BinaryHeader() + std::string("\0SECTION\0", 9) + std::string("\x0a", 1) +
                      std::string(reinterpret_cast<const char*>(&x), 8) + std::string("\x46\x07\x00", 3);
    DxfReader r;
    OpenDxfReader(&r, reinterpret_cast<const uint8_t*>(one.data()), one.size());
    EXPECT_TRUE(r.binary);
    EXPECT_FALSE(r.twoByteCodes);
    DxfGroup g;
    ASSERT_EQ(NextDxfGroup(&r, &g), kDxfGroup);
    EXPECT_STREQ(g.text, "SECTION");
    ASSERT_EQ(NextDxfGroup(&r, &g), kDxfGroup);
    double v = 0;
    EXPECT_EQ(g.code, 10);
    EXPECT_TRUE(GroupNumber(g, &v));
    EXPECT_EQ(v, 12.5);
    ASSERT_EQ(NextDxfGroup(&r, &g), kDxfGroup);
    EXPECT_EQ(g.code, 70);
    EXPECT_TRUE(GroupNumber(g, &v));
    EXPECT_EQ(v, 7);
    EXPECT_EQ(NextDxfGroup(&r, &g), kDxfEnd);

    std::string two = BinaryHeader() + std::string("\0\0SECTION\0", 10) + std::string("\x0a\x00", 2) +
                      std::string(reinterpret_cast<const char*>(&x), 8);
    OpenDxfReader(&r, reinterpret_cast<const uint8_t*>(two.data()), two.size());
    EXPECT_TRUE(r.twoByteCodes);
    ASSERT_EQ(NextDxfGroup(&r, &g), kDxfGroup);
    EXPECT_STREQ(g.text, "SECTION");
    ASSERT_EQ(NextDxfGroup(&r, &g), kDxfGroup);
    EXPECT_TRUE(GroupNumber(g, &v));
    EXPECT_EQ(v, 12.5);
    // Cut inside a double, a string without its NUL, a code without a type.
    for (size_t cut = two.size() - 1; cut > 32; --cut) {
        OpenDxfReader(&r, reinterpret_cast<const uint8_t*>(two.data()), cut);
        NextDxfGroup(&r, &g);
        EXPECT_EQ(NextDxfGroup(&r, &g), kDxfBad) << cut;
    }
    std::string untyped = BinaryHeader() + std::string("\0\0SECTION\0", 10) + std::string("\xf4\x01xx", 4);
    OpenDxfReader(&r, reinterpret_cast<const uint8_t*>(untyped.data()), untyped.size());
    NextDxfGroup(&r, &g);
    EXPECT_EQ(NextDxfGroup(&r, &g), kDxfBad);
}

// ---- Parsing and conversion, one entity kind at a time ----

TEST(DxfEntities, LineKeepsItsCoordinates) {
    DxfPlan plan;
    ASSERT_TRUE(Plan(Entities(Lines({"0", "LINE", "8", "0", "10", "1", "20", "2", "30", "3", "11", "4", "21",
                                     "5", "31", "6"})),
                     &plan));
    auto records = Records(plan.entities);
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(records[0]->type, kLine);
    const LineRecord* l = As<LineRecord>(records[0]);
    EXPECT_EQ(l->head.length, sizeof(LineRecord));
    EXPECT_FLOAT_EQ(l->from.x, 1);
    EXPECT_FLOAT_EQ(l->from.y, 2);
    EXPECT_FLOAT_EQ(l->from.z, 3);
    EXPECT_FLOAT_EQ(l->to.x, 4);
    EXPECT_FLOAT_EQ(l->to.y, 5);
    EXPECT_FLOAT_EQ(l->to.z, 6);
}

TEST(DxfEntities, ArcAnglesBecomeRadiansCounterClockwise) {
    DxfPlan plan;
    ASSERT_TRUE(Plan(Entities(Lines({"0", "ARC", "10", "5", "20", "6", "40", "2", "50", "90", "51", "180"})),
                     &plan));
    auto records = Records(plan.entities);
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(records[0]->type, kArc);
    const ArcRecord* a = As<ArcRecord>(records[0]);
    EXPECT_FLOAT_EQ(a->centre.x, 5);
    EXPECT_FLOAT_EQ(a->radius, 2);
    EXPECT_NEAR(a->start, M_PI / 2, 1e-6);
    EXPECT_NEAR(a->end, M_PI, 1e-6);
}

TEST(DxfEntities, ArcSeenFromBelowIsMirrored) {
    // Extrusion (0, 0, -1): OCS x runs the other way; 0..90 degrees become 90..180.
    DxfPlan plan;
    ASSERT_TRUE(Plan(Entities(Lines({"0", "ARC", "10", "5", "20", "6", "40", "2", "50", "0", "51", "90", "230",
                                     "-1"})),
                     &plan));
    auto records = Records(plan.entities);
    ASSERT_EQ(records.size(), 1u);
    const ArcRecord* a = As<ArcRecord>(records[0]);
    EXPECT_FLOAT_EQ(a->centre.x, -5);
    EXPECT_FLOAT_EQ(a->centre.y, 6);
    EXPECT_NEAR(a->start, M_PI / 2, 1e-6);
    EXPECT_NEAR(a->end, M_PI, 1e-6);
}

TEST(DxfEntities, CircleAndPoint) {
    DxfPlan plan;
    ASSERT_TRUE(Plan(Entities(Lines({"0", "CIRCLE", "10", "1", "20", "1", "40", "3", "0", "POINT", "10", "7",
                                     "20", "8", "0", "CIRCLE", "10", "1", "20", "1", "40", "0"})),
                     &plan));
    auto records = Records(plan.entities);
    ASSERT_EQ(records.size(), 2u) << "a circle without radius is left out";
    EXPECT_EQ(records[0]->type, kCircle);
    EXPECT_FLOAT_EQ(As<CircleRecord>(records[0])->radius, 3);
    EXPECT_EQ(records[1]->type, kPoint);
    EXPECT_FLOAT_EQ(As<PointRecord>(records[1])->at.y, 8);
}

const Point3* PointsOf(const EntityHead* head) {
    return reinterpret_cast<const Point3*>(reinterpret_cast<const uint8_t*>(head) + sizeof(PolylineRecord));
}

TEST(DxfEntities, LwPolylineClosedWithBulge) {
    // A square with a half-circle bulge on its first side.
    DxfPlan plan;
    ASSERT_TRUE(Plan(Entities(Lines({"0", "LWPOLYLINE", "90", "4", "70", "1", "10", "0", "20", "0", "42", "1",
                                     "10", "2", "20", "0", "10", "2", "20", "2", "10", "0", "20", "2"})),
                     &plan));
    auto records = Records(plan.entities);
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(records[0]->type, kPolyline);
    const PolylineRecord* p = As<PolylineRecord>(records[0]);
    EXPECT_EQ(p->flags & 1, 1u);
    ASSERT_GT(p->count, 4u);
    EXPECT_EQ(p->head.length, sizeof(PolylineRecord) + p->count * sizeof(Point3));
    const Point3* pts = PointsOf(records[0]);
    // Bulge 1 from (0,0) to (2,0) turns counter-clockwise: the arc dips below y = 0.
    float lowest = 0;
    for (uint32_t i = 0; i < p->count; ++i) lowest = pts[i].y < lowest ? pts[i].y : lowest;
    EXPECT_NEAR(lowest, -1, 0.01);
    EXPECT_FLOAT_EQ(pts[p->count - 1].x, 0);
    EXPECT_FLOAT_EQ(pts[p->count - 1].y, 2);
}

TEST(DxfEntities, OldPolylineWithVerticesAndSeqend) {
    DxfPlan plan;
    ASSERT_TRUE(Plan(Entities(Lines({"0", "POLYLINE", "66", "1", "70", "1", "0", "VERTEX", "10", "0", "20", "0",
                                     "0", "VERTEX", "10", "3", "20", "0", "0", "VERTEX", "10", "3", "20", "4",
                                     "0", "SEQEND", "0", "LINE", "11", "1"})),
                     &plan));
    auto records = Records(plan.entities);
    ASSERT_EQ(records.size(), 2u);
    ASSERT_EQ(records[0]->type, kPolyline);
    const PolylineRecord* p = As<PolylineRecord>(records[0]);
    EXPECT_EQ(p->flags, 1u);
    ASSERT_EQ(p->count, 3u);
    EXPECT_FLOAT_EQ(PointsOf(records[0])[2].y, 4);
    EXPECT_EQ(records[1]->type, kLine);
}

TEST(DxfEntities, SmoothedMeshIsItsFittedGrid) {
    // Regression: a mesh smoothed to 3 x 2 fitted vertices (control mesh
    // 2 x 2) did not match its control counts and became one zigzag.
    std::vector<const char*> groups = {"0", "POLYLINE", "66", "1", "70", "20", "71", "2", "72", "2",
                                       "73", "3", "74", "2"};
    const char* control[4][2] = {{"0", "0"}, {"0", "9"}, {"9", "0"}, {"9", "9"}};
    for (auto& xy : control) groups.insert(groups.end(), {"0", "VERTEX", "70", "80", "10", xy[0], "20", xy[1]});
    const char* fitted[6][2] = {{"0", "0"}, {"0", "9"}, {"5", "0"}, {"5", "9"}, {"9", "0"}, {"9", "9"}};
    for (auto& xy : fitted) groups.insert(groups.end(), {"0", "VERTEX", "70", "72", "10", xy[0], "20", xy[1]});
    groups.insert(groups.end(), {"0", "SEQEND"});
    std::string body;
    for (const char* g : groups) body += std::string(g) + "\n";
    DxfPlan plan;
    ASSERT_TRUE(Plan(Entities(body), &plan));
    auto records = Records(plan.entities);
    ASSERT_EQ(records.size(), 5u) << "three rows of two, two columns of three";
    EXPECT_EQ(As<PolylineRecord>(records[0])->count, 2u);
    EXPECT_EQ(As<PolylineRecord>(records[4])->count, 3u);
}

TEST(DxfEntities, EllipseRespectsItsParameters) {
    // Major axis 4 along x, ratio 0.5; the upper half only (0..pi).
    DxfPlan plan;
    ASSERT_TRUE(Plan(Entities(Lines({"0", "ELLIPSE", "10", "0", "20", "0", "11", "4", "21", "0", "40", "0.5",
                                     "41", "0", "42", "3.14159265358979"})),
                     &plan));
    auto records = Records(plan.entities);
    ASSERT_EQ(records.size(), 1u);
    const PolylineRecord* p = As<PolylineRecord>(records[0]);
    EXPECT_EQ(p->flags, 0u);
    const Point3* pts = PointsOf(records[0]);
    EXPECT_NEAR(pts[0].x, 4, 1e-4);
    EXPECT_NEAR(pts[p->count - 1].x, -4, 1e-4);
    float top = 0;
    for (uint32_t i = 0; i < p->count; ++i) {
        EXPECT_GE(pts[i].y, -1e-4);
        top = pts[i].y > top ? pts[i].y : top;
    }
    EXPECT_NEAR(top, 2, 0.01);
}

// The one polyline a spline of these groups becomes; empty when it is not one.
std::vector<Point3> SplinePointsOf(std::initializer_list<const char*> groups) {
    DxfPlan plan;
    std::vector<const char*> all = {"0", "SPLINE"};
    all.insert(all.end(), groups.begin(), groups.end());
    std::string body;
    for (const char* g : all) body += std::string(g) + "\n";
    if (!Plan(Entities(body), &plan)) return {};
    auto records = Records(plan.entities);
    if (records.size() != 1 || records[0]->type != kPolyline) return {};
    const Point3* pts = PointsOf(records[0]);
    return std::vector<Point3>(pts, pts + As<PolylineRecord>(records[0])->count);
}

float Highest(const std::vector<Point3>& points, float Point3::*axis) {
    float top = -1e30f;
    for (const Point3& p : points) top = std::max(top, p.*axis);
    return top;
}

TEST(DxfEntities, SplineThroughFitPointsOrAlongControlPoints) {
    // Fit points alone: a smooth curve through each of them.
    std::vector<Point3> pts = SplinePointsOf({"71", "3", "11", "0", "21", "0", "11", "1", "21", "1", "11", "2", "21", "0"});
    ASSERT_EQ(pts.size(), 17u);
    EXPECT_NEAR(pts[8].x, 1, 1e-6);
    EXPECT_NEAR(pts[8].y, 1, 1e-6);
    EXPECT_GT(pts[4].y, 0.55) << "bowed out, not the chord";
    // Clamped quadratic: starts and ends at its end control points, stays in their hull.
    pts = SplinePointsOf({"71", "2", "40", "0", "40", "0", "40", "0", "40", "1", "40", "1", "40", "1", "10", "0", "20",
                          "0", "10", "1", "20", "2", "10", "2", "20", "0"});
    ASSERT_GT(pts.size(), 3u);
    EXPECT_NEAR(pts[0].x, 0, 1e-5);
    EXPECT_NEAR(pts.back().x, 2, 1e-5);
    EXPECT_NEAR(Highest(pts, &Point3::y), 1, 0.01);  // the curve's peak is half the middle control point's height
    // Regression: with fit points given too, the curve was drawn as straight
    // segments through them (a zigzag) instead of from its control points.
    pts = SplinePointsOf({"71", "2", "40", "0", "40", "0", "40", "0", "40", "1", "40", "1", "40", "1", "10", "0", "20",
                          "0", "10", "1", "20", "2", "10", "2", "20", "0", "11", "0", "21", "0", "11", "1", "21", "2",
                          "11", "2", "21", "0"});
    EXPECT_NEAR(Highest(pts, &Point3::y), 1, 0.01);
    // Regression: a closed periodic spline that gives one period of knots
    // (n + 1) was drawn as its control polygon.
    pts = SplinePointsOf({"70", "7", "71", "3", "40", "0", "40", "1", "40", "2", "40", "3", "40", "4", "41", "1", "41",
                          "1", "41", "1", "41", "1", "10", "1", "20", "1", "10", "-1", "20", "1", "10", "-1", "20", "-1",
                          "10", "1", "20", "-1"});
    ASSERT_GT(pts.size(), 8u);
    EXPECT_NEAR(pts[0].x, pts.back().x, 1e-5);
    EXPECT_NEAR(pts[0].y, pts.back().y, 1e-5);
    EXPECT_NEAR(Highest(pts, &Point3::x), 11.0 / 12, 0.01) << "(P0 + 23 P1 + 23 P2 + P3) / 48 halfway along the span";
}

TEST(DxfEntities, TextHeightRotationAndSpecialCharacters) {
    DxfPlan plan;
    ASSERT_TRUE(Plan(Entities(Lines({"0", "TEXT", "10", "1", "20", "2", "40", "2.5", "50", "90", "1",
                                     "45%%d %%p1 %%%"})),
                     &plan));
    auto records = Records(plan.entities);
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(records[0]->type, kText);
    const TextRecord* t = As<TextRecord>(records[0]);
    // The host's height is the font's em; DXF's is the capitals' height.
    EXPECT_FLOAT_EQ(t->height, static_cast<float>(2.5 / kDxfCapHeight));
    EXPECT_NEAR(t->angle, M_PI / 2, 1e-6);
    const char* text = reinterpret_cast<const char*>(t) + sizeof(TextRecord);
    EXPECT_STREQ(text, "45\xB0 \xB1" "1 %");
    // Character numbers: the text fonts' degree, plus-minus and diameter,
    // others from the code page; underline, overline and strike toggles vanish.
    EXPECT_EQ(CleanText("%%127%%128%%129 %%065%%u%%o%%kx %%", false, 1252), "\xB0\xB1\xD8 Ax %%");
    EXPECT_EQ(t->head.length, sizeof(TextRecord) + strlen(text) + 1);
}

TEST(DxfEntities, MTextCodesAreStrippedAndLinesSplit) {
    EXPECT_EQ(CleanText("{\\fArial|b1;Bold}\\Pnext\\~line \\S1^2; \\\\ \\{x\\}", true, 1252),
              "Bold\nnext\xA0line 1/2 \\ {x}");
    EXPECT_EQ(CleanText("\\A1;\\C1;\\H2.5x;big\\U+00B0", true, 1252), "big\xB0");
    EXPECT_EQ(CleanText("caf\xC3\xA9 \xE2\x82\xAC \xE2\x98\x83", false, kDxfUtf8), "caf\xE9 \x80 ?");
    EXPECT_EQ(CleanText("\\", true, 1252), "");
    EXPECT_EQ(CleanText("\\S1^", true, 1252), "1/");

    DxfPlan plan;
    ASSERT_TRUE(Plan(Entities(Lines({"0", "MTEXT", "10", "0", "20", "10", "40", "3", "71", "1", "3", "first",
                                     "1", "\\Psecond"})),
                     &plan));
    auto records = Records(plan.entities);
    ASSERT_EQ(records.size(), 2u);
    const TextRecord* a = As<TextRecord>(records[0]);
    const TextRecord* b = As<TextRecord>(records[1]);
    EXPECT_STREQ(reinterpret_cast<const char*>(a) + sizeof(TextRecord), "first");
    EXPECT_STREQ(reinterpret_cast<const char*>(b) + sizeof(TextRecord), "second");
    EXPECT_FLOAT_EQ(a->at.y, 7);  // top-left attachment: the first baseline one height down
    EXPECT_LT(b->at.y, a->at.y);
}

TEST(DxfEntities, MTextWrapsAtItsReferenceWidth) {
    // Regression: a paragraph was one line however narrow its box (41).
    std::string words;
    for (int i = 0; i < 40; ++i) words += (i ? " w" : "w") + std::to_string(i);
    DxfPlan plan;
    ASSERT_TRUE(Plan(Entities(Lines({"0", "MTEXT", "10", "0", "20", "0", "40", "1", "41", "10", "44", "2", "71",
                                     "1", "1", ("Title\\P" + words + "\\Pa\\~b c").c_str()})),
                     &plan));
    auto records = Records(plan.entities);
    ASSERT_GT(records.size(), 8u);
    std::string joined;
    float lastY = 1;
    for (const EntityHead* r : records) {
        const TextRecord* t = As<TextRecord>(r);
        std::string line = reinterpret_cast<const char*>(t) + sizeof(TextRecord);
        EXPECT_LE(ShownTextWidth(line, 1), 10 + 1e-9) << line;
        EXPECT_LT(t->at.y, lastY);
        lastY = t->at.y;
        joined += (joined.empty() ? "" : "|") + line;
    }
    EXPECT_EQ(joined.substr(0, 9), "Title|w0 ") << "a paragraph break ends a line";
    EXPECT_EQ(joined.substr(joined.size() - 5), "a\xA0" "b c") << "no break at a non-breaking space";
    // Line spacing factor 2: baselines 2 * 5/3 heights apart.
    EXPECT_NEAR(As<TextRecord>(records[0])->at.y - As<TextRecord>(records[1])->at.y, 10.0 / 3, 1e-5);
}

TEST(DxfEntities, MTextRotationIsInRadians) {
    // Regression: MTEXT's 50 was read as degrees like TEXT's, turning texts at random.
    DxfPlan plan;
    ASSERT_TRUE(Plan(Entities(Lines({"0", "MTEXT", "40", "1", "50", "1.5", "1", "a", "0", "MTEXT", "40", "1",
                                     "11", "0", "21", "2", "1", "b"})),
                     &plan));
    auto records = Records(plan.entities);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_NEAR(As<TextRecord>(records[0])->angle, 1.5, 1e-6);
    EXPECT_NEAR(As<TextRecord>(records[1])->angle, M_PI / 2, 1e-6) << "the direction vector wins";
}

TEST(DxfEntities, MTextEmbeddedObjectDoesNotOverrideTheText) {
    // Regression: the codes after 101 (column data) moved and turned R2018 MTEXT.
    DxfPlan plan;
    ASSERT_TRUE(Plan(Entities(Lines({"0", "MTEXT", "10", "5", "20", "6", "40", "1", "1", "a", "101",
                                     "Embedded Object", "10", "1", "20", "0", "11", "5", "21", "6", "40", "900"})),
                     &plan));
    auto records = Records(plan.entities);
    ASSERT_EQ(records.size(), 1u);
    const TextRecord* t = As<TextRecord>(records[0]);
    EXPECT_FLOAT_EQ(t->at.x, 5);
    EXPECT_FLOAT_EQ(t->angle, 0);
    EXPECT_FLOAT_EQ(t->height, static_cast<float>(1 / kDxfCapHeight));
}

TEST(DxfEntities, EllipseWithRatioAboveOneIsKept) {
    // Regression: a writer's ratio of 1.0095 made every ellipse of the drawing vanish.
    DxfPlan plan;
    ASSERT_TRUE(Plan(Entities(Lines({"0", "ELLIPSE", "11", "24", "40", "1.009533", "41", "3.14159", "42",
                                     "4.71239"})),
                     &plan));
    EXPECT_EQ(Records(plan.entities).size(), 1u);
}

TEST(DxfEntities, SolidCornersGoRoundAndFacesAreOutlines) {
    DxfPlan plan;
    ASSERT_TRUE(Plan(Entities(Lines({"0", "SOLID", "10", "0", "20", "0", "11", "1", "21", "0", "12", "0", "22",
                                     "1", "13", "1", "23", "1", "0", "3DFACE", "10", "0", "20", "0", "11", "1",
                                     "21", "0", "12", "1", "22", "1"})),
                     &plan));
    auto records = Records(plan.entities);
    ASSERT_EQ(records.size(), 2u);
    ASSERT_EQ(records[0]->type, kSolid);
    const SolidRecord* s = As<SolidRecord>(records[0]);
    EXPECT_FLOAT_EQ(s->corner[2].x, 1);  // DXF's fourth corner (1,1) comes third
    EXPECT_FLOAT_EQ(s->corner[2].y, 1);
    EXPECT_FLOAT_EQ(s->corner[3].x, 0);
    ASSERT_EQ(records[1]->type, kPolyline);
    EXPECT_EQ(As<PolylineRecord>(records[1])->count, 3u);
    EXPECT_EQ(As<PolylineRecord>(records[1])->flags, 1u);
}

// ---- Layers, colours, blocks ----

std::string LayerTable() {
    return Lines({"0", "SECTION", "2", "TABLES", "0", "TABLE", "2", "LAYER", "70", "3",
                  "0", "LAYER", "2", "0", "70", "0", "62", "7",
                  "0", "LAYER", "2", "Walls", "70", "0", "62", "-1",
                  "0", "LAYER", "2", "Frozen", "70", "1", "62", "3",
                  "0", "ENDTAB", "0", "ENDSEC"});
}

TEST(DxfLayers, OffAndFrozenLayersAreHiddenAndColoursFollowLayers) {
    std::string text = LayerTable() +
                       Entities(Lines({"0", "LINE", "8", "walls", "0", "LINE", "8", "Frozen", "62", "5", "0",
                                       "LINE", "8", "Unknown", "0", "LINE", "8", "0", "62", "256"}));
    DxfPlan plan;
    ASSERT_TRUE(Plan(text, &plan));
    ASSERT_EQ(plan.layers.size(), 4u);
    EXPECT_STREQ(plan.layers[1].name, "Walls");
    EXPECT_EQ(plan.layers[0].flags & 1, 0);
    EXPECT_EQ(plan.layers[1].flags & 1, 1) << "negative colour: off";
    EXPECT_EQ(plan.layers[2].flags & 1, 1) << "flag 1: frozen";
    EXPECT_STREQ(plan.layers[3].name, "Unknown");
    for (int i = 0; i < 4; ++i) EXPECT_EQ(plan.layers[i].number, i);
    auto records = Records(plan.entities);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0]->layer, 1) << "layer names ignore case";
    EXPECT_EQ(records[0]->colour, HostColourOf(1)) << "by layer: the layer's red";
    EXPECT_EQ(records[1]->layer, 2);
    EXPECT_EQ(records[1]->colour, HostColourOf(5));
    EXPECT_EQ(records[2]->layer, 3);
    EXPECT_EQ(records[3]->colour, 0) << "ACI 7 is black on the white background";
}

TEST(DxfLayers, AciColoursMapOntoTheHostPalette) {
    EXPECT_EQ(HostColourOf(1), 12);
    EXPECT_EQ(HostColourOf(2), 14);
    EXPECT_EQ(HostColourOf(3), 10);
    EXPECT_EQ(HostColourOf(5), 9);
    EXPECT_EQ(HostColourOf(7), 0);
    // The colour cube from 16: 16 + 36 r + 6 g + b, each 0..5.
    EXPECT_EQ(HostColourOf(10), 16 + 36 * 5);           // full red
    EXPECT_EQ(HostColourOf(11), 16 + 36 * 5 + 6 * 3 + 3);  // pale red
    EXPECT_EQ(HostColourOf(170), 16 + 5);               // full blue
    EXPECT_EQ(HostColourOf(90), 16 + 6 * 5);            // full green
    EXPECT_EQ(HostColourOf(255), 16 + 215);             // white
    for (int aci = -5; aci < 300; ++aci) {
        int c = HostColourOf(aci);
        EXPECT_TRUE(c >= 0 && c <= 255) << aci;
    }
}

std::string Block(const char* name, double bx, double by, const std::string& body) {
    char base[2][32];
    snprintf(base[0], sizeof base[0], "%g", bx);
    snprintf(base[1], sizeof base[1], "%g", by);
    return Lines({"0", "BLOCK", "8", "0", "2", name, "70", "0", "10", base[0], "20", base[1]}) + body +
           Lines({"0", "ENDBLK", "8", "0"});
}

std::string Blocks(const std::string& blocks) {
    return Lines({"0", "SECTION", "2", "BLOCKS"}) + blocks + Lines({"0", "ENDSEC"});
}

TEST(DxfBlocks, InsertRefersToItsDefinitionWithMembersAndBox) {
    std::string text =
        Blocks(Block("*Model_Space", 0, 0, "") +
               Block("DOOR", 1, 1, Lines({"0", "LINE", "10", "1", "20", "1", "11", "3", "21", "5"})) +
               Block("UNUSED", 0, 0, Lines({"0", "LINE", "11", "9"}))) +
        Entities(Lines({"0", "INSERT", "2", "door", "10", "10", "20", "20", "41", "2", "42", "3", "50", "90"}));
    DxfPlan plan;
    ASSERT_TRUE(Plan(text, &plan));
    ASSERT_EQ(plan.definitions.size(), 1u) << "only inserted blocks are defined";
    const SymbolDefRecord& def = plan.definitions[0].record;
    EXPECT_STREQ(def.name, "DOOR");
    EXPECT_EQ(def.head.type, kSymbolDef);
    // Members relative to the base point (1,1).
    EXPECT_FLOAT_EQ(def.min.x, 0);
    EXPECT_FLOAT_EQ(def.min.y, 0);
    EXPECT_FLOAT_EQ(def.max.x, 2);
    EXPECT_FLOAT_EQ(def.max.y, 4);
    auto members = Records(plan.definitions[0].members);
    ASSERT_EQ(members.size(), 1u);
    EXPECT_FLOAT_EQ(As<LineRecord>(members[0])->to.y, 4);
    auto records = Records(plan.entities);
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(records[0]->type, kSymbolRef);
    const SymbolRefRecord* ref = As<SymbolRefRecord>(records[0]);
    EXPECT_STREQ(ref->name, "DOOR");
    EXPECT_FLOAT_EQ(ref->placement.at.x, 10);
    EXPECT_FLOAT_EQ(ref->placement.scaleX, 2);
    EXPECT_FLOAT_EQ(ref->placement.scaleY, 3);
    EXPECT_NEAR(ref->placement.angle, M_PI / 2, 1e-6);
    // Rotated a quarter turn: x spans -12..0 from 10, y spans 0..4 from 20.
    EXPECT_NEAR(ref->min.x, -2, 1e-4);
    EXPECT_NEAR(ref->max.x, 10, 1e-4);
    EXPECT_NEAR(ref->min.y, 20, 1e-4);
    EXPECT_NEAR(ref->max.y, 24, 1e-4);
}

TEST(DxfBlocks, SelfInsertingBlocksDoNotRecurse) {
    // A inserts itself; B and C insert each other; D nests deeper than the host draws.
    std::string deep;
    for (int i = 0; i < 40; ++i) {
        char name[16], inner[16];
        snprintf(name, sizeof name, "D%d", i);
        snprintf(inner, sizeof inner, "D%d", i + 1);
        deep += Block(name, 0, 0, Lines({"0", "LINE", "11", "1", "0", "INSERT", "2", inner}));
    }
    std::string text = Blocks(Block("A", 0, 0, Lines({"0", "LINE", "11", "1", "0", "INSERT", "2", "A"})) +
                              Block("B", 0, 0, Lines({"0", "LINE", "11", "1", "0", "INSERT", "2", "C"})) +
                              Block("C", 0, 0, Lines({"0", "LINE", "11", "1", "0", "INSERT", "2", "B"})) + deep) +
                       Entities(Lines({"0", "INSERT", "2", "A", "0", "INSERT", "2", "B", "0", "INSERT", "2", "D0"}));
    DxfPlan plan;
    ASSERT_TRUE(Plan(text, &plan));
    ASSERT_EQ(Records(plan.entities).size(), 3u);
    // Each definition only refers to definitions made before it.
    std::vector<std::string> seen;
    for (const DxfDefinition& def : plan.definitions) {
        for (const EntityHead* m : Records(def.members)) {
            if (m->type != kSymbolRef) continue;
            bool earlier = false;
            for (const std::string& s : seen) earlier = earlier || s == As<SymbolRefRecord>(m)->name;
            EXPECT_TRUE(earlier) << def.record.name << " refers to " << As<SymbolRefRecord>(m)->name;
        }
        seen.push_back(def.record.name);
    }
    EXPECT_LT(plan.definitions.size(), 20u);
}

TEST(DxfBlocks, LongNamesAreCutAndStayDistinct) {
    std::string a(40, 'N'), b = a;
    a += "A";
    b += "B";
    std::string text = Blocks(Block(a.c_str(), 0, 0, Lines({"0", "LINE", "11", "1"})) +
                              Block(b.c_str(), 0, 0, Lines({"0", "LINE", "11", "2"}))) +
                       Entities(Lines({"0", "INSERT", "2", a.c_str(), "0", "INSERT", "2", b.c_str()}));
    DxfPlan plan;
    ASSERT_TRUE(Plan(text, &plan));
    ASSERT_EQ(plan.definitions.size(), 2u);
    EXPECT_EQ(strlen(plan.definitions[0].record.name), 31u);
    EXPECT_STRCASENE(plan.definitions[0].record.name, plan.definitions[1].record.name);
    auto records = Records(plan.entities);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_STREQ(As<SymbolRefRecord>(records[1])->name, plan.definitions[1].record.name);
}

TEST(DxfBlocks, DimensionShowsItsBlockWhereItIs) {
    // A dimension's block is drawn in world coordinates: its own points only define it.
    std::string text = Blocks(Block("*D1", 0, 0, Lines({"0", "LINE", "10", "5", "11", "9"}))) +
                       Entities(Lines({"0", "DIMENSION", "2", "*D1", "10", "100", "20", "100", "50", "30"}));
    DxfPlan plan;
    ASSERT_TRUE(Plan(text, &plan));
    auto records = Records(plan.entities);
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(records[0]->type, kSymbolRef);
    const SymbolRefRecord* ref = As<SymbolRefRecord>(records[0]);
    EXPECT_FLOAT_EQ(ref->placement.at.x, 0);
    EXPECT_FLOAT_EQ(ref->placement.angle, 0);
    EXPECT_FLOAT_EQ(ref->placement.scaleX, 1);
}

// ---- Hostile input ----

// A small drawing that exercises every section.
std::string SmallDrawing() {
    return Lines({"999", "comment", "0", "SECTION", "2", "HEADER", "9", "$ACADVER", "1", "AC1009", "0",
                  "ENDSEC"}) +
           LayerTable() +
           Blocks(Block("B", 0, 0, Lines({"0", "CIRCLE", "10", "0", "20", "0", "40", "1"}))) +
           Entities(Lines({"0", "LINE", "8", "Walls", "10", "0", "20", "0", "11", "5", "21", "5", "0", "INSERT",
                           "2", "B", "10", "2", "20", "2", "0", "LWPOLYLINE", "10", "0", "20", "0", "10", "1",
                           "20", "1", "0", "TEXT", "1", "x", "0", "POLYLINE", "0", "VERTEX", "10", "1", "0",
                           "VERTEX", "10", "2", "0", "SEQEND"}));
}

TEST(DxfHostile, TruncatedAtEveryLineNeverCrashes) {
    std::string full = SmallDrawing();
    DxfModel model;
    ASSERT_TRUE(Parse(full, &model));
    ASSERT_EQ(model.entities.size(), 5u);
    size_t loaded = 0, cuts = 0;
    for (size_t at = 0; at < full.size(); ++at) {
        if (at != 0 && full[at - 1] != '\n') continue;
        ++cuts;
        DxfModel part;
        if (Parse(full.substr(0, at), &part)) {
            ++loaded;
            DxfPlan plan;
            char why[128];
            EXPECT_TRUE(PlanDxf(part, &plan, why, sizeof why));
        }
        // And cut in the middle of the line.
        if (at + 1 < full.size()) Parse(full.substr(0, at + 1), &part);
    }
    EXPECT_GT(cuts, 100u);
    // Cuts inside a section refuse the file; between sections the drawing so far loads.
    EXPECT_LT(loaded, 10u);
}

// The bytes of a drawing of tests/unit/dxf.
std::string SampleText(const char* name) {
    std::string data;
    FILE* f = fopen((std::string(XP_DXF_SAMPLES) + name).c_str(), "rb");
    if (!f) return data;
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, f)) > 0;) data.append(chunk, n);
    fclose(f);
    return data;
}

TEST(DxfHostile, EveryLineReplacedByHostileTextNeverCrashes) {
    for (const std::string& full : {SmallDrawing(), SampleText("annotations.dxf"),
                                     SampleText("dimensions_without_blocks.dxf"), SampleText("hatches.dxf"),
                                     SampleText("text_sizes.dxf"), SampleText("splines.dxf"),
                                     SampleText("dimension_text_break.dxf")}) {
        ASSERT_GT(full.size(), 100u);
        std::vector<std::string> lines;
        for (size_t from = 0; from < full.size();) {
            size_t nl = full.find('\n', from);
            lines.push_back(full.substr(from, nl - from));
            from = nl + 1;
        }
        const char* hostile[] = {"", "nan", "-1e308", "1e18", "99999", "-5", "0", "SECTION", "BLOCK", "INSERT",
                                 "ENDSEC", "EOF", "\\P\\S^;{", "%%", "}", "LEADER{", "<>", "\\U+D800"};
        int loaded = 0;
        for (size_t i = 0; i < lines.size(); ++i) {
            for (const char* h : hostile) {
                std::string text;
                for (size_t k = 0; k < lines.size(); ++k) text += (k == i ? h : lines[k]) + std::string("\n");
                DxfModel model;
                if (!Parse(text, &model)) continue;
                DxfPlan plan;
                char why[128];
                loaded += PlanDxf(model, &plan, why, sizeof why);
            }
        }
        EXPECT_GT(loaded, 0);
    }
}

TEST(DxfHostile, EveryByteOfABinaryDrawingChangedNeverCrashes) {
    static const char kStart[] = "\0\0SECTION\0\2\0ENTITIES\0\0\0LINE\0\x08\0" "0";
    std::string binary = BinaryHeader() + std::string(kStart, sizeof kStart);
    double v = 1.5;
    for (int code : {10, 20, 30, 11, 21, 31}) {
        int16_t c = static_cast<int16_t>(code);
        binary.append(reinterpret_cast<const char*>(&c), 2);
        binary.append(reinterpret_cast<const char*>(&v), 8);
    }
    static const char kEnd[] = "\0\0ENDSEC\0\0\0EOF";
    binary += std::string(kEnd, sizeof kEnd);
    DxfModel model;
    ASSERT_TRUE(Parse(binary, &model));
    ASSERT_EQ(model.entities.size(), 1u);
    for (size_t at = 22; at < binary.size(); ++at) {
        for (int value : {0x00, 0x01, 0x0A, 0x7F, 0xFF}) {
            std::string bad = binary;
            bad[at] = static_cast<char>(value);
            if (Parse(bad, &model)) {
                DxfPlan plan;
                char why[128];
                PlanDxf(model, &plan, why, sizeof why);
            }
        }
    }
}

TEST(DxfHostile, GarbageAndOddGroupsAreRefusedOrSkipped) {
    DxfModel model;
    std::string why;
    EXPECT_FALSE(Parse("", &model, &why));
    EXPECT_FALSE(Parse("hello world\n", &model, &why));
    EXPECT_FALSE(Parse(std::string("\0\0\0\xff\xfe", 5), &model, &why));
    EXPECT_FALSE(Parse(Lines({"0", "SECTION", "2", "ENTITIES", "0", "LINE", "banana", "1"}), &model, &why));
    EXPECT_FALSE(Parse(Lines({"0", "SECTION", "0", "ENDSEC"}), &model, &why)) << "a section without a name";
    EXPECT_FALSE(Parse(Lines({"0", "SECTION", "2", "ENTITIES", "0", "ENDSEC", "5"}), &model, &why));
    EXPECT_TRUE(Parse(Lines({"0", "SECTION", "2", "ENTITIES", "0", "ENDSEC", "9", "$EXTMIN", "10", "1", "0",
                             "SECTION", "2", "ENTITIES", "0", "LINE", "0", "ENDSEC"}),
                      &model, &why))
        << "groups between sections are read past";
    EXPECT_EQ(model.entities.size(), 1u);
    // Unknown codes, unknown entities, stray groups inside a section: skipped.
    ASSERT_TRUE(Parse(Entities(Lines({"1071", "9", "-5", "x", "0", "WEIRD", "10", "q", "0", "LINE", "1000",
                                      "xdata", "102", "{ACAD", "102", "}", "10", "1", "0", "SEQEND", "0",
                                      "VERTEX"})),
                      &model, &why))
        << why;
    EXPECT_EQ(model.entities.size(), 1u);
    // A section that is never closed, and an EOF followed by trash.
    EXPECT_FALSE(Parse(Lines({"0", "SECTION", "2", "ENTITIES", "0", "LINE"}), &model));
    EXPECT_TRUE(Parse(Entities(Lines({"0", "LINE"})) + "trash\nmore trash", &model));
}

TEST(DxfHostile, NonFiniteOrUnparsableNumbersDropTheEntity) {
    DxfModel model;
    ASSERT_TRUE(Parse(Entities(Lines({"0", "LINE", "10", "nan", "0", "LINE", "11", "inf", "0", "LINE", "20",
                                      "1e300", "0", "CIRCLE", "40", "zz", "0", "ARC", "40", "-1", "0", "LINE",
                                      "10", "1"})),
                      &model));
    ASSERT_EQ(model.entities.size(), 1u);
    EXPECT_EQ(model.entities[0].p[0][0], 1);
}

TEST(DxfHostile, HugeScalesDoNotMakeInfiniteRecords) {
    std::string text = Blocks(Block("B", 0, 0, Lines({"0", "LINE", "10", "1e17", "11", "-1e17"}))) +
                       Entities(Lines({"0", "INSERT", "2", "B", "41", "1e17", "42", "1e17", "0", "LWPOLYLINE",
                                       "10", "1e17", "42", "1e17", "10", "-1e17", "0", "ELLIPSE", "11", "1e17",
                                       "40", "1"}));
    DxfPlan plan;
    ASSERT_TRUE(Plan(text, &plan));
    for (const EntityHead* head : Records(plan.entities)) {
        const float* f = reinterpret_cast<const float*>(reinterpret_cast<const uint8_t*>(head) + sizeof(EntityHead));
        size_t n = (head->type == kSymbolRef ? 24 : head->length - sizeof(EntityHead)) / 4;
        if (head->type == kPolyline) f = &PointsOf(head)[0].x, n = As<PolylineRecord>(head)->count * 3;
        for (size_t i = 0; i < n; ++i) EXPECT_TRUE(isfinite(f[i])) << int(head->type);
    }
}

TEST(DxfHostile, VertexCountsAreBounded) {
    std::string body = "0\nLWPOLYLINE\n";
    for (unsigned i = 0; i <= kDxfMaxVertices; ++i) body += "10\n1\n20\n2\n";
    DxfModel model;
    std::string why;
    EXPECT_FALSE(Parse(Entities(body), &model, &why));
    EXPECT_NE(why.find("too many vertices"), std::string::npos) << why;
}

// The loops a HATCH of these groups keeps, as their point counts.
std::vector<size_t> HatchLoopSizes(const std::string& body) {
    DxfModel model;
    std::vector<size_t> sizes;
    if (!Parse(Entities(body), &model) || model.entities.size() != 1) return sizes;
    for (const auto& loop : model.entities[0].loops) sizes.push_back(loop.size());
    return sizes;
}

TEST(DxfEntities, HatchStylesLeaveOutDeeperIslands) {
    // Three nested squares (4, 5 and 6 points, so they can be told apart).
    std::string loops = "0\nHATCH\n70\n1\n91\n3\n"
                        "92\n3\n72\n0\n73\n1\n93\n4\n10\n0\n20\n0\n10\n90\n20\n0\n10\n90\n20\n90\n10\n0\n20\n90\n97\n0\n"
                        "92\n2\n93\n5\n10\n10\n20\n10\n10\n80\n20\n10\n10\n80\n20\n80\n10\n10\n20\n80\n10\n10\n20\n45\n97\n0\n"
                        "92\n2\n93\n6\n10\n20\n20\n20\n10\n70\n20\n20\n10\n70\n20\n70\n10\n20\n20\n70\n10\n20\n20\n60\n10\n20\n20\n30\n97\n0\n";
    EXPECT_EQ(HatchLoopSizes(loops + "75\n0\n"), (std::vector<size_t>{4, 5, 6})) << "odd parity: all";
    EXPECT_EQ(HatchLoopSizes(loops + "75\n1\n"), (std::vector<size_t>{4, 5})) << "outer: no island in an island";
    EXPECT_EQ(HatchLoopSizes(loops + "75\n2\n"), (std::vector<size_t>{4})) << "ignore: the outer loop whole";
}

TEST(DxfEntities, TextIsPlacedByItsJustification) {
    DxfPlan plan;
    // Right and top at 11; aligned between 10 and 11.
    ASSERT_TRUE(Plan(Entities(Lines({"0", "TEXT", "10", "0", "20", "0", "11", "50", "21", "10", "40", "2", "72", "2",
                                     "73", "3", "1", "Right", "0", "TEXT", "10", "0", "20", "0", "11", "0", "21", "30",
                                     "40", "2", "72", "3", "1", "Up"})),
                     &plan));
    auto records = Records(plan.entities);
    ASSERT_EQ(records.size(), 2u);
    const TextRecord* right = As<TextRecord>(records[0]);
    EXPECT_NEAR(right->at.x + ShownTextWidth("Right", 2), 50, 1e-4);
    EXPECT_NEAR(right->at.y, 8, 1e-5) << "its capitals' top at 11";
    const TextRecord* up = As<TextRecord>(records[1]);
    EXPECT_NEAR(up->angle, M_PI / 2, 1e-6) << "along 10 to 11";
    EXPECT_NEAR(ShownTextWidth("Up", up->height * kDxfCapHeight), 30, 1e-3) << "as tall as fills them";
}

TEST(DxfHostile, HatchLoopsPatternLinesAndDashesAreBounded) {
    std::string loops = "0\nHATCH\n70\n0\n91\n99999999\n";
    for (unsigned i = 0; i <= kMaxHatchLoops; ++i) loops += "92\n2\n93\n3\n10\n0\n20\n0\n10\n1\n20\n0\n10\n0\n20\n1\n";
    loops += "75\n0\n78\n999999\n";
    for (unsigned i = 0; i <= kMaxHatchLines; ++i) {
        loops += "53\n45\n43\n0\n44\n0\n45\n0\n46\n1\n79\n999999\n";
        for (unsigned k = 0; k <= (i == 0 ? unsigned(kMaxHatchDashes) : 2u); ++k) loops += "49\n0.5\n";
    }
    DxfModel model;
    ASSERT_TRUE(Parse(Entities(loops), &model));
    ASSERT_EQ(model.entities.size(), 1u);
    const DxfEntity& hatch = model.entities[0];
    EXPECT_EQ(hatch.loops.size(), static_cast<size_t>(kMaxHatchLoops)) << "the loops beyond are read past";
    ASSERT_EQ(hatch.pattern.size(), static_cast<size_t>(kMaxHatchLines));
    EXPECT_TRUE(hatch.pattern[0].dashes.empty()) << "too many dashes: a solid line";
    EXPECT_EQ(hatch.pattern[1].dashes.size(), 3u);
    DxfPlan plan;
    char why[128];
    ASSERT_TRUE(PlanDxf(model, &plan, why, sizeof why));
    auto records = Records(plan.entities);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_TRUE(IsWellFormedRecord(records[0], records[0]->length));
    // One loop of more vertices than a polyline may have refuses the file, as a polyline's does.
    std::string big = "0\nHATCH\n91\n1\n92\n2\n";
    for (unsigned i = 0; i <= kDxfMaxVertices; ++i) big += "10\n1\n20\n2\n";
    std::string reason;
    EXPECT_FALSE(Parse(Entities(big), &model, &reason));
    EXPECT_NE(reason.find("too many vertices"), std::string::npos) << reason;
    // A pattern named SOLID without lines is a solid fill whatever 70 says.
    ASSERT_TRUE(Parse(Entities("0\nHATCH\n2\nsolid\n70\n0\n91\n1\n92\n2\n10\n0\n20\n0\n10\n1\n20\n0\n10\n0\n20\n1\n"), &model));
    ASSERT_EQ(model.entities.size(), 1u);
    EXPECT_EQ(model.entities[0].flags, 1);
    // A loop that encloses nothing, or none at all: no hatch.
    ASSERT_TRUE(Parse(Entities("0\nHATCH\n91\n1\n92\n2\n10\n0\n20\n0\n10\n1\n20\n1\n0\nHATCH\n70\n1\n"), &model));
    EXPECT_TRUE(model.entities.empty());
}

// ---- The built list ----

TEST(DxfFile, LoadsIntoAListWithLinkedDefinitionsLayersAndHeader) {
    TempFile file(SmallDrawing());
    HDL list = ReadDxfFile(file.path);
    ASSERT_NE(list, nullptr);
    // The definition of B first, then the five entities.
    ASSERT_EQ(EntityCount(list), 6);
    HostEntity* def = FirstEntity(list);
    ASSERT_EQ(def[4], kSymbolDef);
    HDL members = MemberListOf(def);
    ASSERT_NE(members, nullptr);
    EXPECT_EQ(EntityCount(members), 1);
    EXPECT_EQ(FirstEntity(members)[4], kCircle);
    int refs = 0;
    for (HostEntity* e = NextEntity(def); e; e = NextEntity(e)) {
        if (e[4] != kSymbolRef) continue;
        ++refs;
        HostEntity* target;
        memcpy(&target, e + offsetof(SymbolRefRecord, definition), sizeof target);
        EXPECT_EQ(target, def);
    }
    EXPECT_EQ(refs, 1);
    const HeaderBlock* header = HeaderOf(list);
    EXPECT_EQ(header->background, 15);
    EXPECT_EQ(header->extentsValid, 0);
    EXPECT_EQ(header->flags & 2, 2);
    int status = 0;
    const uint8_t* table = static_cast<const uint8_t*>(DLGetIBAdr(list, 3, &status));
    ASSERT_NE(table, nullptr);
    LayerTableHead head;
    memcpy(&head, table, sizeof head);
    EXPECT_EQ(head.count, 3u);
    LayerRecord walls;
    memcpy(&walls, table + sizeof head + sizeof(LayerRecord), sizeof walls);
    EXPECT_STREQ(walls.name, "Walls");
    EXPECT_EQ(walls.flags & 1, 1);
    DLDestroy(list);
}

TEST(DxfFile, HatchesSurviveASaveAsANativeDrawing) {
    HDL list = ReadDxfFile((std::string(XP_DXF_SAMPLES) + "hatches.dxf").c_str());
    ASSERT_NE(list, nullptr);
    TempFile saved("", "hatches.kvw");
    ASSERT_TRUE(WriteDrawingFile(list, saved.path));
    HDL again = ReadDrawingFile(saved.path);
    ASSERT_NE(again, nullptr);
    int hatches = 0;
    for (HostEntity *a = FirstEntity(list), *b = FirstEntity(again); a && b; a = NextEntity(a), b = NextEntity(b)) {
        uint32_t length;
        memcpy(&length, a, 4);
        ASSERT_EQ(memcmp(a, b, length), 0);
        hatches += a[4] == kHatch;
    }
    EXPECT_EQ(hatches, 7);
    EXPECT_EQ(EntityCount(again), EntityCount(list));
    DLDestroy(again);
    DLDestroy(list);
}

TEST(DxfFile, DLLoadTakesDxfInAnyCaseAndRefusesJunk) {
    TempFile upper(SmallDrawing(), "drawing.DXF");
    int status = 1;
    HDL list = DLLoad(upper.path, 46, &status);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(status, 0);
    DLDestroy(list);
    TempFile junk("not a drawing", "junk.dxf");
    EXPECT_EQ(DLLoad(junk.path, 46, &status), nullptr);
    EXPECT_NE(status, 0);
    EXPECT_EQ(ReadDxfFile("Z:\\no\\such\\file.dxf"), nullptr);
}

// ---- The corpus of real files ----

std::string CorpusFolder() {
    char buffer[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("XP_DXF_DIR", buffer, sizeof buffer);
    std::string folder = n > 0 && n < sizeof buffer ? buffer : "Z:\\work\\shared\\dxf\\";
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

// How each file of the corpus must come out: refused, loaded with entities,
// or loaded empty (no model-space entities the host can show).
enum Expect { kRefused, kEntities, kEmpty };
struct CorpusFile {
    const char* name;
    Expect expect;
};
const CorpusFile kCorpus[] = {
    {"assimp__PinkEggFromLW.dxf", kEntities},
    {"assimp__points.dxf", kEntities},
    {"cadquery__MC_12x31.dxf", kEntities},
    {"cadquery__genshi.dxf", kEntities},
    {"cadquery__rational_spline.dxf", kEntities},
    {"dxf-parser__blocks.dxf", kEmpty},
    {"dxf-parser__header.dxf", kEmpty},
    {"dxf-parser__mleader.dxf", kEntities},
    {"dxf-parser__splines.dxf", kEntities},
    {"dxf-parser__tables.dxf", kEmpty},
    {"ezdxf__AC1003_LINE_Example.dxf", kEntities},
    {"ezdxf__Leica_Disto_S910.dxf", kEntities},
    {"ezdxf__Minimal_DXF_AC1009.dxf", kEmpty},
    {"ezdxf__POLI-ALL210_12.dxf", kEntities},
    {"ezdxf__R12_with_trash_beyond_EOF.dxf", kEntities},
    {"ezdxf__bin_dxf_r12.dxf", kEntities},
    {"ezdxf__bin_dxf_r13.dxf", kEntities},
    {"ezdxf__bin_dxf_r14.dxf", kEntities},
    {"ezdxf__bin_dxf_r2000.dxf", kEntities},
    {"ezdxf__cc_dxflib.dxf", kEntities},
    {"ezdxf__duplicate_handles.dxf", kEntities},
    {"ezdxf__hatches_2.dxf", kEntities},
    {"ezdxf__layout_broken_links.dxf", kEmpty},
    {"ezdxf__mtext_complex_inline_codes.dxf", kEntities},
    {"ezdxf__recover01.dxf", kEntities},
    {"ezdxf__small_r13.dxf", kEntities},
    {"ezdxf__uncommon.dxf", kEntities},
    {"ezdxf__viewport_frozen_layers.dxf", kEntities},
    {"ezdxf__wipeout_door.dxf", kEntities},
    {"ixmilia-dxf__diamond-bin.dxf", kEntities},
    {"netDxf__sample.dxf", kEntities},
    {"skymakerolof-dxf__Ceco.NET-Architecture-Tm-53.dxf", kEntities},
    {"skymakerolof-dxf__empty.dxf", kEmpty},
    {"skymakerolof-dxf__issue42.dxf", kEntities},
    {"skymakerolof-dxf__issue53.dxf", kEntities},
    {"skymakerolof-dxf__openscad_export.dxf", kEntities},
    {"skymakerolof-dxf__testHatch.dxf", kEntities},
    {"skymakerolof-dxf__testModelPaperSpace.dxf", kEntities},
    {"skymakerolof-dxf__threeDFaces.dxf", kEntities},
};

// Why the parser refuses a file, for failure messages.
std::string RefusalOf(const std::string& path) {
    std::string data;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return "cannot open";
    char chunk[65536];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, f)) > 0;) data.append(chunk, n);
    fclose(f);
    DxfModel model;
    std::string why;
    return Parse(data, &model, &why) ? "parses" : why;
}

// Every float of every record of a list and of its member lists is finite.
bool AllFinite(HDL list, int depth = 0) {
    for (HostEntity* e = FirstEntity(list); e; e = NextEntity(e)) {
        uint32_t length;
        memcpy(&length, e, 4);
        size_t from = sizeof(EntityHead), to = length;
        switch (e[4]) {
        case kText: to = sizeof(TextRecord); break;
        case kSymbolDef: to = offsetof(SymbolDefRecord, name); break;
        case kSymbolRef: to = offsetof(SymbolRefRecord, name); break;
        case kPolyline: from = sizeof(PolylineRecord); break;
        }
        for (size_t at = from; at + 4 <= to; at += 4) {
            float f;
            memcpy(&f, e + at, 4);
            if (!isfinite(f)) return false;
        }
        HDL members = MemberListOf(e);
        if (members && depth < kMaxNesting && !AllFinite(members, depth + 1)) return false;
    }
    return true;
}

TEST(DxfCorpus, EveryFileLoadsOrIsRefusedAsListed) {
    std::string folder = CorpusFolder();
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*.dxf").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << "no corpus in " << folder << " (set XP_DXF_DIR)";
    int files = 0;
    do {
        const CorpusFile* entry = nullptr;
        for (const CorpusFile& c : kCorpus) {
            if (_stricmp(c.name, found.cFileName) == 0) entry = &c;
        }
        ++files;
        std::string path = folder + found.cFileName;
        HDL list = ReadDxfFile(path.c_str());
        ASSERT_NE(entry, nullptr) << found.cFileName << " is not in the table; loads: " << (list != nullptr)
                                  << ", entities: " << (list ? EntityCount(list) : 0);
        if (entry->expect == kRefused) {
            EXPECT_EQ(list, nullptr) << found.cFileName;
        } else {
            EXPECT_NE(list, nullptr) << found.cFileName << ": " << RefusalOf(path);
            if (!list) continue;
            if (entry->expect == kEntities) EXPECT_GT(EntityCount(list), 0) << found.cFileName;
            else EXPECT_EQ(EntityCount(list), 0) << found.cFileName;
            EXPECT_TRUE(AllFinite(list)) << found.cFileName;
        }
        if (list) DLDestroy(list);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    EXPECT_EQ(files, static_cast<int>(sizeof kCorpus / sizeof kCorpus[0]));
}

// ---- Extents and pictures through the host's device ----

// Extents of a drawing's top-level entities as the renderer measures them
// (definitions only count through their references).
bool ExtentsOf(HDL list, float six[6]) {
    BgnPExtents();
    for (HostEntity* e = FirstEntity(list); e; e = NextEntity(e)) {
        if (e[4] != kSymbolDef) EXCheck(e);
    }
    EndPExtents(six);
    for (int i = 0; i < 6; ++i) {
        if (!isfinite(six[i])) return false;
    }
    return six[3] >= six[0] && six[4] >= six[1] && (six[3] > six[0] || six[4] > six[1]);
}

TEST(DxfCorpus, LoadedDrawingsHaveFiniteNonEmptyExtents) {
    std::string folder = CorpusFolder();
    int measured = 0;
    for (const CorpusFile& c : kCorpus) {
        if (c.expect != kEntities) continue;
        HDL list = ReadDxfFile((folder + c.name).c_str());
        ASSERT_NE(list, nullptr) << c.name;
        float six[6];
        EXPECT_TRUE(ExtentsOf(list, six)) << c.name << ": " << six[0] << "," << six[1] << " .. " << six[3] << ","
                                          << six[4];
        ++measured;
        DLDestroy(list);
    }
    EXPECT_GT(measured, 25);
}

// A white 32-bit picture that a drawing is rendered into through the device.
struct Picture {
    enum { kSize = 200 };
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    uint32_t* pixels = nullptr;
    float six[6] = {};

    Picture() {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = kSize;
        info.bmiHeader.biHeight = -kSize;  // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (dc && bitmap) {
            old = SelectObject(dc, bitmap);
            pixels = static_cast<uint32_t*>(bits);
            memset(pixels, 0xFF, kSize * kSize * 4);
        }
    }
    ~Picture() {
        if (old) SelectObject(dc, old);
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
    }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    void Render(HDL list) {
        ASSERT_TRUE(ExtentsOf(list, six));
        RECT target = {0, 0, kSize, kSize};
        DevUseBitmap(dc);
        SetBMView(six[0], six[1], six[3], six[4], &target);
        for (HostEntity* e = FirstEntity(list); e; e = NextEntity(e)) EDraw1(e);
        DevUsePrior();
        GdiFlush();
    }
    // As the module pictures a drawing (references by their definition's
    // stored box, hidden layers left out), into this picture.
    void RenderAsModule(HDL list) {
        PreviewWindow window;
        DrawingExtents(list, list, &window);
        ApplyMinimumSize(&window);
        float fitted[4];
        FitWindowToPixels(window, kSize, kSize, fitted);
        six[0] = fitted[0], six[1] = fitted[1], six[3] = fitted[2], six[4] = fitted[3];
        Bitmap bitmap = RenderToBitmap(list, list, kSize, kSize, nullptr, nullptr);
        ASSERT_TRUE(bitmap);
        DeviceContext from = MakeMemoryDC(dc);
        HGDIOBJ kept = SelectObject(from.Get(), bitmap.Get());
        BitBlt(dc, 0, 0, kSize, kSize, from.Get(), 0, 0, SRCCOPY);
        SelectObject(from.Get(), kept);
        GdiFlush();
    }
    // Dark pixels inside a box of the drawing.
    int DarkIn(double x0, double y0, double x1, double y1) const {
        int px0, py0, px1, py1, n = 0;
        PixelOf(x0, y1, &px0, &py0);
        PixelOf(x1, y0, &px1, &py1);
        for (int y = py0; y <= py1; ++y) {
            for (int x = px0; x <= px1; ++x) n += Dark(x, y);
        }
        return n;
    }
    // The pixel of a drawing point, by the view's mapping of the extents.
    void PixelOf(double x, double y, int* px, int* py) const {
        double dx = six[3] - six[0], dy = six[4] - six[1];
        *px = static_cast<int>(lround((x - six[0]) * (kSize - 1) / (dx != 0 ? dx : 1)));
        *py = static_cast<int>(lround((kSize - 1) - (y - six[1]) * (kSize - 1) / (dy != 0 ? dy : 1)));
    }
    // Drawn on: some colour channel well below the white paper's (lines in
    // cyan or yellow are as drawn as black ones).
    bool Dark(int x, int y) const {
        if (x < 0 || y < 0 || x >= kSize || y >= kSize) return false;
        uint32_t p = pixels[y * kSize + x];
        return (p & 0xFF) < 160 || ((p >> 8) & 0xFF) < 160 || ((p >> 16) & 0xFF) < 160;
    }
    // A dark pixel at the drawing point or next to it (lines are one pixel wide).
    bool DarkNear(double x, double y) const {
        int px, py;
        PixelOf(x, y, &px, &py);
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if (Dark(px + dx, py + dy)) return true;
            }
        }
        return false;
    }
    int DarkCount() const {
        int n = 0;
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) n += Dark(x, y);
        }
        return n;
    }
};

TEST(DxfPictures, LinesOfRealDrawingsShowWhereTheyLie) {
    for (const char* name : {"ezdxf__AC1003_LINE_Example.dxf", "skymakerolof-dxf__openscad_export.dxf",
                             "ixmilia-dxf__diamond-bin.dxf"}) {
        HDL list = ReadDxfFile((CorpusFolder() + name).c_str());
        ASSERT_NE(list, nullptr) << name;
        Picture picture;
        ASSERT_NE(picture.pixels, nullptr);
        picture.Render(list);
        int checked = 0;
        for (HostEntity* e = FirstEntity(list); e && checked < 12; e = NextEntity(e)) {
            if (e[4] != kLine) continue;
            LineRecord line;
            memcpy(&line, e, sizeof line);
            // A quarter along the line: away from the ends other lines share.
            double x = line.from.x + (line.to.x - line.from.x) * 0.25;
            double y = line.from.y + (line.to.y - line.from.y) * 0.25;
            EXPECT_TRUE(picture.DarkNear(x, y)) << name << " line " << checked;
            ++checked;
        }
        EXPECT_GT(checked, 2) << name;
        // And the picture is mostly paper, not a blot.
        EXPECT_LT(picture.DarkCount(), Picture::kSize * Picture::kSize / 3) << name;
        DLDestroy(list);
    }
}

TEST(DxfPictures, InsertedBlocksAreDrawnThroughTheirDefinitions) {
    // The door symbol: everything of its reference is drawn from the definition's members.
    HDL list = ReadDxfFile((CorpusFolder() + "ezdxf__wipeout_door.dxf").c_str());
    ASSERT_NE(list, nullptr);
    Picture picture;
    ASSERT_NE(picture.pixels, nullptr);
    picture.Render(list);
    int refs = 0;
    for (HostEntity* e = FirstEntity(list); e; e = NextEntity(e)) {
        if (e[4] != kSymbolRef) continue;
        SymbolRefRecord ref;
        memcpy(&ref, e, sizeof ref);
        ASSERT_NE(ref.definition, nullptr);
        int x0, y0, x1, y1, dark = 0;
        picture.PixelOf(ref.min.x, ref.max.y, &x0, &y0);
        picture.PixelOf(ref.max.x, ref.min.y, &x1, &y1);
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) dark += picture.Dark(x, y);
        }
        EXPECT_GT(dark, 3) << "reference " << refs << " at " << ref.placement.at.x << "," << ref.placement.at.y;
        ++refs;
    }
    EXPECT_GT(refs, 0);
    DLDestroy(list);
}

// ---- Small drawings of what real files hold (tests/unit/dxf) ----

// A drawing of the repository, loaded and pictured as the module does.
struct Sample : Picture {
    HDL list;
    explicit Sample(const char* name) : list(ReadDxfFile((std::string(XP_DXF_SAMPLES) + name).c_str())) {
        if (list) RenderAsModule(list);
    }
    ~Sample() {
        if (list) DLDestroy(list);
    }
};

std::vector<std::string> TextsOf(HDL list) {
    std::vector<std::string> texts;
    for (HostEntity* e = FirstEntity(list); e; e = NextEntity(e)) {
        if (e[4] == kText) texts.push_back(reinterpret_cast<const char*>(e) + sizeof(TextRecord));
    }
    return texts;
}

bool Holds(const std::vector<std::string>& texts, const std::string& text) {
    for (const std::string& t : texts) {
        if (t == text) return true;
    }
    return false;
}

TEST(DxfSamples, HiddenLayersInsideBlocksAreLeftOut) {
    // Members on a frozen layer were drawn and widened the definition's box,
    // pushing the block into a corner of the picture.
    Sample picture("hidden_block_layer.dxf");
    ASSERT_NE(picture.list, nullptr);
    PreviewWindow extents;
    DrawingExtents(picture.list, picture.list, &extents);
    EXPECT_NEAR(extents.min[0], 0, 1e-3);
    EXPECT_NEAR(extents.min[1], 0, 1e-3);
    EXPECT_NEAR(extents.max[0], 10, 1e-3);
    EXPECT_NEAR(extents.max[1], 10, 1e-3);
    EXPECT_TRUE(picture.DarkNear(0, 5));
    EXPECT_TRUE(picture.DarkNear(10, 5));
    EXPECT_TRUE(picture.DarkNear(5, 0));
    EXPECT_FALSE(picture.DarkNear(3, 3)) << "the diagonal on the frozen layer";
    EXPECT_TRUE(picture.DarkNear(5, 8)) << "layer 0 shows wherever its reference does";
}

TEST(DxfSamples, DimensionsWithoutBlocksAreDrawnFromTheirPoints) {
    Sample picture("dimensions_without_blocks.dxf");
    ASSERT_NE(picture.list, nullptr);
    EXPECT_TRUE(picture.DarkNear(10, 10)) << "linear: dimension line";
    EXPECT_TRUE(picture.DarkNear(0, 5)) << "linear: extension line";
    EXPECT_TRUE(picture.DarkNear(40, 5)) << "linear: extension line";
    EXPECT_TRUE(picture.DarkNear(65, 5)) << "diameter";
    EXPECT_TRUE(picture.DarkNear(113.5, 8.5)) << "radius";
    EXPECT_TRUE(picture.DarkNear(10.6066, -29.3934)) << "angle: its arc";
    EXPECT_TRUE(picture.DarkNear(66.4645, -26.4645)) << "aligned";
    EXPECT_GT(picture.DarkIn(18, 11, 22, 13), 2) << "linear: its text";
    std::vector<std::string> texts = TextsOf(picture.list);
    for (const char* text : {"40", "\xD8" "20", "R10", "90\xB0", "L=28.2843"})
        EXPECT_TRUE(Holds(texts, text)) << text;
    EXPECT_TRUE(picture.DarkNear(5, -55)) << "a dimension whose text is suppressed";
    EXPECT_FALSE(Holds(texts, "20")) << "its text is one blank: none";
}

TEST(DxfSamples, LeadersTracesAttributesAndArcDimensionsShow) {
    Sample picture("annotations.dxf");
    ASSERT_NE(picture.list, nullptr);
    EXPECT_TRUE(picture.DarkNear(10, 10)) << "leader";
    EXPECT_TRUE(picture.DarkNear(25, 20)) << "leader";
    EXPECT_TRUE(picture.DarkNear(60, 10)) << "multileader's line";
    EXPECT_GT(picture.DarkIn(72, 19.5, 78, 22), 2) << "multileader's text";
    EXPECT_TRUE(picture.DarkNear(15, -25)) << "inside the filled trace";
    EXPECT_GT(picture.DarkIn(50, -25, 60, -21), 2) << "attribute";
    EXPECT_EQ(picture.DarkIn(50, -35, 60, -31), 0) << "invisible attribute";
    EXPECT_TRUE(picture.DarkNear(104.142, -15.858)) << "arc dimension's arc";
    EXPECT_TRUE(picture.DarkNear(105, -30)) << "arc dimension's extension line";
    std::vector<std::string> texts = TextsOf(picture.list);
    for (const char* text : {"Note", "SHOWN", "31.4159"}) EXPECT_TRUE(Holds(texts, text)) << text;
    EXPECT_FALSE(Holds(texts, "HIDDEN"));
    int arrows = 0;
    for (HostEntity* e = FirstEntity(picture.list); e; e = NextEntity(e)) arrows += e[4] == kSolid;
    EXPECT_EQ(arrows, 5) << "the trace, an arrow for each leader, two for the arc dimension";
}

TEST(DxfSamples, ALoneHelixIsDrawnAsItsCurve) {
    // The helix's own axis and radius follow its spline data with the same codes.
    Sample picture("helix_only.dxf");
    ASSERT_NE(picture.list, nullptr);
    for (int degrees = 0; degrees < 360; degrees += 30)
        EXPECT_TRUE(picture.DarkNear(10 * cos(degrees * M_PI / 180), 10 * sin(degrees * M_PI / 180))) << degrees;
    EXPECT_FALSE(picture.DarkNear(0, 0));
}

TEST(DxfSamples, TextsComeInTheHostCodePage) {
    // Code page 1250 bytes, and \U+ escapes in TEXT and MTEXT, once all '?' or Latin-1.
    Sample picture("codepage_1250.dxf");
    ASSERT_NE(picture.list, nullptr);
    std::vector<std::string> texts = TextsOf(picture.list);
    for (const char* text : {"\x8A\xE9?", "5 \x80", "\x8Cuvre"}) EXPECT_TRUE(Holds(texts, text)) << text;
}

TEST(DxfSamples, SweepsJustPastAFullTurnAreWhole) {
    Sample picture("full_turns.dxf");
    ASSERT_NE(picture.list, nullptr);
    for (double x : {0.0, 30.0}) {
        EXPECT_TRUE(picture.DarkNear(x, 5)) << "ellipse at " << x;
        EXPECT_TRUE(picture.DarkNear(x - 10, 0)) << "ellipse at " << x;
    }
    EXPECT_TRUE(picture.DarkNear(60, 5)) << "arc";
    EXPECT_TRUE(picture.DarkNear(55, 0)) << "arc";
}

// Drawing points that must (or must not) have ink at them, each with what it shows.
struct Ink {
    double x, y;
    bool dark;
    const char* what;
};
void ExpectInk(const Picture& picture, std::initializer_list<Ink> points) {
    for (const Ink& i : points) EXPECT_EQ(picture.DarkNear(i.x, i.y), i.dark) << i.what << " at " << i.x << ", " << i.y;
}

TEST(DxfSamples, HatchesAreFilledOrLinedInsideTheirBoundaries) {
    // HATCH was not drawn at all: sample sheets of fills came out as empty squares.
    Sample picture("hatches.dxf");
    ASSERT_NE(picture.list, nullptr);
    ExpectInk(picture, {
        {5, 20, true, "solid fill"},
        {35, 35, true, "solid fill"},
    });
    EXPECT_EQ(picture.DarkIn(17, 17, 23, 23), 0) << "its island, a circle of an arc edge";
    ExpectInk(picture, {
        {70, 10, true, "pattern line through the base point"},
        {95, 35, true, "pattern line"},
        {80, 23.54, false, "between two pattern lines"},
    });
    EXPECT_EQ(picture.DarkIn(79, 19, 81, 21), 0) << "the island of two bulges cuts the line through it";
    EXPECT_EQ(picture.DarkIn(103, 5, 117, 35), 0) << "lines end at the boundary";
    // Lines 0.05 apart would be hundreds to a pixel: a tint, neither paper nor ink.
    int x, y;
    picture.PixelOf(140, 20, &x, &y);
    uint32_t tint = picture.pixels[y * Picture::kSize + x] & 0xFF;
    EXPECT_GT(tint, 60u);
    EXPECT_LT(tint, 200u);
    ExpectInk(picture, {
        {20, -40, true, "whole ellipse edge"},
        {33, -40, true, "whole ellipse edge"},
        {20, -49.5, false, "outside the ellipse's minor axis"},
        {80, -40, true, "spline edge's area"},
        {80, -23, false, "above the spline edge"},
        {122, -58, true, "a dash"},
        {126, -58, false, "the gap after it"},
        {130, -58, true, "the next dash"},
        {130, -55, false, "between two dashed lines"},
    });
    // A gradient shows as a solid fill in its first colour (ACI 5, blue).
    picture.PixelOf(20, -75, &x, &y);
    EXPECT_EQ(picture.pixels[y * Picture::kSize + x] & 0xFFFFFF, 0x0000FFu);
}

TEST(DxfSamples, TextIsAsTallAsItsCapitalsAndMTextWraps) {
    // The height was the font's em, so capitals were 28 % short of it; and a
    // paragraph of width 30 was one line that shrank the drawing.
    Sample picture("text_sizes.dxf");
    ASSERT_NE(picture.list, nullptr);
    PreviewWindow extents;
    DrawingExtents(picture.list, picture.list, &extents);
    EXPECT_LT(extents.max[0], 101) << "the box drawn for the capital is the widest";
    // Every row between the box's edges at y 0 and 20 holds ink of the
    // capital's left stem, which lies within 6 units of its start.
    int left, top, right, bottom;
    picture.PixelOf(0.5, 20, &left, &top);
    picture.PixelOf(6, 0, &right, &bottom);
    int inked = 0;
    for (int y = top + 2; y <= bottom - 2; ++y) {
        bool ink = false;
        for (int x = left; x <= right; ++x) ink = ink || picture.Dark(x, y);
        inked += ink;
    }
    EXPECT_EQ(inked, bottom - top - 3) << "the H's stem spans the box's height (" << bottom - top << " px)";
    EXPECT_TRUE(picture.DarkNear(40, 5)) << "the %% text";
    std::vector<std::string> texts = TextsOf(picture.list);
    EXPECT_TRUE(Holds(texts, "\xD8 20 \xB0 \xB1 %X")) << "%%nnn and the other %% codes";
    EXPECT_TRUE(Holds(texts, "First paragraph"));
    int wrapped = 0;
    for (const std::string& t : texts) wrapped += t.compare(0, 4, "word") == 0;
    EXPECT_GT(wrapped, 10) << "forty words in a box 30 wide";
    EXPECT_GT(picture.DarkIn(0, -60, 30, -15), 20) << "the wrapped paragraph";
    EXPECT_EQ(picture.DarkIn(32, -60, 38, -15), 0) << "nothing beyond its width";
    // Justified text (72 1, 73 2) centred on its point, which is its box's middle.
    EXPECT_GT(picture.DarkIn(58, -32, 69, -28), 10);
    EXPECT_GT(picture.DarkIn(71, -32, 82, -28), 10);
    EXPECT_EQ(picture.DarkIn(42, -38, 55, -22), 0);
    EXPECT_EQ(picture.DarkIn(85, -38, 98, -22), 0);
    EXPECT_EQ(picture.DarkIn(60, -38, 80, -35), 0) << "nothing below the centred line's band";
}

TEST(DxfSamples, SplinesFollowControlPointsAndWeights) {
    Sample picture("splines.dxf");
    ASSERT_NE(picture.list, nullptr);
    // Clamped cubic over control points zigzagging between y 0 and 20, fit
    // points on the same zigzag: the curve stays low and passes (20, 10).
    ExpectInk(picture, {
        {20, 10, true, ""},
        {11.875, 12.5, true, ""},
        {10, 20, false, "the zigzag's corner"},
        {30, 20, false, "the zigzag's corner"},
    });
    // Rational quadratic: a quarter of the circle of radius 10 round (60, 0).
    ExpectInk(picture, {
        {60 + 10 * cos(M_PI / 4), 10 * sin(M_PI / 4), true, ""},
        {60 + 10 * cos(M_PI / 8), 10 * sin(M_PI / 8), true, ""},
        {70, 10, false, "its middle control point"},
    });
}

TEST(DxfSamples, DimensionLineBreaksRoundItsText) {
    // The dimension line struck through its own text.
    Sample picture("dimension_text_break.dxf");
    ASSERT_NE(picture.list, nullptr);
    ExpectInk(picture, {
        {8, 10, true, "dimension line"},
        {32, 10, true, "dimension line"},
        {15.4, 10, false, "the gap before the text"},
        {24.6, 10, false, "the gap after it"},
    });
    EXPECT_GT(picture.DarkIn(16, 8, 24, 12), 10) << "the text";
    EXPECT_TRUE(Holds(TextsOf(picture.list), "40"));
}

TEST(DxfSamples, CarriageReturnOnlyFilesAreRead) {
    Sample picture("cr_only.dxf");
    ASSERT_NE(picture.list, nullptr);
    EXPECT_TRUE(picture.DarkNear(5, 5));
}


}  // namespace
