// Shapes in pixels for entity drawing: pens, clipped lines and paths, arcs,
// filled polygons. Coordinates arrive as doubles and are clipped to a window
// around the view before they become GDI's integers, so a far-away point
// neither overflows nor bends a line.
#include "standin/device/edraw.h"

#include <math.h>
#include <vector>

namespace {

const double kTwoPi = 6.283185307179586;
// Radii beyond this are drawn as clipped chords: GDI's own arc code works
// in coordinates that such a circle overflows.
const double kLargestGdiRadius = 1 << 20;
// The most chords one arc becomes.
const int kMaxChords = 8192;

std::vector<POINT> g_points;   // scratch for paths; used by one call at a time

// Liang-Barsky: shortens the segment to the window; false when none is left.
bool ClipSegment(const RECT& w, double* x0, double* y0, double* x1, double* y1) {
    double t0 = 0, t1 = 1, dx = *x1 - *x0, dy = *y1 - *y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {*x0 - w.left, w.right - *x0, *y0 - w.top, w.bottom - *y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        double t = q[i] / p[i];
        if (p[i] < 0) {
            if (t > t1) return false;
            if (t > t0) t0 = t;
        } else {
            if (t < t0) return false;
            if (t < t1) t1 = t;
        }
    }
    double sx = *x0, sy = *y0;
    *x0 = sx + t0 * dx;
    *y0 = sy + t0 * dy;
    *x1 = sx + t1 * dx;
    *y1 = sy + t1 * dy;
    return true;
}

bool Inside(const RECT& w, double x, double y) {
    return x >= w.left && x <= w.right && y >= w.top && y <= w.bottom;
}

POINT ToPixel(double x, double y) { return POINT{lround(x), lround(y)}; }

// Sutherland-Hodgman against one edge of the window.
void ClipPolygonEdge(std::vector<double>* xy, int edge, double limit) {
    std::vector<double> out;
    size_t n = xy->size() / 2;
    auto value = [&](size_t i) { return edge < 2 ? (*xy)[2 * i] : (*xy)[2 * i + 1]; };
    auto inside = [&](size_t i) { return (edge % 2 == 0) ? value(i) >= limit : value(i) <= limit; };
    for (size_t i = 0; i < n; ++i) {
        size_t j = (i + 1) % n;
        bool in = inside(i), nextIn = inside(j);
        if (in) {
            out.push_back((*xy)[2 * i]);
            out.push_back((*xy)[2 * i + 1]);
        }
        if (in != nextIn) {
            double t = (limit - value(i)) / (value(j) - value(i));
            out.push_back((*xy)[2 * i] + t * ((*xy)[2 * j] - (*xy)[2 * i]));
            out.push_back((*xy)[2 * i + 1] + t * ((*xy)[2 * j + 1] - (*xy)[2 * i + 1]));
        }
    }
    xy->swap(out);
}

}  // namespace

PenScope::PenScope(HDC dc, COLORREF colour, int style, int width)
    : dc_(dc), colour_(colour), style_(style), width_(width < 1 ? 1 : width), selected_(false),
      made_(nullptr), oldPen_(nullptr), oldColour_(0) {}

void PenScope::Select() {
    if (selected_) return;
    selected_ = true;
    if (style_ == 0 && width_ == 1) {
        // The DC pen costs no object per entity: most entities take this way.
        oldPen_ = SelectObject(dc_, GetStockObject(DC_PEN));
        oldColour_ = SetDCPenColor(dc_, colour_);
        return;
    }
    int penStyle = style_ == 1 ? PS_DASH : style_ == 2 ? PS_DOT : PS_SOLID;
    if (width_ == 1) {
        made_ = CreatePen(penStyle, 1, colour_);
    } else {
        LOGBRUSH brush = {BS_SOLID, colour_, 0};
        made_ = ExtCreatePen(PS_GEOMETRIC | penStyle | PS_ENDCAP_ROUND | PS_JOIN_ROUND, width_, &brush, 0,
                             nullptr);
    }
    // Without a pen of its own the entity still shows, solid and thin.
    oldPen_ = SelectObject(dc_, made_ ? static_cast<HGDIOBJ>(made_) : GetStockObject(DC_PEN));
    oldColour_ = SetDCPenColor(dc_, colour_);
}

PenScope::~PenScope() {
    if (!selected_) return;
    SetDCPenColor(dc_, oldColour_);
    SelectObject(dc_, oldPen_);
    if (made_) DeleteObject(made_);
}

void Painter::Segment(double x0, double y0, double x1, double y1) const {
    if (!ClipSegment(safe, &x0, &y0, &x1, &y1)) return;
    POINT from = ToPixel(x0, y0), to = ToPixel(x1, y1);
    pen->Select();
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, to.x, to.y);
}

void Painter::EndDot(double x, double y) const {
    if (thin && Inside(safe, x, y)) {
        POINT p = ToPixel(x, y);
        SetPixelV(dc, p.x, p.y, colour);
    }
}

void Painter::Path(const double* xy, int n, bool closed) const {
    if (n < 1) return;
    bool allInside = true;
    for (int i = 0; i < n && allInside; ++i) allInside = Inside(safe, xy[2 * i], xy[2 * i + 1]);
    if (allInside) {
        g_points.resize(n + 1);
        bool onePixel = true;
        for (int i = 0; i < n; ++i) {
            g_points[i] = ToPixel(xy[2 * i], xy[2 * i + 1]);
            onePixel = onePixel && g_points[i].x == g_points[0].x && g_points[i].y == g_points[0].y;
        }
        // Far away from the view, a whole entity is one pixel: a dot
        // is all that would show, and it needs no pen.
        if (onePixel && thin) {
            SetPixelV(dc, g_points[0].x, g_points[0].y, colour);
            return;
        }
        g_points[n] = g_points[0];
        pen->Select();
        Polyline(dc, g_points.data(), closed ? n + 1 : n);
    } else {
        for (int i = 0; i + 1 < n; ++i) Segment(xy[2 * i], xy[2 * i + 1], xy[2 * i + 2], xy[2 * i + 3]);
        if (closed) Segment(xy[2 * n - 2], xy[2 * n - 1], xy[0], xy[1]);
    }
    // Polyline leaves out its last pixel; a path that is shorter than a
    // pixel would show nothing at all.
    if (!closed) EndDot(xy[2 * n - 2], xy[2 * n - 1]);
    else if (n == 1) EndDot(xy[0], xy[1]);
}

void Painter::Fill(const double* xy, int n) const {
    if (n < 3) {
        Path(xy, n, false);
        return;
    }
    FillLoops(xy, &n, 1, colour);
}

void Painter::FillLoops(const double* xy, const int* counts, int loops, COLORREF fill) const {
    // Each loop is clipped alone: inside the window clipping keeps how often
    // a loop winds round a point, so the even-odd rule still holds.
    std::vector<POINT> points;
    std::vector<INT> kept;
    const double limits[4] = {double(safe.left), double(safe.right), double(safe.top), double(safe.bottom)};
    for (int k = 0; k < loops; ++k) {
        std::vector<double> polygon(xy, xy + 2 * counts[k]);
        xy += 2 * counts[k];
        for (int edge = 0; edge < 4 && !polygon.empty(); ++edge) ClipPolygonEdge(&polygon, edge, limits[edge]);
        int count = static_cast<int>(polygon.size() / 2);
        if (count < 3) continue;
        for (int i = 0; i < count; ++i) points.push_back(ToPixel(polygon[2 * i], polygon[2 * i + 1]));
        kept.push_back(count);
    }
    if (kept.empty()) return;
    bool onePixel = true;
    for (const POINT& p : points) onePixel = onePixel && p.x == points[0].x && p.y == points[0].y;
    if (onePixel) {
        SetPixelV(dc, points[0].x, points[0].y, fill);
        return;
    }
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(DC_BRUSH));
    COLORREF oldBrushColour = SetDCBrushColor(dc, fill);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(DC_PEN));
    COLORREF oldPenColour = SetDCPenColor(dc, fill);
    int oldMode = SetPolyFillMode(dc, ALTERNATE);
    PolyPolygon(dc, points.data(), kept.data(), static_cast<int>(kept.size()));
    SetPolyFillMode(dc, oldMode);
    SetDCPenColor(dc, oldPenColour);
    SelectObject(dc, oldPen);
    SetDCBrushColor(dc, oldBrushColour);
    SelectObject(dc, oldBrush);
}

// An arc of a circle in drawing units under `map`. GDI draws it when the
// image is an ellipse with level axes and of a size GDI handles; otherwise
// (a reference turned and scaled unequally, a huge radius, a sliver of an
// arc that GDI would round to a full circle) it becomes chords.
void Painter::Arc(const Affine& map, double cx, double cy, double r, double start, double sweep) const {
    if (!isfinite(cx) || !isfinite(cy) || !isfinite(r) || !isfinite(start) || !isfinite(sweep)) return;
    double rx = fabs(r) * hypot(map.a, map.b), ry = fabs(r) * hypot(map.c, map.d);
    double pcx, pcy;
    Apply(map, cx, cy, &pcx, &pcy);
    // Nothing of the curve can reach the window.
    if (pcx + rx < safe.left || pcx - rx > safe.right || pcy + ry < safe.top || pcy - ry > safe.bottom) return;
    double radius = rx > ry ? rx : ry;
    bool full = sweep >= kTwoPi;
    bool level = fabs(map.a * map.c + map.b * map.d) <= 1e-9 * (map.a * map.a + map.b * map.b + map.c * map.c + map.d * map.d);
    bool small = radius < 0.5;
    bool sliver = !full && (sweep * radius < 2 || kTwoPi - sweep < 1e-3);
    if (level && !small && !sliver && radius <= kLargestGdiRadius && Inside(safe, pcx, pcy)) {
        // The radials only give directions: taken long, they keep the
        // arc's ends exact when the radius is a few pixels.
        double sx, sy, ex, ey;
        Apply(map, cx + r * cos(start), cy + r * sin(start), &sx, &sy);
        Apply(map, cx + r * cos(start + sweep), cy + r * sin(start + sweep), &ex, &ey);
        auto radial = [&](double x, double y) {
            double dx = x - pcx, dy = y - pcy, length = hypot(dx, dy);
            return length > 0 ? ToPixel(pcx + dx / length * 16384, pcy + dy / length * 16384) : ToPixel(pcx + 16384, pcy);
        };
        POINT from = radial(sx, sy), to = radial(ex, ey);
        // GDI turns counter-clockwise as seen on the screen. A mirroring map
        // (positive determinant once y points down) reverses the sense.
        if (Determinant(map) > 0) {
            POINT t = from;
            from = to;
            to = t;
        }
        if (full) to = from;
        pen->Select();
        int oldDirection = SetArcDirection(dc, AD_COUNTERCLOCKWISE);
        ::Arc(dc, lround(pcx - rx), lround(pcy - ry), lround(pcx + rx) + 1, lround(pcy + ry) + 1,
              from.x, from.y, to.x, to.y);
        SetArcDirection(dc, oldDirection);
        return;
    }
    // Chords short enough to stay within a quarter pixel of the curve.
    int chords = 2;
    if (radius > 0.25) {
        double step = 2 * acos(1 - 0.25 / radius);
        double wanted = ceil(sweep / step);
        chords = wanted > kMaxChords ? kMaxChords : wanted < 2 ? 2 : static_cast<int>(wanted);
    }
    std::vector<double> xy(2 * (chords + 1));
    for (int i = 0; i <= chords; ++i) {
        double t = start + sweep * i / chords;
        Apply(map, cx + r * cos(t), cy + r * sin(t), &xy[2 * i], &xy[2 * i + 1]);
    }
    Path(xy.data(), chords + 1, false);
}
