// EDraw1: one entity on the current drawing target, at the target's view,
// in the entity's own colour, line style and width. References and groups
// draw their members.
#include "standin/device/edraw.h"
#include "standin/standin.h"

#include <math.h>
#include <string.h>

#include <memory>
#include <new>

namespace {

const double kTwoPi = 6.283185307179586;
// Room around the view in which shapes are still drawn; beyond it nothing
// can show, and clipping there keeps GDI's coordinates small.
const int kViewMargin = 2048;
// Text smaller than this many pixels is shown as a line where it runs: a
// face rendered that small is a smudge, or nothing at all.
const double kSmallestGlyphs = 4;
const double kLargestGlyphs = 16384;
// Half the arm of a point's cross, pixels.
const int kPointArm = 2;

void MapPoint(const Affine& m, const Point3& p, double* xy) { Apply(m, p.x, p.y, &xy[0], &xy[1]); }

void DrawText(const Painter& painter, const Affine& map, const TextRecord* text) {
    const char* chars = reinterpret_cast<const char*>(text) + sizeof(TextRecord);
    int length = static_cast<int>(strnlen(chars, kMaxTextLength));
    double h = text->height, angle = text->angle;
    if (length == 0 || !isfinite(h) || !isfinite(angle) || h <= 0) return;
    double c = cos(angle), s = sin(angle);
    double ox, oy, ux, uy, vx, vy;
    Apply(map, text->at.x, text->at.y, &ox, &oy);
    // The baseline's direction and the text's upward height, in pixels.
    ux = map.a * c + map.b * s;
    uy = map.c * c + map.d * s;
    vx = (map.a * -s + map.b * c) * h;
    vy = (map.c * -s + map.d * c) * h;
    double glyphs = hypot(vx, vy);
    double width = TextWidthPerHeight(chars) * h;
    if (!isfinite(glyphs) || glyphs < 0.5) return;
    // The estimated box, as the extents count it: skip text that cannot show.
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    const double corners[4][2] = {{0, -kTextDescent}, {width, -kTextDescent}, {width, kTextAscent}, {0, kTextAscent}};
    for (const auto& k : corners) {
        double x = ox + ux * k[0] + vx * k[1], y = oy + uy * k[0] + vy * k[1];
        minX = fmin(minX, x), maxX = fmax(maxX, x), minY = fmin(minY, y), maxY = fmax(maxY, y);
    }
    const RECT& w = painter.safe;
    if (maxX < w.left || minX > w.right || maxY < w.top || minY > w.bottom) return;
    if (glyphs < kSmallestGlyphs || glyphs > kLargestGlyphs) {
        double mx = ox + 0.35 * vx, my = oy + 0.35 * vy;
        const double xy[4] = {mx, my, mx + ux * width, my + uy * width};
        painter.Path(xy, 2, false);
        return;
    }
    // Escapement counts counter-clockwise on the screen, whose y points down.
    int escapement = static_cast<int>(lround(atan2(-uy, ux) * 1800 / (kTwoPi / 2)));
    HFONT font = CreateFontA(-static_cast<int>(lround(glyphs)), 0, escapement, escapement, FW_NORMAL,
                             FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_ONLY_PRECIS,
                             CLIP_DEFAULT_PRECIS | CLIP_LH_ANGLES, NONANTIALIASED_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, "Arial");
    if (!font) return;
    HDC dc = painter.dc;
    HGDIOBJ oldFont = SelectObject(dc, font);
    UINT oldAlign = SetTextAlign(dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour = SetTextColor(dc, painter.colour);
    TextOutA(dc, static_cast<int>(lround(ox)), static_cast<int>(lround(oy)), chars, length);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    SetTextAlign(dc, oldAlign);
    SelectObject(dc, oldFont);
    DeleteObject(font);
}

void DrawEntity(const DrawTarget& target, const HostEntity* entity, const Affine& m, MemberWalk* walk);

void DrawMembers(const DrawTarget& target, const HostEntity* entity, const EntityHead* head, const Affine& m,
                 MemberWalk* walk) {
    Affine memberMap;
    HDL members = EnterMembers(walk, entity, head, m, &memberMap);
    if (!members) return;
    for (HostEntity* member = FirstEntity(members); member && CountVisit(walk); member = NextEntity(member)) {
        if (MemberShown(members, member)) DrawEntity(target, member, memberMap, walk);
    }
    LeaveMembers(walk);
}

// The four corners of an upright rectangle in drawing units, as a path.
void RectanglePath(const Affine& map, const Point3& min, const Point3& max, double* xy) {
    Apply(map, min.x, min.y, &xy[0], &xy[1]);
    Apply(map, max.x, min.y, &xy[2], &xy[3]);
    Apply(map, max.x, max.y, &xy[4], &xy[5]);
    Apply(map, min.x, max.y, &xy[6], &xy[7]);
}

void DrawEntity(const DrawTarget& target, const HostEntity* entity, const Affine& m, MemberWalk* walk) {
    const EntityHead* head = CheckedHead(entity);
    if (!head) return;
    switch (head->type) {
    case kSymbolRef:
    case kGroup:
        DrawMembers(target, entity, head, m, walk);
        return;
    case kLine: case kArc: case kCircle: case kPolyline: case kText: case kPoint: case kSolid:
    case kHatch: case kFrame: case kViewMark:
        break;
    default:
        // Definitions show through their references; notes, custom and
        // unknown entities have nothing to draw.
        return;
    }
    Affine map = Compose(target.view, m);
    const RECT& view = target.viewRect;
    int width = head->lineWidth ? head->lineWidth : 1;
    int style = head->type == kViewMark ? 2 : head->lineStyle <= 2 ? head->lineStyle : 0;
    COLORREF colour = HostColour(head->colour);
    PenScope pen(target.dc, colour, style, width);
    Painter painter = {target.dc, colour,
                       {view.left - kViewMargin, view.top - kViewMargin, view.right + kViewMargin,
                        view.bottom + kViewMargin},
                       width == 1, &pen};
    switch (head->type) {
    case kLine: {
        auto line = reinterpret_cast<const LineRecord*>(entity);
        double xy[4];
        MapPoint(map, line->from, xy);
        MapPoint(map, line->to, xy + 2);
        painter.Path(xy, 2, false);
        break;
    }
    case kArc: {
        auto arc = reinterpret_cast<const ArcRecord*>(entity);
        painter.Arc(map, arc->centre.x, arc->centre.y, arc->radius, arc->start, ArcSweep(arc->start, arc->end));
        break;
    }
    case kCircle: {
        auto circle = reinterpret_cast<const CircleRecord*>(entity);
        painter.Arc(map, circle->centre.x, circle->centre.y, circle->radius, 0, kTwoPi);
        break;
    }
    case kPolyline: {
        auto polyline = reinterpret_cast<const PolylineRecord*>(entity);
        const unsigned char* points = entity + sizeof(PolylineRecord);
        uint32_t count = polyline->count;
        if (count == 0) break;
        std::unique_ptr<double[]> xy(new (std::nothrow) double[2 * size_t(count)]);
        if (!xy) break;
        for (uint32_t i = 0; i < count; ++i) {
            Point3 p;
            memcpy(&p, points + i * sizeof p, sizeof p);
            MapPoint(map, p, &xy[2 * i]);
        }
        painter.Path(xy.get(), static_cast<int>(count), (polyline->flags & 1) != 0);
        break;
    }
    case kText:
        DrawText(painter, map, reinterpret_cast<const TextRecord*>(entity));
        break;
    case kPoint: {
        double xy[2];
        MapPoint(map, reinterpret_cast<const PointRecord*>(entity)->at, xy);
        const double across[4] = {xy[0] - kPointArm, xy[1], xy[0] + kPointArm, xy[1]};
        const double down[4] = {xy[0], xy[1] - kPointArm, xy[0], xy[1] + kPointArm};
        painter.Path(across, 2, false);
        painter.Path(down, 2, false);
        break;
    }
    case kSolid: {
        auto solid = reinterpret_cast<const SolidRecord*>(entity);
        double xy[8];
        for (int i = 0; i < 4; ++i) MapPoint(map, solid->corner[i], xy + 2 * i);
        painter.Fill(xy, 4);
        break;
    }
    case kHatch:
        DrawHatch(painter, map, entity, HostColour(target.bkColour));
        break;
    case kFrame:
    case kViewMark: {
        // Both records keep their corners at the same offsets.
        auto frame = reinterpret_cast<const FrameRecord*>(entity);
        double xy[8];
        RectanglePath(map, frame->min, frame->max, xy);
        painter.Path(xy, 4, true);
        break;
    }
    }
}

}  // namespace

extern "C" void EDraw1(HostEntity* entity) {
    DrawTarget* target = CurrentTarget();
    if (!target) {
        RecordError("EDraw1: no drawing target");
        return;
    }
    if (!target->hasView) {
        RecordError("EDraw1: no view (SetBMView or SetODView first)");
        return;
    }
    if (!entity || !CheckedHead(entity)) {
        RecordError("EDraw1: not an entity record");
        return;
    }
    if (!target->dc) return;
    MemberWalk walk = {};
    Guarded([&] { DrawEntity(*target, entity, IdentityAffine(), &walk); });
}
