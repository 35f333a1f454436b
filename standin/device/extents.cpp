// Extents: the running box of BgnPExtents .. EndPExtents, the exact bounds
// of each entity type, and the symbol transform of LDSymTM and TranP2.
#include "standin/device/device.h"
#include "standin/standin.h"

#include <math.h>
#include <string.h>

namespace {

const double kTwoPi = 6.283185307179586;

Box g_box = {true, 0, 0, 0, 0};           // reset by BgnPExtents, read by EndPExtents
Affine g_symbol = {1, 0, 0, 1, 0, 0};     // set by LDSymTM, applied by TranP2

float RoundDown(double v) {
    float f = static_cast<float>(v);
    return f > v ? nextafterf(f, -INFINITY) : f;
}

float RoundUp(double v) {
    float f = static_cast<float>(v);
    return f < v ? nextafterf(f, INFINITY) : f;
}

void AddMapped(Box* box, const Affine& m, double x, double y) {
    double px, py;
    Apply(m, x, y, &px, &py);
    AddPoint(box, px, py);
}

// True when angle t lies on the arc from start over sweep.
bool OnArc(double t, double start, double sweep) {
    double d = fmod(t - start, kTwoPi);
    if (d < 0) d += kTwoPi;
    return d <= sweep;
}

void AddRectangle(Box* box, const Affine& m, const Point3& min, const Point3& max) {
    AddMapped(box, m, min.x, min.y);
    AddMapped(box, m, max.x, min.y);
    AddMapped(box, m, max.x, max.y);
    AddMapped(box, m, min.x, max.y);
}

// The four corners of the text's estimated box, turned by its angle.
void AddTextBounds(Box* box, const Affine& m, const TextRecord* text) {
    const char* chars = reinterpret_cast<const char*>(text) + sizeof(TextRecord);
    double h = text->height;
    double width = TextWidthPerHeight(chars) * h;
    double c = cos(double(text->angle)), s = sin(double(text->angle));
    const double corners[4][2] = {
        {0, -kTextDescent * h}, {width, -kTextDescent * h}, {width, kTextAscent * h}, {0, kTextAscent * h}};
    for (const auto& p : corners)
        AddMapped(box, m, text->at.x + p[0] * c - p[1] * s, text->at.y + p[0] * s + p[1] * c);
}

void AddBounds(Box* box, const HostEntity* entity, const Affine& m, MemberWalk* walk);

void AddMemberBounds(Box* box, const HostEntity* entity, const EntityHead* head, const Affine& m,
                     MemberWalk* walk) {
    Affine memberMap;
    HDL members = EnterMembers(walk, entity, head, m, &memberMap);
    if (!members) return;
    for (HostEntity* member = FirstEntity(members); member && CountVisit(walk);
         member = NextEntity(member)) {
        if (MemberShown(members, member)) AddBounds(box, member, memberMap, walk);
    }
    LeaveMembers(walk);
}

void AddBounds(Box* box, const HostEntity* entity, const Affine& m, MemberWalk* walk) {
    const EntityHead* head = CheckedHead(entity);
    if (!head) return;
    switch (head->type) {
    case kLine: {
        auto line = reinterpret_cast<const LineRecord*>(entity);
        AddMapped(box, m, line->from.x, line->from.y);
        AddMapped(box, m, line->to.x, line->to.y);
        break;
    }
    case kArc: {
        auto arc = reinterpret_cast<const ArcRecord*>(entity);
        AddArcBounds(box, m, arc->centre.x, arc->centre.y, arc->radius, arc->start,
                     ArcSweep(arc->start, arc->end));
        break;
    }
    case kCircle: {
        auto circle = reinterpret_cast<const CircleRecord*>(entity);
        AddArcBounds(box, m, circle->centre.x, circle->centre.y, circle->radius, 0, kTwoPi);
        break;
    }
    case kPolyline: {
        auto polyline = reinterpret_cast<const PolylineRecord*>(entity);
        const unsigned char* points = entity + sizeof(PolylineRecord);
        for (uint32_t i = 0; i < polyline->count; ++i) {
            Point3 p;
            memcpy(&p, points + i * sizeof p, sizeof p);
            AddMapped(box, m, p.x, p.y);
        }
        break;
    }
    case kText:
        AddTextBounds(box, m, reinterpret_cast<const TextRecord*>(entity));
        break;
    case kPoint: {
        auto point = reinterpret_cast<const PointRecord*>(entity);
        AddMapped(box, m, point->at.x, point->at.y);
        break;
    }
    case kSolid: {
        auto solid = reinterpret_cast<const SolidRecord*>(entity);
        for (const Point3& p : solid->corner) AddMapped(box, m, p.x, p.y);
        break;
    }
    case kHatch: {
        // The loops' points: pattern lines never reach beyond them.
        HatchRecord hatch;
        memcpy(&hatch, entity, sizeof hatch);
        const unsigned char* points = entity + sizeof hatch + hatch.lineCount * sizeof(HatchLine) + 4 * hatch.loopCount;
        for (uint32_t i = 0; i < hatch.pointCount; ++i) {
            Point3 p;
            memcpy(&p, points + i * sizeof p, sizeof p);
            AddMapped(box, m, p.x, p.y);
        }
        break;
    }
    case kFrame: {
        auto frame = reinterpret_cast<const FrameRecord*>(entity);
        AddRectangle(box, m, frame->min, frame->max);
        break;
    }
    case kSymbolRef:
    case kGroup:
        AddMemberBounds(box, entity, head, m, walk);
        break;
    default:
        // Definitions count through their references, view marks and notes
        // are no geometry, custom entities are their module's.
        break;
    }
}

}  // namespace

// x(t) = x'c + r (a cos t + b sin t) is extreme where tan t = b / a, and
// likewise y; those angles count only where they lie on the arc. Any affine
// map (a reference's rotation and unequal scales) keeps this exact.
void AddArcBounds(Box* box, const Affine& m, double cx, double cy, double r, double start, double sweep) {
    if (!isfinite(start) || !isfinite(sweep)) return;
    auto add = [&](double t) { AddMapped(box, m, cx + r * cos(t), cy + r * sin(t)); };
    add(start);
    add(start + sweep);
    const double extremes[2] = {atan2(m.b, m.a), atan2(m.d, m.c)};
    for (double t : extremes) {
        if (OnArc(t, start, sweep)) add(t);
        if (OnArc(t + kTwoPi / 2, start, sweep)) add(t + kTwoPi / 2);
    }
}

void AddEntityBounds(Box* box, const HostEntity* entity, const Affine& m) {
    MemberWalk walk = {};
    AddBounds(box, entity, m, &walk);
}

extern "C" {

void BgnPExtents(void) { g_box = EmptyBox(); }

void XCheckP2(const float* point) {
    if (!point) {
        RecordError("XCheckP2: no point");
        return;
    }
    AddPoint(&g_box, point[0], point[1]);
}

void EXCheck(HostEntity* entity) {
    if (!entity) {
        RecordError("EXCheck: no entity");
        return;
    }
    AddEntityBounds(&g_box, entity, IdentityAffine());
}

void LDSymTM(const void* placement) {
    if (!placement) {
        RecordError("LDSymTM: no placement");
        return;
    }
    SymbolPlacement p;
    memcpy(&p, placement, sizeof p);
    g_symbol = PlacementAffine(p);
}

void TranP2(float* point) {
    if (!point) {
        RecordError("TranP2: no point");
        return;
    }
    double x, y;
    Apply(g_symbol, point[0], point[1], &x, &y);
    point[0] = static_cast<float>(x);
    point[1] = static_cast<float>(y);
}

// Minimum corner, then maximum corner; z is 0 (the host draws in the plane).
// Corners are rounded outwards to float so that the box still holds every
// point it was given.
void EndPExtents(float* six) {
    if (!six) {
        RecordError("EndPExtents: no destination");
        return;
    }
    memset(six, 0, 6 * sizeof(float));
    if (g_box.empty) return;
    six[0] = RoundDown(g_box.minX);
    six[1] = RoundDown(g_box.minY);
    six[3] = RoundUp(g_box.maxX);
    six[4] = RoundUp(g_box.maxY);
}

}  // extern "C"
