// Hatches: the area inside a record's loops by the even-odd rule, filled, or
// crossed by its families of parallel dashed lines, each line cut where it
// enters and leaves the area. All of it is worked out in pixels, so a family
// too dense to tell apart at this scale becomes a tint instead of lines that
// would only blacken the area (and cost millions of segments).
#include "standin/device/edraw.h"

#include <math.h>
#include <string.h>

#include <algorithm>
#include <vector>

namespace {

// Lines of a family closer than this many pixels are shown as a tint.
const double kDensestSpacing = 2.0;
// A dash pattern shorter than this many pixels a period is drawn solid.
const double kShortestPeriod = 3.0;
// Lines times boundary edges, over all of a hatch's families, beyond which
// it is tinted: each line is cut against every edge.
const double kMostCuts = 3e7;

struct Pixel {
    double x, y;
};

// The record's parts, read with memcpy: the fields are unaligned.
struct HatchParts {
    HatchRecord head;
    std::vector<HatchLine> lines;
    std::vector<int> loopStarts, loopCounts;  // into points, loops of 2 points or more
    std::vector<Pixel> points;                // mapped to pixels
};

void ReadHatch(const unsigned char* record, const Affine& map, HatchParts* parts) {
    memcpy(&parts->head, record, sizeof parts->head);
    const HatchRecord& h = parts->head;
    const unsigned char* at = record + sizeof h;
    parts->lines.resize(h.lineCount);
    if (h.lineCount) memcpy(parts->lines.data(), at, h.lineCount * sizeof(HatchLine));
    at += h.lineCount * sizeof(HatchLine);
    const unsigned char* pointBytes = at + 4 * h.loopCount;
    parts->points.resize(h.pointCount);
    for (uint32_t i = 0; i < h.pointCount; ++i) {
        Point3 p;
        memcpy(&p, pointBytes + i * sizeof p, sizeof p);
        Apply(map, p.x, p.y, &parts->points[i].x, &parts->points[i].y);
    }
    int start = 0;
    for (uint32_t i = 0; i < h.loopCount; ++i) {
        uint32_t n;
        memcpy(&n, at + 4 * i, 4);
        if (n >= 2) {
            parts->loopStarts.push_back(start);
            parts->loopCounts.push_back(static_cast<int>(n));
        }
        start += static_cast<int>(n);
    }
}

COLORREF Tint(COLORREF colour, COLORREF paper) {
    return RGB((GetRValue(colour) + GetRValue(paper)) / 2, (GetGValue(colour) + GetGValue(paper)) / 2,
               (GetBValue(colour) + GetBValue(paper)) / 2);
}

void FillArea(const Painter& painter, const HatchParts& parts, COLORREF colour) {
    std::vector<double> xy(2 * parts.points.size());
    for (size_t i = 0; i < parts.points.size(); ++i) xy[2 * i] = parts.points[i].x, xy[2 * i + 1] = parts.points[i].y;
    std::vector<int> counts(parts.loopCounts);
    std::vector<double> packed;
    for (size_t k = 0; k < counts.size(); ++k) {
        const double* from = xy.data() + 2 * parts.loopStarts[k];
        packed.insert(packed.end(), from, from + 2 * counts[k]);
    }
    painter.FillLoops(packed.data(), counts.data(), static_cast<int>(counts.size()), colour);
}

// The stretch [*t0, *t1] of the line p + t u that lies in the window.
bool ClipToWindow(const RECT& w, Pixel p, Pixel u, double* t0, double* t1) {
    const double d[2] = {u.x, u.y}, from[2] = {p.x, p.y};
    const double low[2] = {double(w.left), double(w.top)}, high[2] = {double(w.right), double(w.bottom)};
    for (int axis = 0; axis < 2; ++axis) {
        if (d[axis] == 0) {
            if (from[axis] < low[axis] || from[axis] > high[axis]) return false;
            continue;
        }
        double a = (low[axis] - from[axis]) / d[axis], b = (high[axis] - from[axis]) / d[axis];
        if (a > b) std::swap(a, b);
        *t0 = std::max(*t0, a);
        *t1 = std::min(*t1, b);
    }
    return *t0 < *t1;
}

// One stretch of a line inside the area, with the family's dashes, which
// start at the line's own point p (t = 0).
void DrawStretch(const Painter& painter, Pixel p, Pixel u, double t0, double t1, const HatchLine& line,
                 double unit, double period) {
    if (!ClipToWindow(painter.safe, p, u, &t0, &t1)) return;
    auto at = [&](double t) { return Pixel{p.x + u.x * t, p.y + u.y * t}; };
    if (line.dashCount == 0 || !(period >= kShortestPeriod)) {
        Pixel a = at(t0), b = at(t1);
        painter.Segment(a.x, a.y, b.x, b.y);
        return;
    }
    for (double s = floor(t0 / period) * period; s < t1;) {
        for (uint32_t k = 0; k < line.dashCount && s < t1; ++k) {
            double length = fabs(double(line.dashes[k])) * unit;
            if (line.dashes[k] > 0) {
                double from = std::max(s, t0), to = std::min(s + length, t1);
                if (from < to) {
                    Pixel a = at(from), b = at(to);
                    painter.Segment(a.x, a.y, b.x, b.y);
                }
            } else if (line.dashes[k] == 0 && s >= t0) {
                Pixel a = at(s);
                painter.EndDot(a.x, a.y);
            }
            s += length;
        }
    }
}

// Where the line p + t u (unit u, normal n) crosses the loops' edges; a
// vertex on the line counts once, by the side its edges lie on.
void Crossings(const HatchParts& parts, Pixel p, Pixel u, Pixel n, std::vector<double>* ts) {
    ts->clear();
    for (size_t k = 0; k < parts.loopStarts.size(); ++k) {
        const Pixel* loop = parts.points.data() + parts.loopStarts[k];
        int count = parts.loopCounts[k];
        for (int i = 0; i < count; ++i) {
            Pixel a = loop[i], b = loop[(i + 1) % count];
            double da = (a.x - p.x) * n.x + (a.y - p.y) * n.y, db = (b.x - p.x) * n.x + (b.y - p.y) * n.y;
            if ((da >= 0) == (db >= 0)) continue;
            double f = da / (da - db);
            double x = a.x + (b.x - a.x) * f, y = a.y + (b.y - a.y) * f;
            ts->push_back((x - p.x) * u.x + (y - p.y) * u.y);
        }
    }
    std::sort(ts->begin(), ts->end());
}

// A family in pixels: the lines p0 + k offset (k0 <= k <= k1) along u.
struct Family {
    Pixel p0, u, n, offset;
    double unit;      // pixels per unit of the family's t
    double period;    // pixels of one round of dashes
    double k0, k1;
};

// False when the family is too dense to draw as lines here; a family that
// draws nothing (no direction) gets no lines (k0 > k1).
bool PlaceFamily(const Affine& map, const HatchLine& line, double minX, double minY, double maxX, double maxY,
                 size_t edges, double* cuts, Family* f) {
    f->k0 = 1, f->k1 = 0;
    Apply(map, line.baseX, line.baseY, &f->p0.x, &f->p0.y);
    Pixel dir = {map.a * line.dirX + map.b * line.dirY, map.c * line.dirX + map.d * line.dirY};
    f->offset = Pixel{map.a * line.offsetX + map.b * line.offsetY, map.c * line.offsetX + map.d * line.offsetY};
    f->unit = hypot(dir.x, dir.y);
    if (!(f->unit > 1e-12) || !isfinite(f->unit) || !isfinite(f->p0.x) || !isfinite(f->p0.y)) return true;
    f->u = Pixel{dir.x / f->unit, dir.y / f->unit};
    f->n = Pixel{-f->u.y, f->u.x};
    double spacing = f->offset.x * f->n.x + f->offset.y * f->n.y;
    if (!isfinite(spacing) || fabs(spacing) < kDensestSpacing) return false;
    // The lines that pass the area's box: their distances from p0 along n.
    double low = 1e300, high = -1e300;
    for (double x : {minX, maxX}) {
        for (double y : {minY, maxY}) {
            double d = (x - f->p0.x) * f->n.x + (y - f->p0.y) * f->n.y;
            low = std::min(low, d), high = std::max(high, d);
        }
    }
    f->k0 = ceil(std::min(low / spacing, high / spacing));
    f->k1 = floor(std::max(low / spacing, high / spacing));
    if (!(f->k1 - f->k0 < 1e6)) return false;
    *cuts += (f->k1 - f->k0 + 1) * double(edges);
    if (*cuts > kMostCuts) return false;
    f->period = 0;
    for (uint32_t k = 0; k < line.dashCount; ++k) f->period += fabs(double(line.dashes[k]));
    f->period *= f->unit;
    return true;
}

void DrawFamily(const Painter& painter, const HatchParts& parts, const HatchLine& line, const Family& f) {
    std::vector<double> ts;
    for (double k = f.k0; k <= f.k1; ++k) {
        Pixel p = {f.p0.x + f.offset.x * k, f.p0.y + f.offset.y * k};
        Crossings(parts, p, f.u, f.n, &ts);
        for (size_t i = 0; i + 1 < ts.size(); i += 2) DrawStretch(painter, p, f.u, ts[i], ts[i + 1], line, f.unit, f.period);
    }
}

}  // namespace

void DrawHatch(const Painter& painter, const Affine& map, const unsigned char* record, COLORREF paper) {
    HatchParts parts;
    ReadHatch(record, map, &parts);
    if (parts.loopStarts.empty()) return;
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    size_t edges = 0;
    for (size_t k = 0; k < parts.loopStarts.size(); ++k) {
        edges += parts.loopCounts[k];
        for (int i = 0; i < parts.loopCounts[k]; ++i) {
            const Pixel& p = parts.points[parts.loopStarts[k] + i];
            if (!isfinite(p.x) || !isfinite(p.y)) return;   // a broken record: nothing to cut lines by
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x), minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
        }
    }
    const RECT& w = painter.safe;
    if (!(maxX >= w.left && minX <= w.right && maxY >= w.top && minY <= w.bottom)) return;
    if (parts.head.flags & 1) {
        FillArea(painter, parts, painter.colour);
        return;
    }
    // Only the part of the area's box in the window needs lines.
    minX = std::max(minX, double(w.left)), maxX = std::min(maxX, double(w.right));
    minY = std::max(minY, double(w.top)), maxY = std::min(maxY, double(w.bottom));
    // A pattern without lines, or one too dense here, shows as a tint.
    std::vector<Family> families(parts.lines.size());
    bool lines = !parts.lines.empty();
    double cuts = 0;
    for (size_t i = 0; i < parts.lines.size() && lines; ++i)
        lines = PlaceFamily(map, parts.lines[i], minX, minY, maxX, maxY, edges, &cuts, &families[i]);
    if (!lines) {
        FillArea(painter, parts, Tint(painter.colour, paper));
        return;
    }
    for (size_t i = 0; i < parts.lines.size(); ++i) DrawFamily(painter, parts, parts.lines[i], families[i]);
}
