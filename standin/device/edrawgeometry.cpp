// Geometry that entity drawing and extents share: affine maps, arc sweeps,
// the text box estimate, and checked access to records.
#include "standin/device/device.h"

#include <math.h>
#include <string.h>

static const double kTwoPi = 6.283185307179586;

Affine IdentityAffine() { return Affine{1, 0, 0, 1, 0, 0}; }

Affine Compose(const Affine& o, const Affine& i) {
    return Affine{o.a * i.a + o.b * i.c, o.a * i.b + o.b * i.d,
                  o.c * i.a + o.d * i.c, o.c * i.b + o.d * i.d,
                  o.a * i.e + o.b * i.f + o.e, o.c * i.e + o.d * i.f + o.f};
}

Affine PlacementAffine(const SymbolPlacement& p) {
    double c = cos(double(p.angle)), s = sin(double(p.angle));
    return Affine{c * p.scaleX, -s * p.scaleY, s * p.scaleX, c * p.scaleY, p.at.x, p.at.y};
}

void Apply(const Affine& m, double x, double y, double* outX, double* outY) {
    *outX = m.a * x + m.b * y + m.e;
    *outY = m.c * x + m.d * y + m.f;
}

// Points that are not finite (broken records, zero scales of a reference
// divided out elsewhere) never enter a box.
void AddPoint(Box* box, double x, double y) {
    if (!isfinite(x) || !isfinite(y)) return;
    if (box->empty) {
        *box = Box{false, x, y, x, y};
        return;
    }
    if (x < box->minX) box->minX = x;
    if (x > box->maxX) box->maxX = x;
    if (y < box->minY) box->minY = y;
    if (y > box->maxY) box->maxY = y;
}

double ArcSweep(double start, double end) {
    double sweep = fmod(end - start, kTwoPi);
    if (!(sweep > 0)) sweep += kTwoPi;   // also NaN stays NaN
    return sweep;
}

// The ink of one line of text, per unit of text height (the font's em):
// an estimate by character class that errs on the wide side, so that text
// stays inside the extents whichever sans-serif face the system picks.
const double kTextAscent = 0.95, kTextDescent = 0.25;

double TextWidthPerHeight(const char* text) {
    double width = 0;
    for (int i = 0; i < kMaxTextLength && text[i]; ++i) {
        char ch = text[i];
        if (strchr(" il.,:;'!|ijI`", ch)) width += 0.32;
        else if (strchr("fjrt()[]{}/\\-\"", ch)) width += 0.45;
        else if (strchr("mwMW@%", ch)) width += 1.0;
        else if (ch >= 'A' && ch <= 'Z') width += 0.78;
        else width += 0.64;
    }
    return width;
}

const EntityHead* CheckedHead(const HostEntity* entity) {
    if (!entity) return nullptr;
    uint32_t length;
    memcpy(&length, entity, 4);
    if (!IsWellFormedRecord(entity, length)) return nullptr;
    return reinterpret_cast<const EntityHead*>(entity);
}

// The pointer is only followed once the list confirms that it designates a
// live entity: files and modules can leave any value there.
const HostEntity* DefinitionOf(const SymbolRefRecord* reference) {
    HostEntity* definition;
    memcpy(&definition, reinterpret_cast<const unsigned char*>(reference) +
                            offsetof(SymbolRefRecord, definition), sizeof definition);
    if (!definition || !IsEntity(definition)) return nullptr;
    const EntityHead* head = CheckedHead(definition);
    return head && head->type == kSymbolDef ? definition : nullptr;
}

HDL EnterMembers(MemberWalk* walk, const HostEntity* entity, const EntityHead* head,
                 const Affine& m, Affine* memberMap) {
    if (walk->depth >= kMaxNesting || walk->visits >= kMaxVisits) return nullptr;
    const HostEntity* owner = entity;
    *memberMap = m;
    if (head->type == kSymbolRef) {
        const SymbolRefRecord* reference = reinterpret_cast<const SymbolRefRecord*>(entity);
        owner = DefinitionOf(reference);
        if (!owner) return nullptr;
        SymbolPlacement placement;
        memcpy(&placement, &reference->placement, sizeof placement);
        *memberMap = Compose(m, PlacementAffine(placement));
    } else if (head->type != kGroup) {
        return nullptr;
    }
    for (int i = 0; i < walk->depth; ++i)
        if (walk->open[i] == owner) return nullptr;
    HDL members = MemberListOf(owner);
    if (!members) return nullptr;
    walk->open[walk->depth++] = owner;
    return members;
}

// Each member counts against the walk's budget.
bool CountVisit(MemberWalk* walk) { return ++walk->visits <= kMaxVisits; }

// A block is drawn as its visible members: a hidden layer hides its part of
// every reference, as it hides the entities of the drawing itself.
bool MemberShown(HDL members, const HostEntity* member) {
    int16_t layer;
    memcpy(&layer, member + offsetof(EntityHead, layer), sizeof layer);
    return layer == 0 || !LayerHidden(members, layer);
}
