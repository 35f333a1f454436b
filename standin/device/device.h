// Inside the stand-in's display device: drawing targets, the geometry that
// entity drawing and extents share, and checked access to entity records.
#pragma once

#include "standin/drawing/drawing.h"

// A 2-D affine map: x' = a x + b y + e, y' = c x + d y + f.
struct Affine {
    double a, b, c, d, e, f;
};
Affine IdentityAffine();
// `outer` after `inner`: applies inner first.
Affine Compose(const Affine& outer, const Affine& inner);
// A symbol's placement: scale, then rotate (radians), then move to `at`.
Affine PlacementAffine(const SymbolPlacement& placement);
void Apply(const Affine& m, double x, double y, double* outX, double* outY);
// Positive when the map keeps the turning sense.
inline double Determinant(const Affine& m) { return m.a * m.d - m.b * m.c; }

// A running bounding box in double precision.
struct Box {
    bool empty;
    double minX, minY, maxX, maxY;
};
inline Box EmptyBox() { return Box{true, 0, 0, 0, 0}; }
void AddPoint(Box* box, double x, double y);
// Adds the entity's exact bounds under `m` (text: an estimate of its box);
// references and groups through their members, at most kMaxNesting deep.
void AddEntityBounds(Box* box, const HostEntity* entity, const Affine& m);
// The points of an arc under `m` that bound it: its ends and the extremes
// in x and y that lie on it.
void AddArcBounds(Box* box, const Affine& m, double cx, double cy, double r, double start, double sweep);

// Sweep of an arc, counter-clockwise from start to end: (0, 2 pi]; equal
// angles make a full circle.
double ArcSweep(double start, double end);
// Text box in the text's own frame (baseline at y 0, from x 0), per unit height.
double TextWidthPerHeight(const char* text);
enum { kMaxTextLength = 4096 };
extern const double kTextAscent, kTextDescent;

// The record of an entity when it is well formed, else null.
const EntityHead* CheckedHead(const HostEntity* entity);
// The definition a reference designates when it is a live, well-formed
// symbol definition; else null.
const HostEntity* DefinitionOf(const SymbolRefRecord* reference);
// Expanding references and groups: a definition already being expanded
// is not entered again (a cycle), and one walk visits at most kMaxVisits
// members, so a hostile file with deeply nested fan-out still ends.
enum { kMaxVisits = 1 << 22 };
struct MemberWalk {
    const HostEntity* open[kMaxNesting];
    int depth;
    long visits;
};
// The members to walk for a reference or group, or null; on success the
// caller walks them and then calls LeaveMembers.
HDL EnterMembers(MemberWalk* walk, const HostEntity* entity, const EntityHead* head,
                 const Affine& m, Affine* memberMap);
inline void LeaveMembers(MemberWalk* walk) { --walk->depth; }
// Counts one member visited; false once the walk's budget is spent.
bool CountVisit(MemberWalk* walk);
// False for a member on a layer that its drawing hides; members on layer 0
// show wherever their reference or group does.
bool MemberShown(HDL members, const HostEntity* member);

// Host colour numbers 0..255 as RGB; others are taken modulo 256.
COLORREF HostColour(int colour);

// The current drawing target and its view; null when none is in use.
struct DrawTarget {
    HDC dc;
    int colour, bkColour;
    RECT viewRect;          // pixels that the view window maps onto
    Affine view;            // drawing units to pixels
    double unitsToPixels;   // for text height: the view's y scale
    bool hasView;
};
DrawTarget* CurrentTarget();
