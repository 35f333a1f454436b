// Curves the host has no record for, as points: polyline bulges, ellipses and
// splines.
#include <math.h>

#include "standin/dxf/dxf.h"

namespace {

const double kTwoPi = 2 * M_PI;
// Chord segments per full turn of an approximated arc or ellipse.
const int kSegmentsPerTurn = 72;

int SegmentsFor(double sweep, int least) {
    int n = static_cast<int>(ceil(fabs(sweep) / kTwoPi * kSegmentsPerTurn));
    if (n < least) n = least;
    if (n > kSegmentsPerTurn) n = kSegmentsPerTurn;
    return n;
}

bool Full(const std::vector<DxfVertex>* out) { return out->size() >= kDxfMaxPoints; }

void Push(std::vector<DxfVertex>* out, double x, double y, double z) {
    if (!Full(out)) out->push_back(DxfVertex{x, y, z, 0});
}

// The arc of a bulge from a to b, without a itself, with b.
void BulgeArc(const DxfVertex& a, const DxfVertex& b, std::vector<DxfVertex>* out) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double chord = sqrt(dx * dx + dy * dy);
    double bulge = a.bulge;
    // Far beyond a full circle the arc is meaningless; keep it a chord.
    if (chord < 1e-12 || fabs(bulge) < 1e-9 || fabs(bulge) > 1e6) {
        Push(out, b.x, b.y, b.z);
        return;
    }
    double sweep = 4 * atan(bulge);  // signed: positive turns counter-clockwise
    // The centre lies left of a→b for a counter-clockwise arc shorter than half a turn.
    double offset = (1 - bulge * bulge) / (4 * bulge);
    double cx = (a.x + b.x) / 2 - dy * offset;
    double cy = (a.y + b.y) / 2 + dx * offset;
    double radius = hypot(a.x - cx, a.y - cy);
    double start = atan2(a.y - cy, a.x - cx);
    int n = SegmentsFor(sweep, 2);
    for (int i = 1; i < n; ++i) {
        double t = start + sweep * i / n;
        double z = a.z + (b.z - a.z) * i / n;
        Push(out, cx + radius * cos(t), cy + radius * sin(t), z);
    }
    Push(out, b.x, b.y, b.z);
}

// Point of a (rational) B-spline at u by de Boor's algorithm.
DxfVertex DeBoor(const DxfEntity& e, int degree, int span, double u, bool rational) {
    double d[11][4];
    for (int j = 0; j <= degree; ++j) {
        const DxfVertex& v = e.vertices[span - degree + j];
        double w = rational ? e.weights[span - degree + j] : 1;
        d[j][0] = v.x * w;
        d[j][1] = v.y * w;
        d[j][2] = v.z * w;
        d[j][3] = w;
    }
    const std::vector<double>& k = e.knots;
    for (int r = 1; r <= degree; ++r) {
        for (int j = degree; j >= r; --j) {
            int i = span - degree + j;
            double den = k[i + degree - r + 1] - k[i];
            double alpha = den > 0 ? (u - k[i]) / den : 0;
            for (int c = 0; c < 4; ++c) d[j][c] = (1 - alpha) * d[j - 1][c] + alpha * d[j][c];
        }
    }
    double w = d[degree][3] != 0 ? d[degree][3] : 1;
    return DxfVertex{d[degree][0] / w, d[degree][1] / w, d[degree][2] / w, 0};
}

// True when the knots and weights describe a curve de Boor can evaluate.
bool Evaluable(const DxfEntity& e) {
    size_t n = e.vertices.size();
    int p = e.degree;
    if (p < 1 || p > 10 || n < static_cast<size_t>(p) + 1) return false;
    if (e.knots.size() != n + p + 1) return false;
    for (size_t i = 1; i < e.knots.size(); ++i) {
        if (!(e.knots[i] >= e.knots[i - 1])) return false;
    }
    if (!(e.knots[n] > e.knots[p])) return false;
    if (!e.weights.empty()) {
        if (e.weights.size() != n) return false;
        for (double w : e.weights) {
            if (!(w > 0)) return false;
        }
    }
    return true;
}

// A smooth curve through fit points (Catmull-Rom: each span's tangents
// point from the point before to the point after), close to the cubic a
// CAD program fits through them.
void ThroughFitPoints(const std::vector<DxfVertex>& f, std::vector<DxfVertex>* out) {
    const int kSamples = 8;
    size_t n = f.size();
    Push(out, f[0].x, f[0].y, f[0].z);
    for (size_t i = 0; i + 1 < n && !Full(out); ++i) {
        const DxfVertex& a = f[i > 0 ? i - 1 : i];
        const DxfVertex& b = f[i];
        const DxfVertex& c = f[i + 1];
        const DxfVertex& d = f[i + 2 < n ? i + 2 : i + 1];
        for (int k = 1; k <= kSamples; ++k) {
            double t = double(k) / kSamples, t2 = t * t, t3 = t2 * t;
            auto at = [&](double pa, double pb, double pc, double pd) {
                return 0.5 * (2 * pb + (pc - pa) * t + (2 * pa - 5 * pb + 4 * pc - pd) * t2 + (3 * pb - pa - 3 * pc + pd) * t3);
            };
            Push(out, at(a.x, b.x, c.x, d.x), at(a.y, b.y, c.y, d.y), at(a.z, b.z, c.z, d.z));
        }
    }
}

void AlongControlPoints(const DxfEntity& e, std::vector<DxfVertex>* out) {
    int p = e.degree;
    int n = static_cast<int>(e.vertices.size());
    double u0 = e.knots[p], u1 = e.knots[n];
    long samples = 8L * n;
    if (samples > static_cast<long>(kDxfMaxPoints) - 1) samples = kDxfMaxPoints - 1;
    bool rational = !e.weights.empty();
    int span = p;
    for (long i = 0; i <= samples; ++i) {
        double u = i == samples ? u1 : u0 + (u1 - u0) * i / samples;
        // The span holding u; the last non-empty span holds the end.
        while (span < n - 1 && u >= e.knots[span + 1]) ++span;
        while (span > p && !(e.knots[span + 1] > e.knots[span])) --span;
        DxfVertex v = DeBoor(e, p, span, u, rational);
        Push(out, v.x, v.y, v.z);
    }
}

// A periodic spline (70 bit 1) may give one period of knots, n + 1 of
// them: the curve is then the ordinary one over its first p control points
// repeated after the last, with the knots continued period by period.
bool WrapPeriodic(const DxfEntity& e, DxfEntity* wrapped) {
    size_t n = e.vertices.size();
    int p = e.degree;
    if (!(e.flags & 2) || p < 1 || p > 10 || n <= static_cast<size_t>(p) || e.knots.size() != n + 1) return false;
    double period = e.knots[n] - e.knots[0];
    if (!(period > 0)) return false;
    *wrapped = DxfEntity();
    wrapped->degree = p;
    wrapped->vertices = e.vertices;
    wrapped->vertices.insert(wrapped->vertices.end(), e.vertices.begin(), e.vertices.begin() + p);
    if (e.weights.size() == n) {
        wrapped->weights = e.weights;
        wrapped->weights.insert(wrapped->weights.end(), e.weights.begin(), e.weights.begin() + p);
    }
    for (long j = 0; j < static_cast<long>(n) + 2 * p + 1; ++j) {
        long k = j - p, turns = k >= 0 ? k / static_cast<long>(n) : -((-k + static_cast<long>(n) - 1) / static_cast<long>(n));
        wrapped->knots.push_back(e.knots[k - turns * static_cast<long>(n)] + turns * period);
    }
    return true;
}

}  // namespace

// Writers round angles to 8 or 9 digits: an ellipse ending at 6.2831854 or
// 6.28318531 means the whole curve, and fmod would leave a 1e-7 sliver of it.
// A few float ulps of 2 pi is the slack; an end equal to the start is whole too.
double TurnSweep(double start, double end) {
    const double kFullTurnSlack = 2e-6;
    double sweep = fmod(end - start, kTwoPi);
    if (sweep < 0) sweep += kTwoPi;
    if (!(sweep >= kFullTurnSlack && sweep <= kTwoPi - kFullTurnSlack)) return kTwoPi;
    return sweep;
}

void ExpandBulges(const std::vector<DxfVertex>& vertices, bool closed, std::vector<DxfVertex>* out) {
    out->clear();
    size_t n = vertices.size();
    if (n == 0) return;
    Push(out, vertices[0].x, vertices[0].y, vertices[0].z);
    for (size_t i = 0; i + 1 < n && !Full(out); ++i) BulgeArc(vertices[i], vertices[i + 1], out);
    // A closed polyline's last bulge bends the closing segment; the closing
    // point itself is left to the closed flag.
    if (closed && n >= 2 && vertices[n - 1].bulge != 0 && !Full(out)) {
        BulgeArc(vertices[n - 1], vertices[0], out);
        if (out->size() > 1) out->pop_back();
    }
}

void EllipsePoints(const DxfEntity& e, std::vector<DxfVertex>* out) {
    out->clear();
    const double* c = e.p[0];
    const double* major = e.p[1];
    const double* n = e.extrusion;
    // The minor axis: extrusion × major, scaled by the ratio.
    double minor[3] = {n[1] * major[2] - n[2] * major[1], n[2] * major[0] - n[0] * major[2],
                       n[0] * major[1] - n[1] * major[0]};
    double nl = sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (nl < 1e-12) nl = 1;
    for (double& m : minor) m *= e.radius / nl;
    double start = e.start, end = e.end;
    if (!isfinite(start) || !isfinite(end)) return;
    start = fmod(start, kTwoPi);
    double sweep = TurnSweep(start, end);
    int segments = SegmentsFor(sweep, 4);
    bool whole = sweep == kTwoPi;
    int last = whole ? segments - 1 : segments;
    for (int i = 0; i <= last; ++i) {
        double t = start + sweep * i / segments;
        double ct = cos(t), st = sin(t);
        Push(out, c[0] + ct * major[0] + st * minor[0], c[1] + ct * major[1] + st * minor[1],
             c[2] + ct * major[2] + st * minor[2]);
    }
}

void SplinePoints(const DxfEntity& e, std::vector<DxfVertex>* out) {
    out->clear();
    // The curve is its control points and knots; fit points only guide a
    // CAD program's editing, and through them as straight segments the
    // curve is a zigzag. They stand in only when the knots do not fit.
    if (Evaluable(e)) {
        AlongControlPoints(e, out);
        return;
    }
    DxfEntity wrapped;
    if (WrapPeriodic(e, &wrapped) && Evaluable(wrapped)) {
        AlongControlPoints(wrapped, out);
        return;
    }
    if (e.fitPoints.size() >= 2) ThroughFitPoints(e.fitPoints, out);
    else for (const DxfVertex& v : e.vertices) Push(out, v.x, v.y, v.z);
}
