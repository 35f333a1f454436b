// A DxfModel as this host's records: entities, layers, and symbol
// definitions for the blocks that INSERTs use.
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <unordered_map>
#include <unordered_set>

#include "standin/device/device.h"
#include "standin/dxf/dxf.h"

namespace {

const double kDegree = M_PI / 180;
const double kTwoPi = 2 * M_PI;
// All records of one file together; a 32-bit host has to hold them twice
// while the list is built.
const size_t kMaxOutputBytes = 96u * 1024 * 1024;
// MTEXT: baseline distance as a multiple of the height (AutoCAD's default
// spacing).
const double kLineStep = 5.0 / 3.0;
const int kMaxTextLines = 256;

// The object coordinate system of a planar entity, by the arbitrary axis rule.
struct Ocs {
    double ax[3], ay[3], az[3];
    bool plain;      // the extrusion is +Z: OCS is WCS
    bool mirrored;   // -Z: x runs the other way, angles turn to pi - a
};

void Cross(const double a[3], const double b[3], double out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

bool Normalise(double v[3]) {
    double l = sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!(l > 1e-12)) return false;
    for (int i = 0; i < 3; ++i) v[i] /= l;
    return true;
}

void MakeOcs(const double extrusion[3], Ocs* o) {
    double n[3] = {extrusion[0], extrusion[1], extrusion[2]};
    if (!Normalise(n)) n[0] = 0, n[1] = 0, n[2] = 1;
    o->plain = fabs(n[0]) < 1e-9 && fabs(n[1]) < 1e-9 && n[2] > 0;
    o->mirrored = fabs(n[0]) < 1e-9 && fabs(n[1]) < 1e-9 && n[2] < 0;
    const double wy[3] = {0, 1, 0}, wz[3] = {0, 0, 1};
    if (fabs(n[0]) < 1.0 / 64 && fabs(n[1]) < 1.0 / 64) Cross(wy, n, o->ax);
    else Cross(wz, n, o->ax);
    Normalise(o->ax);
    Cross(n, o->ax, o->ay);
    Normalise(o->ay);
    memcpy(o->az, n, sizeof n);
}

void ToWorld(const Ocs& o, double x, double y, double z, double out[3]) {
    for (int i = 0; i < 3; ++i) out[i] = x * o.ax[i] + y * o.ay[i] + z * o.az[i];
}

// An angle (radians) of the OCS as seen in the world's XY plane.
double WorldAngle(const Ocs& o, double a) { return o.mirrored ? M_PI - a : a; }

double Normalised(double a) {
    a = fmod(a, kTwoPi);
    return a < 0 ? a + kTwoPi : a;
}

struct Converter {
    const DxfModel* model;
    DxfPlan* plan;
    std::unordered_map<std::string, int> blockIndex;   // upper-case name → block
    std::unordered_set<std::string> hostNames;         // upper-case names given out
    std::unordered_map<std::string, int> suffixes;     // upper-case 20-byte stem → last number tried
    std::vector<int> state;        // per block: 0 not seen, 1 being made, 2 done
    std::vector<int> definition;   // per block: index into plan->definitions, or -1
    std::vector<bool> hidden;      // per layer: off or frozen
    size_t bytes;
    bool tooLarge;
    double base[3];                // the block base point of the members being made
    std::vector<DxfVertex> points;
};

bool Room(Converter* c, size_t n) {
    if (c->bytes + n > kMaxOutputBytes) {
        c->tooLarge = true;
        return false;
    }
    c->bytes += n;
    return true;
}

bool FiniteFloats(const void* from, size_t bytes) {
    const float* f = static_cast<const float*>(from);
    for (size_t i = 0; i < bytes / sizeof(float); ++i) {
        if (!isfinite(f[i])) return false;
    }
    return true;
}

EntityHead HeadFor(const Converter& c, const DxfEntity& e, uint8_t type, uint32_t length) {
    EntityHead h;
    memset(&h, 0, sizeof h);
    h.length = length;
    h.type = type;
    int aci = e.colour;
    if (aci == 256) aci = e.layer >= 0 && e.layer < static_cast<int>(c.model->layers.size())
                              ? c.model->layers[e.layer].colour : 7;
    if (aci == 0) aci = 7;  // by block: the host has no inherited colour
    h.colour = static_cast<uint8_t>(HostColourOf(aci));
    h.layer = static_cast<int16_t>(e.layer);
    return h;
}

Point3 At(const Converter& c, const double p[3]) {
    return Point3{static_cast<float>(p[0] - c.base[0]), static_cast<float>(p[1] - c.base[1]),
                  static_cast<float>(p[2] - c.base[2])};
}

// Appends a fixed-size record whose floats follow the head.
template <typename R>
void Put(Converter* c, RecordBuffer* out, const R& r) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&r);
    static_assert((sizeof r - sizeof(EntityHead)) % sizeof(float) == 0, "only floats follow the head");
    if (!FiniteFloats(bytes + sizeof(EntityHead), sizeof r - sizeof(EntityHead))) return;
    if (!Room(c, sizeof r)) return;
    out->insert(out->end(), bytes, bytes + sizeof r);
}

// A polyline record from world points (c->points), base point removed.
void PutPolyline(Converter* c, const DxfEntity& e, bool closed, RecordBuffer* out) {
    size_t n = c->points.size();
    if (n < 2) return;
    if (n > kDxfMaxPoints) n = kDxfMaxPoints;
    uint32_t length = static_cast<uint32_t>(sizeof(PolylineRecord) + n * sizeof(Point3));
    PolylineRecord r;
    r.head = HeadFor(*c, e, kPolyline, length);
    r.flags = closed ? 1 : 0;
    r.count = static_cast<uint32_t>(n);
    std::vector<Point3> pts(n);
    for (size_t i = 0; i < n; ++i) {
        double w[3] = {c->points[i].x, c->points[i].y, c->points[i].z};
        pts[i] = At(*c, w);
    }
    if (!FiniteFloats(pts.data(), n * sizeof(Point3)) || !Room(c, length)) return;
    const uint8_t* head = reinterpret_cast<const uint8_t*>(&r);
    out->insert(out->end(), head, head + sizeof r);
    const uint8_t* body = reinterpret_cast<const uint8_t*>(pts.data());
    out->insert(out->end(), body, body + n * sizeof(Point3));
}

// OCS points (c->points) into world points, in place.
void PointsToWorld(Converter* c, const Ocs& o) {
    for (DxfVertex& v : c->points) {
        double w[3];
        ToWorld(o, v.x, v.y, v.z, w);
        v.x = w[0], v.y = w[1], v.z = w[2];
    }
}

void PutText(Converter* c, const DxfEntity& e, const double at[3], double angle, const std::string& text,
             RecordBuffer* out) {
    // Blanks draw nothing, and would only widen the extents.
    if (text.find_first_not_of(' ') == std::string::npos) return;
    uint32_t length = static_cast<uint32_t>(sizeof(TextRecord) + text.size() + 1);
    TextRecord r;
    r.head = HeadFor(*c, e, kText, length);
    r.at = At(*c, at);
    r.height = static_cast<float>(e.radius / kDxfCapHeight);
    r.angle = static_cast<float>(Normalised(angle));
    if (!FiniteFloats(&r.at, 20) || !Room(c, length)) return;
    const uint8_t* head = reinterpret_cast<const uint8_t*>(&r);
    out->insert(out->end(), head, head + sizeof r);
    out->insert(out->end(), text.begin(), text.end());
    out->push_back(0);
}

void ConvertArc(Converter* c, const DxfEntity& e, RecordBuffer* out) {
    Ocs o;
    MakeOcs(e.extrusion, &o);
    double centre[3];
    ToWorld(o, e.p[0][0], e.p[0][1], e.p[0][2], centre);
    double start = e.kind == kDxfCircle ? 0 : e.start * kDegree;
    double sweep = e.kind == kDxfCircle ? kTwoPi : TurnSweep(start, e.end * kDegree);
    double end = start + sweep;
    // An arc of a whole turn is a circle: as an arc record its float angles
    // could round to a sliver.
    bool circle = sweep == kTwoPi;
    if (o.plain || o.mirrored) {
        if (circle) {
            CircleRecord r{HeadFor(*c, e, kCircle, sizeof(CircleRecord)), At(*c, centre),
                           static_cast<float>(e.radius)};
            Put(c, out, r);
        } else {
            double s = o.mirrored ? WorldAngle(o, end) : start;
            double t = o.mirrored ? WorldAngle(o, start) : end;
            ArcRecord r{HeadFor(*c, e, kArc, sizeof(ArcRecord)), At(*c, centre), static_cast<float>(e.radius),
                        static_cast<float>(Normalised(s)), static_cast<float>(Normalised(t))};
            Put(c, out, r);
        }
        return;
    }
    // Tilted: the circle is seen as an ellipse; draw it through points.
    c->points.clear();
    int n = 72;
    for (int i = 0; i <= n; ++i) {
        double a = start + (end - start) * i / n;
        c->points.push_back(DxfVertex{e.p[0][0] + e.radius * cos(a), e.p[0][1] + e.radius * sin(a), e.p[0][2], 0});
    }
    PointsToWorld(c, o);
    PutPolyline(c, e, false, out);
}

void ConvertPolyline(Converter* c, const DxfEntity& e, RecordBuffer* out) {
    bool closed = (e.flags & 1) != 0;
    const std::vector<DxfVertex>& v = e.vertices;
    if (e.flags & 64) {  // polyface mesh: each face a closed outline
        for (const std::vector<int>& face : e.faces) {
            c->points.clear();
            for (int index : face) {
                if (index >= 1 && index <= static_cast<int>(v.size())) c->points.push_back(v[index - 1]);
            }
            PutPolyline(c, e, true, out);
        }
        return;
    }
    if ((e.flags & 16) && e.rows >= 2 && e.columns >= 2 &&
        static_cast<size_t>(e.rows) * e.columns == v.size()) {  // polygon mesh: its grid lines
        for (int m = 0; m < e.rows; ++m) {
            c->points.assign(v.begin() + m * e.columns, v.begin() + (m + 1) * e.columns);
            PutPolyline(c, e, (e.flags & 32) != 0, out);
        }
        for (int k = 0; k < e.columns; ++k) {
            c->points.clear();
            for (int m = 0; m < e.rows; ++m) c->points.push_back(v[m * e.columns + k]);
            PutPolyline(c, e, closed, out);
        }
        return;
    }
    if (e.flags & (8 | 16)) {  // a 3D polyline: world points, no bulges
        c->points = v;
        PutPolyline(c, e, closed, out);
        return;
    }
    std::vector<DxfVertex> flat(v);
    for (DxfVertex& p : flat) p.z = e.p[0][2] != 0 ? e.p[0][2] : p.z;  // the polyline's elevation
    ExpandBulges(flat, closed, &c->points);
    Ocs o;
    MakeOcs(e.extrusion, &o);
    PointsToWorld(c, o);
    PutPolyline(c, e, closed, out);
}

// The lines of MTEXT: its paragraphs, each wrapped at the reference width
// (when it has one) between words; a word wider than the width keeps a line
// of its own.
void WrapLines(const std::string& text, double width, double height, std::vector<std::string>* lines) {
    size_t from = 0;
    while (from <= text.size() && static_cast<int>(lines->size()) < kMaxTextLines) {
        size_t nl = text.find('\n', from);
        if (nl == std::string::npos) nl = text.size();
        std::string paragraph = text.substr(from, nl - from);
        from = nl + 1;
        if (!(width > 0) || ShownTextWidth(paragraph, height) <= width) {
            lines->push_back(paragraph);
            continue;
        }
        std::string line;
        size_t at = 0;
        while (at < paragraph.size() && static_cast<int>(lines->size()) < kMaxTextLines) {
            size_t end = paragraph.find(' ', at);
            if (end == std::string::npos) end = paragraph.size();
            std::string word = paragraph.substr(at, end - at);
            std::string longer = line.empty() ? word : line + ' ' + word;
            if (!line.empty() && ShownTextWidth(longer, height) > width) {
                lines->push_back(line);
                line = word;
            } else {
                line = longer;
            }
            at = end + 1;
        }
        if (static_cast<int>(lines->size()) < kMaxTextLines) lines->push_back(line);
    }
}

// TEXT is placed by its justification (72 across, 73 up) at its second
// point 11, whose first point 10 only some writers work out; the width is
// the one the host will show it at. Aligned text (72 = 3) runs from 10 to 11
// at the height that fills it; fitted text (5) keeps its height.
void ConvertAlignedText(Converter* c, const DxfEntity& e, const std::string& text, RecordBuffer* out) {
    const double kDescent = 0.212 / kDxfCapHeight;   // Arial's, in capital heights
    Ocs o;
    MakeOcs(e.extrusion, &o);
    int across = e.flags >= 0 && e.flags <= 5 ? e.flags : 0, up = e.verticalAlign >= 0 && e.verticalAlign <= 3 ? e.verticalAlign : 0;
    bool placed = (across != 0 || up != 0) && (e.given & 2);
    double angle = e.angle * kDegree, h = e.radius, width = ShownTextWidth(text, h);
    double from[3] = {e.p[0][0], e.p[0][1], e.p[0][2]}, dx = 0, dy = 0;
    DxfEntity sized = e;
    if (placed && (across == 3 || across == 5)) {
        double vx = e.p[1][0] - e.p[0][0], vy = e.p[1][1] - e.p[0][1], length = hypot(vx, vy);
        if (length > 0) angle = atan2(vy, vx);
        if (across == 3 && length > 0 && width > 0) sized.radius = h * length / width;
    } else if (placed) {
        memcpy(from, e.p[1], sizeof from);
        dx = across == 1 || across == 4 ? -width / 2 : across == 2 ? -width : 0;
        dy = across == 4 || up == 2 ? -h / 2 : up == 3 ? -h : up == 1 ? kDescent * h : 0;
    }
    double ocs[3] = {from[0] + dx * cos(angle) - dy * sin(angle), from[1] + dx * sin(angle) + dy * cos(angle), from[2]};
    double at[3];
    ToWorld(o, ocs[0], ocs[1], ocs[2], at);
    PutText(c, sized, at, WorldAngle(o, angle), text, out);
}

void ConvertText(Converter* c, const DxfEntity& e, RecordBuffer* out) {
    std::string text = CleanText(e.text, e.kind == kDxfMText, c->model->codePage);
    if (e.kind == kDxfText) {
        for (char& ch : text) {
            if (ch == '\n') ch = ' ';
        }
        ConvertAlignedText(c, e, text, out);
        return;
    }
    // MTEXT: one record per line, placed by the attachment point (1..9:
    // top, middle, bottom rows; left, centre, right columns).
    std::vector<std::string> lines;
    WrapLines(text, e.wrapWidth, e.radius, &lines);
    double angle = e.hasDirection && (e.p[1][0] != 0 || e.p[1][1] != 0) ? atan2(e.p[1][1], e.p[1][0])
                                                                        : e.angle;
    double h = e.radius, step = h * kLineStep * (e.lineSpacing > 0 ? e.lineSpacing : 1);
    int attach = e.flags >= 1 && e.flags <= 9 ? e.flags : 1;
    int row = (attach - 1) / 3, column = (attach - 1) % 3;
    double block = h + step * (lines.size() - 1);
    double firstBaseline = row == 0 ? -h : row == 1 ? block / 2 - h : block - h;
    double ca = cos(angle), sa = sin(angle);
    for (size_t i = 0; i < lines.size(); ++i) {
        double width = ShownTextWidth(lines[i], h);
        double dx = column == 0 ? 0 : column == 1 ? -width / 2 : -width;
        double dy = firstBaseline - step * i;
        double at[3] = {e.p[0][0] + dx * ca - dy * sa, e.p[0][1] + dx * sa + dy * ca, e.p[0][2]};
        PutText(c, e, at, angle, lines[i], out);
    }
}

void ConvertSolid(Converter* c, const DxfEntity& e, RecordBuffer* out) {
    if (e.kind == kDxfFace) {
        // A 3DFACE is drawn as its edges: filled, a mesh would be one blot.
        c->points.clear();
        int n = e.p[3][0] == e.p[2][0] && e.p[3][1] == e.p[2][1] && e.p[3][2] == e.p[2][2] ? 3 : 4;
        for (int i = 0; i < n; ++i) c->points.push_back(DxfVertex{e.p[i][0], e.p[i][1], e.p[i][2], 0});
        PutPolyline(c, e, true, out);
        return;
    }
    Ocs o;
    MakeOcs(e.extrusion, &o);
    // SOLID corners come in the order 1, 2, 4, 3 (a zig-zag); the host's go round.
    static const int kOrder[4] = {0, 1, 3, 2};
    SolidRecord r;
    r.head = HeadFor(*c, e, kSolid, sizeof(SolidRecord));
    for (int i = 0; i < 4; ++i) {
        const double* p = e.p[kOrder[i]];
        double w[3];
        ToWorld(o, p[0], p[1], p[2], w);
        r.corner[i] = At(*c, w);
    }
    Put(c, out, r);
}

// A hatch record: its pattern lines, the loops' point counts, the points;
// loops and pattern from the OCS into the world.
void ConvertHatch(Converter* c, const DxfEntity& e, RecordBuffer* out) {
    Ocs o;
    MakeOcs(e.extrusion, &o);
    bool solid = e.flags == 1;
    std::vector<HatchLine> lines;
    for (const DxfHatchLine& l : solid ? std::vector<DxfHatchLine>() : e.pattern) {
        HatchLine h;
        memset(&h, 0, sizeof h);
        double base[3], dir[3], offset[3];
        ToWorld(o, l.base[0], l.base[1], e.p[0][2], base);
        ToWorld(o, cos(l.angle * kDegree), sin(l.angle * kDegree), 0, dir);
        ToWorld(o, l.offset[0], l.offset[1], 0, offset);
        Point3 at = At(*c, base);
        h.baseX = at.x, h.baseY = at.y;
        h.dirX = static_cast<float>(dir[0]), h.dirY = static_cast<float>(dir[1]);
        h.offsetX = static_cast<float>(offset[0]), h.offsetY = static_cast<float>(offset[1]);
        h.dashCount = static_cast<uint32_t>(l.dashes.size());
        for (size_t k = 0; k < l.dashes.size(); ++k) h.dashes[k] = static_cast<float>(l.dashes[k]);
        if (FiniteFloats(&h, offsetof(HatchLine, dashCount)) && FiniteFloats(h.dashes, sizeof h.dashes)) lines.push_back(h);
    }
    std::vector<uint32_t> counts;
    std::vector<Point3> points;
    for (const std::vector<DxfVertex>& loop : e.loops) {
        counts.push_back(static_cast<uint32_t>(loop.size()));
        for (const DxfVertex& v : loop) {
            double w[3];
            ToWorld(o, v.x, v.y, e.p[0][2], w);
            points.push_back(At(*c, w));
        }
    }
    if (!FiniteFloats(points.data(), points.size() * sizeof(Point3))) return;
    HatchRecord r;
    uint32_t length = static_cast<uint32_t>(sizeof r + lines.size() * sizeof(HatchLine) + counts.size() * 4 +
                                            points.size() * sizeof(Point3));
    r.head = HeadFor(*c, e, kHatch, length);
    r.flags = solid ? 1 : 0;
    r.loopCount = static_cast<uint32_t>(counts.size());
    r.lineCount = static_cast<uint32_t>(lines.size());
    r.pointCount = static_cast<uint32_t>(points.size());
    if (!Room(c, length)) return;
    auto append = [out](const void* from, size_t bytes) {
        const uint8_t* b = static_cast<const uint8_t*>(from);
        out->insert(out->end(), b, b + bytes);
    };
    append(&r, sizeof r);
    append(lines.data(), lines.size() * sizeof(HatchLine));
    append(counts.data(), counts.size() * 4);
    append(points.data(), points.size() * sizeof(Point3));
}

// The box of a definition's members as placed: its four corners transformed.
void PlacedBox(const SymbolDefRecord& def, const SymbolPlacement& pl, Point3* min, Point3* max) {
    double ca = cos(pl.angle), sa = sin(pl.angle);
    for (int i = 0; i < 4; ++i) {
        double x = ((i & 1) ? def.max.x : def.min.x) * pl.scaleX;
        double y = ((i & 2) ? def.max.y : def.min.y) * pl.scaleY;
        float wx = static_cast<float>(pl.at.x + x * ca - y * sa);
        float wy = static_cast<float>(pl.at.y + x * sa + y * ca);
        if (i == 0 || wx < min->x) min->x = wx;
        if (i == 0 || wy < min->y) min->y = wy;
        if (i == 0 || wx > max->x) max->x = wx;
        if (i == 0 || wy > max->y) max->y = wy;
    }
    min->z = pl.at.z + def.min.z;
    max->z = pl.at.z + def.max.z;
}

void ConvertInsert(Converter* c, const DxfEntity& e, RecordBuffer* out) {
    auto found = c->blockIndex.find(UpperName(e.name));
    if (found == c->blockIndex.end()) return;
    int d = c->definition[found->second];
    if (d < 0) return;  // empty, cyclic or nested too deep
    const SymbolDefRecord& def = c->plan->definitions[d].record;
    Ocs o;
    MakeOcs(e.extrusion, &o);
    double angle = e.angle * kDegree, sx = e.scaleX;
    if (o.mirrored) {  // seen from below: mirrored in x
        angle = -angle;
        sx = -sx;
    }
    double cosOcs = cos(e.angle * kDegree), sinOcs = sin(e.angle * kDegree);
    long copies = static_cast<long>(e.columns) * e.rows;
    int columns = copies <= static_cast<long>(kDxfMaxArray) ? e.columns : 1;
    int rows = copies <= static_cast<long>(kDxfMaxArray) ? e.rows : 1;
    for (int m = 0; m < rows; ++m) {
        for (int k = 0; k < columns; ++k) {
            // MINSERT copies step along the block's own rotated axes, in the OCS.
            double ox = k * e.columnStep, oy = m * e.rowStep;
            double p[3] = {e.p[0][0] + ox * cosOcs - oy * sinOcs, e.p[0][1] + ox * sinOcs + oy * cosOcs, e.p[0][2]};
            double w[3];
            ToWorld(o, p[0], p[1], p[2], w);
            SymbolRefRecord r;
            memset(&r, 0, sizeof r);
            r.head = HeadFor(*c, e, kSymbolRef, sizeof r);
            memcpy(r.name, def.name, sizeof r.name);
            r.definition = nullptr;
            r.placement.at = At(*c, w);
            r.placement.scaleX = static_cast<float>(sx);
            r.placement.scaleY = static_cast<float>(e.scaleY);
            r.placement.angle = static_cast<float>(Normalised(angle));
            PlacedBox(def, r.placement, &r.min, &r.max);
            if (!FiniteFloats(&r.min, 24) || !FiniteFloats(&r.placement, sizeof r.placement)) continue;
            if (!Room(c, sizeof r)) return;
            const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&r);
            out->insert(out->end(), bytes, bytes + sizeof r);
        }
    }
}

int BlockOf(const Converter& c, const DxfEntity& e) {
    if (e.kind != kDxfInsert && e.kind != kDxfDimension) return -1;
    auto found = c.blockIndex.find(UpperName(e.name));
    return found == c.blockIndex.end() ? -1 : found->second;
}

void Convert(Converter* c, const DxfEntity& e, RecordBuffer* out);

// A dimension shows its block, which holds it drawn at its place: inserted
// unmoved. Several writers leave the block out (or empty): then it is drawn
// from its definition points, as are leaders.
void ConvertAnnotation(Converter* c, const DxfEntity& e, RecordBuffer* out) {
    int b = BlockOf(*c, e);
    if (b >= 0 && c->definition[b] >= 0) {
        DxfEntity insert = DxfEntity();
        insert.kind = kDxfInsert;
        insert.layer = e.layer;
        insert.colour = e.colour;
        insert.extrusion[2] = 1;
        insert.scaleX = insert.scaleY = 1;
        insert.columns = insert.rows = 1;
        insert.name = e.name;
        ConvertInsert(c, insert, out);
        return;
    }
    std::vector<DxfEntity> parts;
    ExplodeAnnotation(*c->model, e, &parts);
    for (const DxfEntity& part : parts) Convert(c, part, out);
}

void Convert(Converter* c, const DxfEntity& e, RecordBuffer* out) {
    if (c->tooLarge) return;
    switch (e.kind) {
    case kDxfDimension:
    case kDxfLeader:
    case kDxfMLeader:
        ConvertAnnotation(c, e, out);
        break;
    case kDxfLine: {
        LineRecord r{HeadFor(*c, e, kLine, sizeof(LineRecord)), At(*c, e.p[0]), At(*c, e.p[1])};
        Put(c, out, r);
        break;
    }
    case kDxfPoint: {
        PointRecord r{HeadFor(*c, e, kPoint, sizeof(PointRecord)), At(*c, e.p[0])};
        Put(c, out, r);
        break;
    }
    case kDxfArc:
    case kDxfCircle:
        ConvertArc(c, e, out);
        break;
    case kDxfEllipse:
        EllipsePoints(e, &c->points);
        PutPolyline(c, e, TurnSweep(e.start, e.end) == kTwoPi, out);
        break;
    case kDxfPolyline:
        ConvertPolyline(c, e, out);
        break;
    case kDxfSpline:
        SplinePoints(e, &c->points);
        PutPolyline(c, e, (e.flags & 1) != 0, out);
        break;
    case kDxfText:
    case kDxfMText:
        ConvertText(c, e, out);
        break;
    case kDxfSolid:
    case kDxfFace:
        ConvertSolid(c, e, out);
        break;
    case kDxfInsert:
        ConvertInsert(c, e, out);
        break;
    case kDxfHatch:
        ConvertHatch(c, e, out);
        break;
    }
}

// A name of at most 31 characters that no other definition has: names cut
// to the host's length could otherwise meet, and references are linked by name.
void UniqueName(Converter* c, const std::string& name, char out[32]) {
    snprintf(out, 32, "%.31s", name.c_str());
    // Numbering goes on per stem, so many names alike cost no more than one each.
    int& n = c->suffixes[UpperName(name.substr(0, 20))];
    while (c->hostNames.count(UpperName(out))) snprintf(out, 32, "%.20s~%d", name.c_str(), ++n);
    c->hostNames.insert(UpperName(out));
}

// Makes the definition of block b after the definitions its members use.
// A block met again while being made (it inserts itself) or beyond the
// nesting bound gets no definition there, so its reference is left out.
void MakeDefinition(Converter* c, int b, int depth) {
    if (c->state[b] != 0) return;
    c->state[b] = 1;
    const DxfBlock& block = c->model->blocks[b];
    if (depth < kMaxNesting - 2) {
        for (const DxfEntity& e : block.entities) {
            int inner = BlockOf(*c, e);
            if (inner >= 0) MakeDefinition(c, inner, depth + 1);
        }
    }
    DxfDefinition def;
    memcpy(c->base, block.base, sizeof c->base);
    for (const DxfEntity& e : block.entities) Convert(c, e, &def.members);
    c->base[0] = c->base[1] = c->base[2] = 0;
    c->state[b] = 2;
    // The box of what a reference shows: members on hidden layers are not drawn.
    float min[3], max[3];
    if (c->tooLarge || !RecordsBox(def.members, min, max, &c->hidden) ||
        c->plan->definitions.size() >= kDxfMaxDefinitions) {
        return;
    }
    memset(&def.record, 0, sizeof def.record);
    def.record.head.length = sizeof(SymbolDefRecord);
    def.record.head.type = kSymbolDef;
    int layer = 0;
    for (size_t i = 0; i < c->model->layers.size(); ++i) {
        if (c->model->layers[i].name == "0") layer = static_cast<int>(i);
    }
    def.record.head.layer = static_cast<int16_t>(layer);
    def.record.min = Point3{min[0], min[1], min[2]};
    def.record.max = Point3{max[0], max[1], max[2]};
    UniqueName(c, block.name, def.record.name);
    c->definition[b] = static_cast<int>(c->plan->definitions.size());
    c->plan->definitions.push_back(std::move(def));
}

void Widen(float min[3], float max[3], bool* any, double x, double y, double z) {
    float p[3] = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
    for (int i = 0; i < 3; ++i) {
        if (!*any || p[i] < min[i]) min[i] = p[i];
        if (!*any || p[i] > max[i]) max[i] = p[i];
    }
    *any = true;
}

}  // namespace

bool RecordsBox(const RecordBuffer& records, float min[3], float max[3], const std::vector<bool>* hidden) {
    bool any = false;
    ForEachRecord(records, [&](const EntityHead* head) {
        const uint8_t* r = reinterpret_cast<const uint8_t*>(head);
        if (hidden && head->layer > 0 && static_cast<size_t>(head->layer) < hidden->size() &&
            (*hidden)[head->layer]) {
            return;
        }
        switch (head->type) {
        case kLine: {
            const LineRecord* l = reinterpret_cast<const LineRecord*>(r);
            Widen(min, max, &any, l->from.x, l->from.y, l->from.z);
            Widen(min, max, &any, l->to.x, l->to.y, l->to.z);
            break;
        }
        case kCircle: {
            const CircleRecord* ci = reinterpret_cast<const CircleRecord*>(r);
            Widen(min, max, &any, ci->centre.x - ci->radius, ci->centre.y - ci->radius, ci->centre.z);
            Widen(min, max, &any, ci->centre.x + ci->radius, ci->centre.y + ci->radius, ci->centre.z);
            break;
        }
        case kArc: {
            const ArcRecord* a = reinterpret_cast<const ArcRecord*>(r);
            double s = a->start, e = a->end;
            if (e <= s) e += kTwoPi;
            // The ends, and every quarter-turn direction the arc passes.
            for (int q = 0; q <= 8; ++q) {
                double t = q <= 1 ? (q == 0 ? s : e) : (q - 2) * M_PI / 2;
                if (q >= 2 && !((t >= s && t <= e) || (t + kTwoPi >= s && t + kTwoPi <= e))) continue;
                Widen(min, max, &any, a->centre.x + a->radius * cos(t), a->centre.y + a->radius * sin(t),
                      a->centre.z);
            }
            break;
        }
        case kPolyline: {
            const PolylineRecord* p = reinterpret_cast<const PolylineRecord*>(r);
            if ((head->length - sizeof(PolylineRecord)) / sizeof(Point3) < p->count) break;
            const Point3* pts = reinterpret_cast<const Point3*>(r + sizeof(PolylineRecord));
            for (uint32_t i = 0; i < p->count; ++i) Widen(min, max, &any, pts[i].x, pts[i].y, pts[i].z);
            break;
        }
        case kText: {
            const TextRecord* t = reinterpret_cast<const TextRecord*>(r);
            double w = TextWidthPerHeight(reinterpret_cast<const char*>(r + sizeof(TextRecord))) * t->height;
            double h = t->height;
            double ca = cos(t->angle), sa = sin(t->angle);
            for (int i = 0; i < 4; ++i) {
                double x = (i & 1) ? w : 0, y = (i & 2) ? h : 0;
                Widen(min, max, &any, t->at.x + x * ca - y * sa, t->at.y + x * sa + y * ca, t->at.z);
            }
            break;
        }
        case kPoint: {
            const PointRecord* p = reinterpret_cast<const PointRecord*>(r);
            Widen(min, max, &any, p->at.x, p->at.y, p->at.z);
            break;
        }
        case kSolid: {
            const SolidRecord* s = reinterpret_cast<const SolidRecord*>(r);
            for (const Point3& p : s->corner) Widen(min, max, &any, p.x, p.y, p.z);
            break;
        }
        case kHatch: {
            HatchRecord h;
            memcpy(&h, r, sizeof h);
            const uint8_t* points = r + sizeof h + h.lineCount * sizeof(HatchLine) + 4 * h.loopCount;
            for (uint32_t i = 0; i < h.pointCount; ++i) {
                Point3 p;
                memcpy(&p, points + i * sizeof p, sizeof p);
                Widen(min, max, &any, p.x, p.y, p.z);
            }
            break;
        }
        case kSymbolRef: {
            const SymbolRefRecord* s = reinterpret_cast<const SymbolRefRecord*>(r);
            Widen(min, max, &any, s->min.x, s->min.y, s->min.z);
            Widen(min, max, &any, s->max.x, s->max.y, s->max.z);
            break;
        }
        default:
            break;
        }
    });
    return any;
}

bool PlanDxf(const DxfModel& model, DxfPlan* plan, char* why, size_t whySize) {
    *plan = DxfPlan();
    Converter c;
    c.model = &model;
    c.plan = plan;
    c.bytes = 0;
    c.tooLarge = false;
    c.base[0] = c.base[1] = c.base[2] = 0;
    c.state.assign(model.blocks.size(), 0);
    c.definition.assign(model.blocks.size(), -1);
    for (size_t i = 0; i < model.blocks.size(); ++i) c.blockIndex[UpperName(model.blocks[i].name)] = static_cast<int>(i);
    for (size_t i = 0; i < model.layers.size(); ++i) {
        LayerRecord l;
        memset(&l, 0, sizeof l);
        l.length = sizeof l;
        l.number = static_cast<int16_t>(i);
        l.flags = model.layers[i].hidden ? 1 : 0;
        snprintf(l.name, sizeof l.name, "%.31s", model.layers[i].name.c_str());
        plan->layers.push_back(l);
        c.hidden.push_back(model.layers[i].hidden);
    }
    // Only blocks that the drawing inserts, directly or through others.
    for (const DxfEntity& e : model.entities) {
        int b = BlockOf(c, e);
        if (b >= 0) MakeDefinition(&c, b, 1);
    }
    for (const DxfEntity& e : model.entities) Convert(&c, e, &plan->entities);
    if (c.tooLarge) {
        if (why && whySize) snprintf(why, whySize, "drawing too large");
        return false;
    }
    return true;
}
