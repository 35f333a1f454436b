// HATCH: its boundary loops (polylines with bulges, or edges: lines, arcs,
// elliptic arcs, splines) become loops of points, its pattern lines are
// kept as they are. The same group codes mean different things as the
// entity goes on: the point codes (10/20) give first the elevation, then a
// loop's vertices or an edge's points, then the seed points; group code 72
// gives an edge's type, or whether a polyline loop has bulges.
#include <math.h>
#include <string.h>

#include <algorithm>

#include "standin/dxf/dxf.h"

namespace {

const double kDegree = M_PI / 180;

// A vertex of a list that the file's bound on vertices allows; false when
// the file is refused.
bool CountVertex(DxfHatchReader* r, const std::vector<DxfVertex>& list) {
    if (list.size() >= kDxfMaxVertices || *r->totalVertices >= static_cast<long>(kDxfMaxTotalVertices)) return false;
    ++*r->totalVertices;
    return true;
}

double Distance(const DxfVertex& a, const DxfVertex& b) { return hypot(a.x - b.x, a.y - b.y); }

// An arc or elliptic arc edge as points. A clockwise edge keeps its angles
// as seen from below (the mirrored sense): from -start back to -end.
void ArcEdgePoints(const DxfHatchEdge& edge, std::vector<DxfVertex>* out) {
    DxfEntity e = DxfEntity();
    e.extrusion[2] = 1;
    e.p[0][0] = edge.x[0], e.p[0][1] = edge.x[1];
    if (edge.type == 2) {
        e.p[1][0] = edge.radius;
        e.radius = 1;
    } else {
        e.p[1][0] = edge.x[2], e.p[1][1] = edge.x[3];
        e.radius = edge.radius;
    }
    if (!(e.radius > 0) || (e.p[1][0] == 0 && e.p[1][1] == 0)) return;
    e.start = (edge.ccw ? edge.start : -edge.end) * kDegree;
    e.end = (edge.ccw ? edge.end : -edge.start) * kDegree;
    EllipsePoints(e, out);
    if (!edge.ccw) std::reverse(out->begin(), out->end());
}

void EdgePoints(const DxfHatchEdge& edge, std::vector<DxfVertex>* out) {
    out->clear();
    switch (edge.type) {
    case 1:
        out->push_back(DxfVertex{edge.x[0], edge.x[1], 0, 0});
        out->push_back(DxfVertex{edge.x[2], edge.x[3], 0, 0});
        break;
    case 2:
    case 3:
        ArcEdgePoints(edge, out);
        break;
    case 4: {
        DxfEntity e = DxfEntity();
        e.degree = edge.degree;
        e.vertices = edge.control;
        e.fitPoints = edge.fit;
        e.knots = edge.knots;
        if (edge.weights.size() == edge.control.size()) e.weights = edge.weights;
        SplinePoints(e, out);
        break;
    }
    }
}

// Adds the current edge's points to the loop, turned round when its end
// meets the loop's last point rather than its start (writers do not keep
// every edge in the loop's direction).
void EndEdge(DxfHatchReader* r) {
    DxfHatchEdge& edge = r->edge;
    // A loop already full takes no more: its edges are not even worked out.
    if (edge.type != 0 && r->vertices.size() < kDxfMaxPoints) {
        std::vector<DxfVertex> points;
        EdgePoints(edge, &points);
        if (!points.empty() && !r->vertices.empty() &&
            Distance(r->vertices.back(), points.back()) < Distance(r->vertices.back(), points.front())) {
            std::reverse(points.begin(), points.end());
        }
        for (const DxfVertex& v : points) {
            if (r->vertices.size() >= kDxfMaxPoints) break;
            if (r->vertices.empty() || Distance(r->vertices.back(), v) > 0) r->vertices.push_back(v);
        }
    }
    edge = DxfHatchEdge();
    edge.ccw = true;
    edge.degree = 3;
}

size_t PointsOf(const DxfEntity& e) {
    size_t n = 0;
    for (const auto& loop : e.loops) n += loop.size();
    return n;
}

// Ends the current loop; a loop needs three points to enclose anything.
void EndLoop(DxfHatchReader* r, DxfEntity* e) {
    if (!r->inLoop) return;
    r->inLoop = false;
    std::vector<DxfVertex> points;
    if (r->polylineLoop) ExpandBulges(r->vertices, true, &points);
    else {
        EndEdge(r);
        points.swap(r->vertices);
    }
    r->vertices.clear();
    if (points.size() >= 2 && Distance(points.front(), points.back()) == 0) points.pop_back();
    if (points.size() < 3 || e->loops.size() >= kMaxHatchLoops || PointsOf(*e) + points.size() > kMaxHatchPoints) return;
    e->loops.push_back(std::move(points));
}

// True when p lies inside the loop (even-odd).
bool Inside(const std::vector<DxfVertex>& loop, const DxfVertex& p) {
    bool in = false;
    for (size_t i = 0, j = loop.size() - 1; i < loop.size(); j = i++) {
        const DxfVertex& a = loop[i];
        const DxfVertex& b = loop[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (b.x - a.x) * (p.y - a.y) / (b.y - a.y)) in = !in;
    }
    return in;
}

// The outer style fills only the outermost area (the outer loops and their
// first islands), the ignore style the outer loops whole: loops nested
// deeper are left out. Telling the depth costs every loop against every
// other, so hatches of very many loops keep them all.
void ApplyStyle(const DxfHatchReader& r, DxfEntity* e) {
    const size_t kMostLoopsNested = 256;
    if ((r.style != 1 && r.style != 2) || e->loops.size() > kMostLoopsNested) return;
    int deepest = r.style == 1 ? 1 : 0;
    std::vector<std::vector<DxfVertex>> kept;
    for (size_t i = 0; i < e->loops.size(); ++i) {
        int depth = 0;
        for (size_t k = 0; k < e->loops.size(); ++k) depth += k != i && Inside(e->loops[k], e->loops[i][0]);
        if (depth <= deepest) kept.push_back(e->loops[i]);
    }
    e->loops.swap(kept);
}

DxfHatchGroup EdgeGroup(DxfHatchReader* r, int c, double v) {
    DxfHatchEdge& edge = r->edge;
    if (c == 72) {
        EndEdge(r);
        edge.type = static_cast<int>(v);
        return kHatchTaken;
    }
    int axis = c == 10 ? 0 : c == 20 ? 1 : c == 11 ? 2 : c == 21 ? 3 : -1;
    if (edge.type == 4) {
        std::vector<DxfVertex>& list = c == 10 || c == 20 ? edge.control : edge.fit;
        if (axis == 0 || axis == 2) {
            if (!CountVertex(r, list)) return kHatchRefused;
            list.push_back(DxfVertex{v, 0, 0, 0});
        } else if ((axis == 1 || axis == 3) && !list.empty()) {
            list.back().y = v;
        } else if (c == 40 || c == 42) {
            std::vector<double>& numbers = c == 40 ? edge.knots : edge.weights;
            if (numbers.size() < 2 * kDxfMaxVertices) numbers.push_back(v);
        } else if (c == 94) {
            edge.degree = static_cast<int>(v);
        }
        return kHatchTaken;
    }
    if (axis >= 0) edge.x[axis] = v;
    else if (c == 40) edge.radius = v;
    else if (c == 50) edge.start = v;
    else if (c == 51) edge.end = v;
    else if (c == 73) edge.ccw = v != 0;
    return kHatchTaken;
}

DxfHatchGroup LoopGroup(DxfHatchReader* r, DxfEntity* e, int c, double v) {
    if (c == 92) {
        EndLoop(r, e);
        r->inLoop = true;
        r->polylineLoop = (static_cast<long>(v) & 2) != 0;
        EndEdge(r);
        return kHatchTaken;
    }
    if (c == 75 || c == 76 || c == 77 || c == 78 || c == 52) {  // the pattern follows the loops
        EndLoop(r, e);
        r->phase = 2;
        return kHatchCommon;
    }
    if (!r->inLoop || c == 93 || c == 97) return kHatchTaken;
    if (!r->polylineLoop) return EdgeGroup(r, c, v);
    if (c == 10) {
        if (!CountVertex(r, r->vertices)) return kHatchRefused;
        r->vertices.push_back(DxfVertex{v, 0, 0, 0});
    } else if (c == 20 && !r->vertices.empty()) {
        r->vertices.back().y = v;
    } else if (c == 42 && !r->vertices.empty()) {
        r->vertices.back().bulge = v;
    }
    return kHatchTaken;
}

DxfHatchGroup PatternGroup(DxfHatchReader* r, DxfEntity* e, int c, double v) {
    if (c == 63) {
        if (r->gradient && e->fillColour == 0 && v >= 1 && v <= 255) e->fillColour = static_cast<int>(v);
        return kHatchTaken;
    }
    if (c == 53) {
        if (++r->patternLines <= static_cast<long>(kMaxHatchLines)) e->pattern.push_back(DxfHatchLine{v, {0, 0}, {0, 0}, {}});
        return kHatchTaken;
    }
    bool lineGroup = c == 43 || c == 44 || c == 45 || c == 46 || c == 49 || c == 79;
    if (!lineGroup) return kHatchCommon;
    // Groups of lines beyond the bound, or before the first, belong to none.
    if (e->pattern.empty() || r->patternLines > static_cast<long>(kMaxHatchLines)) return kHatchTaken;
    DxfHatchLine& line = e->pattern.back();
    if (c == 43) line.base[0] = v;
    else if (c == 44) line.base[1] = v;
    else if (c == 45) line.offset[0] = v;
    else if (c == 46) line.offset[1] = v;
    else if (c == 49) {
        // A line of more dashes than a record holds is drawn solid.
        if (line.dashes.size() < kMaxHatchDashes + 1u) line.dashes.push_back(v);
    }
    return kHatchTaken;
}

}  // namespace

void BeginHatch(DxfHatchReader* r, long* totalVertices) {
    r->phase = 0;
    r->patternLines = 0;
    r->gradient = false;
    r->style = 0;
    r->polylineLoop = r->inLoop = false;
    r->vertices.clear();
    r->totalVertices = totalVertices;
    EndEdge(r);
}

DxfHatchGroup HatchGroup(DxfHatchReader* r, DxfEntity* e, const DxfGroup& g) {
    int c = g.code;
    if (c == 8 || c == 62 || c == 67 || c == 60 || (c >= 210 && c <= 230)) return kHatchCommon;
    double v = 0;
    if (c == 450) {
        int on = 0;
        r->gradient = GroupInt(g, &on) && on != 0;
        return kHatchTaken;
    }
    bool number = c >= 10 && c <= 99;
    if (number && !GroupNumber(g, &v)) return kHatchCommon;   // the common code drops the entity
    if (number && !(fabs(v) <= 1e18)) return kHatchCommon;
    if (c == 75 && number) r->style = static_cast<int>(v);
    switch (r->phase) {
    case 0:
        if (c == 2) e->namedSolid = _stricmp(GroupName(g), "SOLID") == 0;
        if (c == 91) r->phase = 1;
        return c == 10 || c == 20 ? kHatchTaken : kHatchCommon;   // the elevation point's z (30) is kept
    case 1:
        return number ? LoopGroup(r, e, c, v) : kHatchTaken;
    default:
        return number ? PatternGroup(r, e, c, v) : kHatchCommon;
    }
}

bool EndHatch(DxfHatchReader* r, DxfEntity* e) {
    EndLoop(r, e);
    ApplyStyle(*r, e);
    for (DxfHatchLine& line : e->pattern) {
        if (line.dashes.size() > kMaxHatchDashes) line.dashes.clear();
    }
    return !e->loops.empty();
}
