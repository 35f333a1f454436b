// Dimensions drawn from their definition points (for writers that leave out
// a dimension's block), leaders and multileaders: the lines, arcs, arrow
// heads and texts that show them, as plain entities for the converter.
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "standin/dxf/dxf.h"

namespace {

const double kPi = M_PI;
const double kDegree = M_PI / 180;
// Extension lines reach past the dimension line by this part of an arrow.
const double kExtensionOvershoot = 0.5;
// Room left between a dimension's text and its broken line, in text heights.
const double kTextGap = 0.25;

struct V2 {
    double x, y;
};
V2 Plus(V2 a, V2 b) { return V2{a.x + b.x, a.y + b.y}; }
V2 Minus(V2 a, V2 b) { return V2{a.x - b.x, a.y - b.y}; }
V2 Times(V2 a, double f) { return V2{a.x * f, a.y * f}; }
double Dot(V2 a, V2 b) { return a.x * b.x + a.y * b.y; }
double Length(V2 a) { return hypot(a.x, a.y); }
double AngleOf(V2 a) { return atan2(a.y, a.x); }
V2 Direction(double angle) { return V2{cos(angle), sin(angle)}; }
// The unit vector along a, or (0, 0) for a point.
V2 Unit(V2 a) {
    double l = Length(a);
    return l > 1e-12 ? Times(a, 1 / l) : V2{0, 0};
}

// Point 1k of the entity (10 .. 16).
V2 Point(const DxfEntity& e, int k) { return V2{e.p[k][0], e.p[k][1]}; }

// Sizes of a dimension style, scaled; the header's where the style is silent.
struct Sizes {
    double arrow, text;
    int decimals, zeros;
    bool horizontal;
};

double Positive(double own, double fallback, double last) {
    return isfinite(own) && own > 0 ? own : isfinite(fallback) && fallback > 0 ? fallback : last;
}

Sizes SizesOf(const DxfModel& m, const std::string& style) {
    const DxfDimStyle& header = m.dimDefaults;
    DxfDimStyle own = {"", NAN, NAN, NAN, -1, -1, -1};
    auto found = m.dimStyleIndex.find(UpperName(style));
    if (found != m.dimStyleIndex.end()) own = m.dimStyles[found->second];
    double scale = Positive(own.scale, header.scale, 1);   // DIMSCALE 0 (fit to paper) counts as 1
    Sizes sizes;
    sizes.arrow = Positive(own.arrow, header.arrow, 0.18) * scale;
    sizes.text = Positive(own.textHeight, header.textHeight, 0.18) * scale;
    sizes.decimals = own.decimals >= 0 ? own.decimals : header.decimals;
    sizes.zeros = own.zeros >= 0 ? own.zeros : header.zeros;
    sizes.horizontal = (own.horizontal >= 0 ? own.horizontal : header.horizontal) != 0;
    return sizes;
}

// Parts take the layer and colour of the entity they show.
struct Builder {
    const DxfEntity* from;
    std::vector<DxfEntity>* out;

    DxfEntity Part(DxfKind kind) const {
        DxfEntity p = DxfEntity();
        p.kind = kind;
        p.layer = from->layer;
        p.colour = from->colour;
        p.extrusion[2] = 1;
        p.scaleX = p.scaleY = 1;
        p.columns = p.rows = 1;
        return p;
    }
    void Line(V2 a, V2 b) const {
        DxfEntity p = Part(kDxfLine);
        p.p[0][0] = a.x, p.p[0][1] = a.y, p.p[1][0] = b.x, p.p[1][1] = b.y;
        out->push_back(p);
    }
    // A closed filled arrow head, its tip at `tip`, pointing along the unit `dir`.
    void Arrow(V2 tip, V2 dir, double size) const {
        if (!(size > 0) || Length(dir) == 0) return;
        V2 back = Minus(tip, Times(dir, size)), side = V2{-dir.y * size / 6, dir.x * size / 6};
        const V2 corners[4] = {tip, Plus(back, side), Minus(back, side), Minus(back, side)};
        DxfEntity p = Part(kDxfSolid);
        for (int i = 0; i < 4; ++i) p.p[i][0] = corners[i].x, p.p[i][1] = corners[i].y;
        out->push_back(p);
    }
    void Arc(V2 centre, double radius, double start, double sweep) const {
        if (!(radius > 0)) return;
        DxfEntity p = Part(kDxfArc);
        p.p[0][0] = centre.x, p.p[0][1] = centre.y;
        p.radius = radius;
        p.start = start / kDegree;
        p.end = (start + sweep) / kDegree;
        out->push_back(p);
    }
    // Text centred on `at` (MTEXT attachment 5), angle in radians.
    void Text(V2 at, double height, double angle, const std::string& text) const {
        if (text.empty()) return;
        DxfEntity p = Part(kDxfMText);
        p.p[0][0] = at.x, p.p[0][1] = at.y;
        p.radius = height;
        p.angle = angle;
        p.flags = 5;
        p.text = text;
        out->push_back(p);
    }
    void Polyline(std::vector<DxfVertex>::const_iterator first, std::vector<DxfVertex>::const_iterator last) const {
        if (last - first < 2) return;
        DxfEntity p = Part(kDxfPolyline);
        p.flags = 8;   // points in world coordinates
        p.vertices.assign(first, last);
        out->push_back(p);
    }
    // An arrow at the start of a leader, pointing away from its next distinct vertex.
    void LeaderArrow(std::vector<DxfVertex>::const_iterator first, std::vector<DxfVertex>::const_iterator last,
                     double size) const {
        V2 tip = V2{first->x, first->y};
        for (auto v = first + 1; v < last; ++v) {
            V2 dir = Unit(Minus(tip, V2{v->x, v->y}));
            if (Length(dir) == 0) continue;
            Arrow(tip, dir, size);
            return;
        }
    }
};

// Text turned by at most a quarter turn either way, so that it never reads upside down.
double Readable(double angle) {
    angle = remainder(angle, 2 * kPi);
    if (angle > kPi / 2 + 1e-9) angle -= kPi;
    if (angle <= -kPi / 2 + 1e-9) angle += kPi;
    return angle;
}

// The dimension's text: its own (group 1) with "<>" standing for the
// measurement, or the measurement when it has none.
std::string DimensionText(const DxfEntity& e, const Sizes& sizes, double value, const char* prefix,
                          const char* suffix) {
    std::string measured;
    if (isfinite(value)) {
        char number[64];
        snprintf(number, sizeof number, "%.*f", sizes.decimals, value);
        if ((sizes.zeros & 8) && strchr(number, '.')) {
            size_t n = strlen(number);
            while (number[n - 1] == '0') number[--n] = '\0';
            if (number[n - 1] == '.') number[n - 1] = '\0';
        }
        measured = std::string(prefix) + number + suffix;
    }
    if (e.text.empty()) return measured;
    if (e.text == " ") return std::string();   // suppressed
    size_t at = e.text.find("<>");
    if (at == std::string::npos) return e.text;
    return e.text.substr(0, at) + measured + e.text.substr(at + 2);
}

// The box round a dimension's text, in the text's own frame: centre,
// direction, half its width and height with a gap round it.
struct TextBox {
    V2 centre, along;
    double halfWidth, halfHeight;
};

// Where the segment a-b (a + t (b - a), 0 <= t <= 1) passes through the
// box: [*t0, *t1]; false when it does not.
bool ThroughBox(const TextBox& box, V2 a, V2 b, double* t0, double* t1) {
    V2 up = V2{-box.along.y, box.along.x};
    V2 from = Minus(a, box.centre), d = Minus(b, a);
    const double start[2] = {Dot(from, box.along), Dot(from, up)};
    const double step[2] = {Dot(d, box.along), Dot(d, up)};
    const double half[2] = {box.halfWidth, box.halfHeight};
    *t0 = 0, *t1 = 1;
    for (int axis = 0; axis < 2; ++axis) {
        if (fabs(step[axis]) < 1e-15) {
            if (fabs(start[axis]) > half[axis]) return false;
            continue;
        }
        double p = (-half[axis] - start[axis]) / step[axis], q = (half[axis] - start[axis]) / step[axis];
        if (p > q) std::swap(p, q);
        *t0 = std::max(*t0, p);
        *t1 = std::min(*t1, q);
    }
    return *t0 < *t1;
}

// A dimension line, left out where its text stands on it.
void LineAroundText(const Builder& b, V2 a, V2 c, const TextBox* box) {
    double t0, t1;
    if (!box || !ThroughBox(*box, a, c, &t0, &t1)) {
        b.Line(a, c);
        return;
    }
    V2 d = Minus(c, a);
    if (t0 > 0) b.Line(a, Plus(a, Times(d, t0)));
    if (t1 < 1) b.Line(Plus(a, Times(d, t1)), c);
}

// An extension line from a measured point to where the dimension line (or
// arc) passes, reaching a little beyond it.
void Extension(const Builder& b, V2 from, V2 to, double overshoot) {
    V2 along = Unit(Minus(to, from));
    if (Length(along) == 0) return;
    b.Line(from, Plus(to, Times(along, overshoot)));
}

// The arc of an angular dimension from `start` over `sweep` round `centre`,
// with its arrows pointing out along the arc.
void AngleArc(const Builder& b, V2 centre, double radius, double start, double sweep, double arrow) {
    b.Arc(centre, radius, start, sweep);
    double end = start + sweep;
    b.Arrow(Plus(centre, Times(Direction(start), radius)), V2{sin(start), -cos(start)}, arrow);
    b.Arrow(Plus(centre, Times(Direction(end), radius)), V2{-sin(end), cos(end)}, arrow);
}

// Where lines a0-a1 and b0-b1 meet; false when they are parallel.
bool Meet(V2 a0, V2 a1, V2 b0, V2 b1, V2* at) {
    V2 da = Minus(a1, a0), db = Minus(b1, b0);
    double den = da.x * db.y - da.y * db.x;
    if (fabs(den) < 1e-12 * Length(da) * Length(db) || den == 0) return false;
    double t = ((b0.x - a0.x) * db.y - (b0.y - a0.y) * db.x) / den;
    *at = Plus(a0, Times(da, t));
    return true;
}

// The angle of the end of segment p0-p1 farther from `centre`, seen from it.
double FarAngle(V2 centre, V2 p0, V2 p1) {
    return AngleOf(Minus(Length(Minus(p1, centre)) >= Length(Minus(p0, centre)) ? p1 : p0, centre));
}

void ExplodeDimension(const DxfModel& m, const DxfEntity& e, const Builder& b) {
    Sizes sizes = SizesOf(m, e.style);
    int type = e.flags == kDimArcLength ? kDimArcLength : e.flags & 7;
    V2 p10 = Point(e, 0), p13 = Point(e, 3), p14 = Point(e, 4), p15 = Point(e, 5), p16 = Point(e, 6);
    double overshoot = sizes.arrow * kExtensionOvershoot;
    double value = NAN, textAngle = 0;
    const char* prefix = "";
    const char* suffix = "";
    bool angular = false;
    V2 textAt = Point(e, 1);
    // Dimension lines wait for the text, which they break round.
    V2 lines[2][2];
    int lineCount = 0;
    switch (type) {
    case kDimRotated:
    case kDimAligned: {
        // The dimension line passes through 10 along the rotation (aligned:
        // along 13-14); the extension lines drop onto it from 13 and 14.
        V2 u = type == kDimRotated ? Direction(e.angle * kDegree) : Unit(Minus(p14, p13));
        if (Length(u) == 0) u = V2{1, 0};
        V2 d1 = Plus(p10, Times(u, Dot(Minus(p13, p10), u)));
        V2 d2 = Plus(p10, Times(u, Dot(Minus(p14, p10), u)));
        Extension(b, p13, d1, overshoot);
        Extension(b, p14, d2, overshoot);
        lines[lineCount][0] = d1, lines[lineCount++][1] = d2;
        V2 out = Unit(Minus(d1, d2));
        b.Arrow(d1, out, sizes.arrow);
        b.Arrow(d2, Times(out, -1), sizes.arrow);
        value = fabs(Dot(Minus(p14, p13), u));
        textAngle = sizes.horizontal ? 0 : AngleOf(u);
        if (!(e.given & 2)) textAt = Plus(Times(Plus(d1, d2), 0.5), Times(V2{-u.y, u.x}, sizes.text * 0.8));
        break;
    }
    case kDimAngular: {
        // Between the lines 13-14 and 15-10, on the arc through 16, in the
        // angle between the two lines where 16 lies.
        angular = true;
        V2 centre;
        if (!Meet(p13, p14, p15, p10, &centre)) break;
        double radius = Length(Minus(p16, centre)), seen = AngleOf(Minus(p16, centre));
        double a1 = FarAngle(centre, p13, p14), a2 = FarAngle(centre, p15, p10);
        double start = 0, sweep = 0;
        for (int k = 0; k < 8 && sweep == 0; ++k) {
            double from = (k & 4 ? a2 : a1) + (k & 1) * kPi, to = (k & 4 ? a1 : a2) + (k & 2 ? kPi : 0);
            double s = TurnSweep(from, to);
            if (s <= kPi && TurnSweep(from, seen) <= s) start = from, sweep = s;
        }
        if (sweep == 0) break;
        AngleArc(b, centre, radius, start, sweep, sizes.arrow);
        value = sweep / kDegree;
        break;
    }
    case kDimAngular3:
    case kDimArcLength: {
        // Round the vertex 15 from 13 to 14, on the side where 10 lies.
        angular = type == kDimAngular3;
        double radius = Length(Minus(p10, p15));
        double start = AngleOf(Minus(p13, p15)), end = AngleOf(Minus(p14, p15));
        double sweep = TurnSweep(start, end);
        if (TurnSweep(start, AngleOf(Minus(p10, p15))) > sweep) {
            sweep = TurnSweep(end, start);
            start = end;
        }
        // Extension lines only where the arc passes beyond the measured points.
        for (V2 end : {p13, p14}) {
            if (Length(Minus(end, p15)) < radius) Extension(b, end, Plus(p15, Times(Unit(Minus(end, p15)), radius)), overshoot);
        }
        AngleArc(b, p15, radius, start, sweep, sizes.arrow);
        value = angular ? sweep / kDegree : Length(Minus(p13, p15)) * sweep;
        break;
    }
    case kDimDiameter: {
        // Across the circle from 15 to 10, arrows at both.
        lines[lineCount][0] = p15, lines[lineCount++][1] = p10;
        b.Arrow(p15, Unit(Minus(p15, p10)), sizes.arrow);
        b.Arrow(p10, Unit(Minus(p10, p15)), sizes.arrow);
        value = Length(Minus(p15, p10));
        prefix = "%%c";
        break;
    }
    case kDimRadius: {
        // From the centre 10 to 15 on the circle; on to the text when it lies outside.
        value = Length(Minus(p15, p10));
        lines[lineCount][0] = p10, lines[lineCount++][1] = p15;
        if ((e.given & 2) && Length(Minus(textAt, p10)) > value) lines[lineCount][0] = p15, lines[lineCount++][1] = textAt;
        b.Arrow(p15, Unit(Minus(p15, p10)), sizes.arrow);
        prefix = "R";
        break;
    }
    case kDimOrdinate:
        // From the feature 13 to the leader end 14; the distance from the origin 10 in x or y.
        b.Line(p13, p14);
        value = (e.flags & 64) ? fabs(p13.x - p10.x) : fabs(p13.y - p10.y);
        if (!(e.given & 2)) textAt = p14;
        break;
    default:
        break;
    }
    // The writer's measurement (42) holds the drawing's own scale and units;
    // angles are in radians there.
    if (isfinite(e.measured) && e.measured >= 0) value = angular ? e.measured / kDegree : e.measured;
    if (angular) suffix = "%%d";
    if (isfinite(e.textAngle) && e.textAngle != 0) textAngle = e.textAngle * kDegree;
    std::string text = DimensionText(e, sizes, value, prefix, suffix);
    bool shown = (e.given & 2) || type == kDimRotated || type == kDimAligned || type == kDimOrdinate;
    TextBox box = {textAt, Direction(Readable(textAngle)),
                   ShownTextWidth(CleanText(text, true, m.codePage), sizes.text) / 2 + sizes.text * kTextGap,
                   sizes.text / 2 + sizes.text * kTextGap};
    for (int i = 0; i < lineCount; ++i) LineAroundText(b, lines[i][0], lines[i][1], shown && !text.empty() ? &box : nullptr);
    if (shown) b.Text(textAt, sizes.text, Readable(textAngle), text);
}

void ExplodeLeader(const DxfModel& m, const DxfEntity& e, const Builder& b) {
    b.Polyline(e.vertices.begin(), e.vertices.end());
    if (e.flags != 0) b.LeaderArrow(e.vertices.begin(), e.vertices.end(), SizesOf(m, e.style).arrow);
}

void ExplodeMLeader(const DxfModel& m, const DxfEntity& e, const Builder& b) {
    Sizes sizes = SizesOf(m, "");
    double arrow = e.arrow > 0 ? e.arrow : sizes.arrow;
    size_t at = 0;
    for (int run : e.runs) {
        if (run < 1 || static_cast<size_t>(run) > e.vertices.size() - at) break;
        auto first = e.vertices.begin() + at, last = first + run;
        b.Polyline(first, last);
        b.LeaderArrow(first, last, arrow);
        at += run;
    }
    if (e.text.empty() || !(e.given & 4)) return;
    DxfEntity text = b.Part(kDxfMText);
    memcpy(text.p[0], e.p[2], sizeof text.p[0]);
    memcpy(text.p[1], e.p[3], sizeof text.p[1]);
    text.hasDirection = (e.given & 8) != 0;
    text.radius = e.radius > 0 ? e.radius : sizes.text;
    text.flags = e.flags >= 1 && e.flags <= 9 ? e.flags : 1;
    text.text = e.text;
    b.out->push_back(text);
}

}  // namespace

void ExplodeAnnotation(const DxfModel& model, const DxfEntity& e, std::vector<DxfEntity>* parts) {
    Builder b = {&e, parts};
    switch (e.kind) {
    case kDxfDimension: ExplodeDimension(model, e, b); break;
    case kDxfLeader: ExplodeLeader(model, e, b); break;
    case kDxfMLeader: ExplodeMLeader(model, e, b); break;
    default: break;
    }
}
