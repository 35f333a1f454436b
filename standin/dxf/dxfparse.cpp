// DXF sections and entities into a DxfModel. Only what the host can show is
// kept: the layer table, blocks, and the entities of the ENTITIES section in
// model space. Everything else is read past group by group.
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <unordered_map>

#include "standin/dxf/dxf.h"

namespace {

// Coordinates beyond this cannot become finite floats with room to transform.
const double kMaxCoordinate = 1e18;

struct Parser {
    DxfReader reader;
    DxfGroup group;
    DxfStatus status;
    DxfModel* model;
    std::unordered_map<std::string, int> layerIndex;   // upper-case name → index
    std::unordered_map<std::string, int> blockIndex;
    long entities;
    long vertices;
    const char* refusal;   // set once the file is refused
};

// Index of the layer of that name (DXF layer names ignore case), added when
// new; -1 when the table is full.
int LayerOf(Parser* p, const char* name) {
    std::string key = UpperName(name);
    auto found = p->layerIndex.find(key);
    if (found != p->layerIndex.end()) return found->second;
    DxfModel* m = p->model;
    if (m->layers.size() >= kDxfMaxLayers) return -1;
    m->layers.push_back(DxfLayer{name, 7, false});
    int index = static_cast<int>(m->layers.size() - 1);
    p->layerIndex[key] = index;
    return index;
}

bool Next(Parser* p) {
    p->status = NextDxfGroup(&p->reader, &p->group);
    return p->status == kDxfGroup;
}

bool AtZero(const Parser& p, const char* name) {
    return p.status == kDxfGroup && p.group.code == 0 && strcmp(GroupName(p.group), name) == 0;
}

// Reads past the groups of the current record up to the next 0 group.
void SkipRecord(Parser* p) {
    while (Next(p) && p->group.code != 0) {}
}

// ---- Entity accumulator ----

struct Pending {
    DxfEntity e;
    bool known;            // a kind the host can show
    bool bad;              // a number that would not parse, or out of range
    bool paperSpace;
    bool invisible;
    bool isVertex;
    bool attribute;        // an ATTRIB: a text unless flagged invisible
    bool arcDimension;     // an ARC_DIMENSION, whose subclass reuses 70
    std::string layerName;
    double num[100];       // numeric codes 10..99, last value seen
    bool has[100];
};

bool KindOf(const char* name, DxfKind* kind) {
    static const struct { const char* name; DxfKind kind; } kKinds[] = {
        {"LINE", kDxfLine}, {"ARC", kDxfArc}, {"CIRCLE", kDxfCircle}, {"ELLIPSE", kDxfEllipse},
        {"LWPOLYLINE", kDxfPolyline}, {"POLYLINE", kDxfPolyline}, {"SPLINE", kDxfSpline},
        {"TEXT", kDxfText}, {"MTEXT", kDxfMText}, {"POINT", kDxfPoint}, {"SOLID", kDxfSolid},
        {"3DFACE", kDxfFace}, {"INSERT", kDxfInsert}, {"DIMENSION", kDxfDimension},
        {"ARC_DIMENSION", kDxfDimension}, {"TRACE", kDxfSolid}, {"ATTRIB", kDxfText},
        {"HELIX", kDxfSpline}, {"LEADER", kDxfLeader}, {"MULTILEADER", kDxfMLeader}, {"MLEADER", kDxfMLeader},
        {"HATCH", kDxfHatch},
    };
    for (const auto& k : kKinds) {
        if (strcmp(name, k.name) == 0) {
            *kind = k.kind;
            return true;
        }
    }
    return false;
}

void Begin(Pending* a, DxfKind kind) {
    a->e = DxfEntity();
    a->e.kind = kind;
    a->e.colour = 256;
    a->e.extrusion[2] = 1;
    a->e.scaleX = a->e.scaleY = 1;
    a->e.columns = a->e.rows = 1;
    a->e.degree = 3;
    a->known = true;
    a->e.measured = a->e.textAngle = NAN;
    a->bad = a->paperSpace = a->invisible = a->isVertex = a->attribute = a->arcDimension = false;
    a->layerName.clear();
    memset(a->has, 0, sizeof a->has);
}

bool Bounded(double v) { return v >= -kMaxCoordinate && v <= kMaxCoordinate; }

// A coordinate group of a repeated point list (LWPOLYLINE vertices, SPLINE points).
bool AddListPoint(Parser* p, Pending* a, std::vector<DxfVertex>* list, int axis, double v) {
    if (axis == 0) {
        if (list->size() >= kDxfMaxVertices || p->vertices >= static_cast<long>(kDxfMaxTotalVertices)) {
            p->refusal = "too many vertices";
            return false;
        }
        ++p->vertices;
        double z = a->has[38] ? a->num[38] : 0;
        list->push_back(DxfVertex{v, 0, z, 0});
    } else if (!list->empty()) {
        (axis == 1 ? list->back().y : list->back().z) = v;
    }
    return true;
}

bool AppendText(std::string* text, const DxfGroup& g) {
    size_t room = kDxfMaxText - text->size();
    if (text->size() >= kDxfMaxText) return true;
    text->append(g.text, static_cast<size_t>(g.length) < room ? g.length : room);
    return true;
}

// One group of an entity. False when the file is refused.
bool Collect(Parser* p, Pending* a) {
    const DxfGroup& g = p->group;
    int c = g.code;
    DxfEntity& e = a->e;
    switch (c) {
    case 8: a->layerName = GroupName(g); return true;
    case 1:
        if (e.kind == kDxfMText || e.kind == kDxfText || e.kind == kDxfDimension) AppendText(&e.text, g);
        return true;
    case 3:
        if (e.kind == kDxfMText) AppendText(&e.text, g);
        if (e.kind == kDxfDimension || e.kind == kDxfLeader) e.style = GroupName(g);
        return true;
    case 2:
        if (e.kind == kDxfInsert || e.kind == kDxfDimension) e.name = GroupName(g);
        return true;
    }
    bool numeric = (c >= 10 && c <= 99) || c == 210 || c == 220 || c == 230;
    if (!numeric) return true;
    double v;
    if (!GroupNumber(g, &v) || !Bounded(v)) {
        a->bad = true;
        return true;
    }
    if (c >= 210) {
        e.extrusion[(c - 210) / 10] = v;
        return true;
    }
    // Repeated groups that build lists.
    if (e.kind == kDxfSpline) {
        if (c == 10 || c == 20 || c == 30) return AddListPoint(p, a, &e.vertices, (c - 10) / 10, v);
        if (c == 11 || c == 21 || c == 31) return AddListPoint(p, a, &e.fitPoints, (c - 11) / 10, v);
        if (c == 40 || c == 41) {
            std::vector<double>& list = c == 40 ? e.knots : e.weights;
            if (list.size() < kDxfMaxVertices * 2) list.push_back(v);
            return true;
        }
    }
    if (e.kind == kDxfLeader && (c == 10 || c == 20 || c == 30)) return AddListPoint(p, a, &e.vertices, (c - 10) / 10, v);
    if (e.kind == kDxfPolyline && e.name == "LW") {
        if (c == 10 || c == 20) return AddListPoint(p, a, &e.vertices, (c - 10) / 10, v);
        if (c == 42) {
            if (!e.vertices.empty()) e.vertices.back().bulge = v;
            return true;
        }
    }
    if (e.kind == kDxfMText && c == 11) e.hasDirection = true;
    a->num[c] = v;
    a->has[c] = true;
    return true;
}

double Num(const Pending& a, int code, double fallback) { return a.has[code] ? a.num[code] : fallback; }

int IntNum(const Pending& a, int code, int fallback) {
    if (!a.has[code]) return fallback;
    double v = a.num[code];
    return v >= -2147483647.0 && v <= 2147483647.0 ? static_cast<int>(v) : fallback;
}

// Moves the collected numbers into the entity's fields; false when the
// entity cannot be shown.
bool Finish(Pending* a) {
    DxfEntity& e = a->e;
    if (a->bad || a->invisible) return false;
    for (int i = 0; i < 7 && e.kind != kDxfMLeader; ++i) {  // its points were placed as read
        e.p[i][0] = Num(*a, 10 + i, 0);
        e.p[i][1] = Num(*a, 20 + i, 0);
        e.p[i][2] = Num(*a, 30 + i, 0);
        if (a->has[10 + i] || a->has[20 + i]) e.given |= 1 << i;
    }
    e.colour = IntNum(*a, 62, 256);
    if (e.colour < 0) e.colour = -e.colour;  // off on its own: shown in its colour
    if (e.colour > 256) e.colour = 256;
    switch (e.kind) {
    case kDxfArc:
        e.start = Num(*a, 50, 0);
        e.end = Num(*a, 51, 360);
        [[fallthrough]];
    case kDxfCircle:
        e.radius = Num(*a, 40, 0);
        return e.radius > 0;
    case kDxfEllipse:
        e.radius = Num(*a, 40, 1);
        e.start = Num(*a, 41, 0);
        e.end = Num(*a, 42, 2 * M_PI);
        // Some writers store ratios a little above 1: still an ellipse.
        return e.radius > 0 && e.radius <= 1e6 && (e.p[1][0] != 0 || e.p[1][1] != 0);
    case kDxfPolyline:
        e.flags = IntNum(*a, 70, 0);
        e.rows = IntNum(*a, 71, 0);
        e.columns = IntNum(*a, 72, 0);
        // A smoothed mesh keeps its fitted grid, of the surface's density.
        if ((e.flags & 16) && (e.flags & 4) && a->has[73] && a->has[74]) {
            e.rows = IntNum(*a, 73, 0);
            e.columns = IntNum(*a, 74, 0);
        }
        return true;
    case kDxfSpline:
        e.flags = IntNum(*a, 70, 0);
        e.degree = IntNum(*a, 71, 3);
        return e.vertices.size() >= 2 || e.fitPoints.size() >= 2;
    case kDxfText:
        if (a->attribute && (IntNum(*a, 70, 0) & 1)) return false;  // an invisible attribute
        [[fallthrough]];
    case kDxfMText:
        e.radius = Num(*a, 40, 1);
        if (e.radius <= 0) e.radius = 1;
        e.angle = Num(*a, 50, 0);
        e.wrapWidth = e.kind == kDxfMText ? Num(*a, 41, 0) : 0;
        e.lineSpacing = e.kind == kDxfMText ? Num(*a, 44, 1) : 1;
        if (!(e.lineSpacing >= 0.25 && e.lineSpacing <= 4)) e.lineSpacing = 1;
        e.flags = IntNum(*a, e.kind == kDxfMText ? 71 : 72, e.kind == kDxfMText ? 1 : 0);
        e.verticalAlign = e.kind == kDxfText ? IntNum(*a, a->attribute ? 74 : 73, 0) : 0;
        return !e.text.empty();
    case kDxfDimension:
        e.flags = a->arcDimension ? kDimArcLength : IntNum(*a, 70, 0);
        e.angle = Num(*a, 50, 0);
        e.measured = Num(*a, 42, NAN);
        e.textAngle = Num(*a, 53, NAN);
        return true;
    case kDxfLeader:
        e.flags = IntNum(*a, 71, 1);
        return e.vertices.size() >= 2;
    case kDxfMLeader:
        if (e.arrow <= 0) e.arrow = Num(*a, 42, 0);
        return !e.vertices.empty() || !e.text.empty();
    case kDxfInsert:
        e.scaleX = Num(*a, 41, 1);
        e.scaleY = Num(*a, 42, 1);
        e.angle = Num(*a, 50, 0);
        e.columns = IntNum(*a, 70, 1);
        e.rows = IntNum(*a, 71, 1);
        e.columnStep = Num(*a, 44, 0);
        e.rowStep = Num(*a, 45, 0);
        if (e.columns < 1) e.columns = 1;
        if (e.rows < 1) e.rows = 1;
        return !e.name.empty() && e.scaleX != 0 && e.scaleY != 0;
    case kDxfHatch:
        // 1: a solid fill; some writers only name the pattern so.
        e.flags = IntNum(*a, 70, 0) == 1 || (e.namedSolid && e.pattern.empty()) ? 1 : 0;
        // A gradient is shown as a solid fill in its first colour.
        if (e.fillColour >= 1 && e.fillColour <= 255) e.colour = e.fillColour;
        return !e.loops.empty();
    case kDxfSolid:
    case kDxfFace:
        if (!a->has[13]) {  // a triangle: the fourth corner is the third
            for (int k = 0; k < 3; ++k) e.p[3][k] = e.p[2][k];
        }
        return true;
    default:
        return true;
    }
}

// MULTILEADER: a context block holds the text and the leaders, each leader
// its lines; the same codes mean other things at each level, so the level
// is followed through the markers 300 .. 305.
struct MLeaderState {
    int level;            // 0 the entity, 1 the context, 2 a leader, 3 a leader line
    bool hasLanding;      // the leader's last point (where its lines end) was given
    double landing[3];
    double dogleg[3];     // the landing's direction and length beyond it
    double doglegLength;
    size_t lineStart;     // index of the current line's first vertex
    int leaderType;       // entity 170: 0 none, 1 straight, 2 spline
};

// Ends a leader line: it runs on to the landing and along the dogleg.
void EndLeaderLine(Parser* p, Pending* a, MLeaderState* s) {
    DxfEntity& e = a->e;
    for (int k = 0; s->hasLanding && k < (s->doglegLength != 0 ? 2 : 1); ++k) {
        double f = k * s->doglegLength;
        for (int axis = 0; axis < 3; ++axis) AddListPoint(p, a, &e.vertices, axis, s->landing[axis] + f * s->dogleg[axis]);
    }
    if (e.vertices.size() > s->lineStart) e.runs.push_back(static_cast<int>(e.vertices.size() - s->lineStart));
}

bool CollectMLeader(Parser* p, Pending* a, MLeaderState* s) {
    const DxfGroup& g = p->group;
    int c = g.code;
    DxfEntity& e = a->e;
    if (c >= 300 && c <= 305) {
        const char* text = GroupName(g);
        bool open = text[0] != '\0' && text[strlen(text) - 1] == '{';
        if (c == 300 && open) {
            s->level = 1;
        } else if (c == 302 && open && s->level == 1) {
            s->level = 2;
            s->hasLanding = false;
            s->doglegLength = 0;
        } else if (c == 304 && open && s->level == 2) {
            s->level = 3;
            s->lineStart = e.vertices.size();
        } else if (c == 304 && s->level == 1) {
            AppendText(&e.text, g);   // the text's contents
        } else if (c == 305 && s->level == 3) {
            EndLeaderLine(p, a, s);
            s->level = 2;
        } else if ((c == 303 && s->level == 2) || (c == 301 && s->level == 1)) {
            --s->level;
        }
        return !p->refusal;
    }
    if (s->level == 0) {
        if (c == 8 || c == 62 || c == 42) return Collect(p, a);
        if (c == 170) GroupInt(g, &s->leaderType);
        return true;
    }
    double v;
    if (!GroupNumber(g, &v) || !Bounded(v)) return true;
    int axis = c % 100 >= 10 && c % 100 < 40 ? (c % 100) / 10 - 1 : -1;
    int point = axis >= 0 && c < 100 ? c % 10 : -1;   // 1k, 2k, 3k: point k
    switch (s->level) {
    case 1:
        if (point == 2 || point == 3) {   // 12: the text's location, 13: its direction
            e.p[point][axis] = v;
            e.given |= 1 << point;
        }
        if (c == 41) e.radius = v;
        if (c == 140) e.arrow = v;
        if (c == 171) e.flags = static_cast<int>(v);
        break;
    case 2:
        if (point == 0) {   // 10: the landing
            s->landing[axis] = v;
            s->hasLanding = true;
        }
        if (point == 1) s->dogleg[axis] = v;
        if (c == 40) s->doglegLength = v;
        break;
    case 3:
        if (point == 0) return AddListPoint(p, a, &e.vertices, axis, v);
        break;
    }
    return true;
}

// A VERTEX record of an open POLYLINE.
void AddVertex(Parser* p, Pending* poly, Pending* v) {
    if (v->bad) return;
    int flags = IntNum(*v, 70, 0);
    DxfEntity& e = poly->e;
    if ((flags & 128) && !(flags & 64)) {  // a polyface face: vertex indices
        if (e.faces.size() >= kDxfMaxVertices) return;
        std::vector<int> face;
        for (int code = 71; code <= 74; ++code) {
            int index = IntNum(*v, code, 0);
            if (index != 0) face.push_back(index < 0 ? -index : index);
        }
        if (face.size() >= 2) e.faces.push_back(face);
        return;
    }
    if (flags & 16) return;  // a spline frame control point, not on the curve
    if (e.vertices.size() >= kDxfMaxVertices || p->vertices >= static_cast<long>(kDxfMaxTotalVertices)) {
        p->refusal = "too many vertices";
        return;
    }
    ++p->vertices;
    e.vertices.push_back(DxfVertex{Num(*v, 10, 0), Num(*v, 20, 0), Num(*v, 30, 0), Num(*v, 42, 0)});
}

// Reads one record that starts at the current 0 group; leaves the next 0
// group (or the end) current. `out` receives a finished entity, if any.
// False when the file is refused.
bool ReadEntity(Parser* p, std::vector<DxfEntity>* out, bool modelOnly) {
    DxfKind kind;
    const char* name = GroupName(p->group);
    if (!KindOf(name, &kind)) {
        SkipRecord(p);
        return true;
    }
    Pending a;
    Begin(&a, kind);
    if (strcmp(name, "LWPOLYLINE") == 0) a.e.name = "LW";  // marks the list form while reading
    a.attribute = strcmp(name, "ATTRIB") == 0;
    a.arcDimension = strcmp(name, "ARC_DIMENSION") == 0;
    MLeaderState leader = {};
    leader.leaderType = 1;
    DxfHatchReader hatch;
    if (kind == kDxfHatch) BeginHatch(&hatch, &p->vertices);
    bool embedded = false;
    while (Next(p) && p->group.code != 0) {
        // After 101 comes an embedded object (MTEXT columns of R2018) that
        // reuses the entity's codes for other things; so does a HELIX's own
        // data after its curve, which is a plain spline.
        int code = p->group.code;
        if (code == 101 || (code == 100 && strcmp(GroupName(p->group), "AcDbHelix") == 0)) embedded = true;
        if (embedded) continue;
        if (p->group.code == 67) {
            int v = 0;
            a.paperSpace = GroupInt(p->group, &v) && v == 1;
        } else if (p->group.code == 60) {
            int v = 0;
            a.invisible = GroupInt(p->group, &v) && v == 1;
        } else if (kind == kDxfHatch) {
            DxfHatchGroup taken = HatchGroup(&hatch, &a.e, p->group);
            if (taken == kHatchRefused) p->refusal = "too many vertices";
            if (taken == kHatchCommon && !Collect(p, &a)) return false;
        } else if (kind == kDxfMLeader ? !CollectMLeader(p, &a, &leader) : !Collect(p, &a)) {
            return false;
        }
        if (p->refusal) return false;
    }
    if (kind == kDxfHatch) EndHatch(&hatch, &a.e);
    if (kind == kDxfMLeader && leader.leaderType == 0) {  // text without leader lines
        a.e.vertices.clear();
        a.e.runs.clear();
    }
    bool oldPolyline = kind == kDxfPolyline && a.e.name != "LW";
    if (kind != kDxfInsert && kind != kDxfDimension) a.e.name.clear();
    if (oldPolyline) {
        // VERTEX records up to SEQEND (or whatever record comes instead).
        Pending v;
        while (AtZero(*p, "VERTEX")) {
            Begin(&v, kDxfPoint);
            v.isVertex = true;
            while (Next(p) && p->group.code != 0) Collect(p, &v);
            AddVertex(p, &a, &v);
            if (p->refusal) return false;
        }
        if (AtZero(*p, "SEQEND")) SkipRecord(p);
    }
    if (!Finish(&a) || (modelOnly && a.paperSpace)) return true;
    if (kind == kDxfPolyline && a.e.vertices.size() < 2 && a.e.faces.empty()) return true;
    if (++p->entities > static_cast<long>(kDxfMaxEntities)) {
        p->refusal = "too many entities";
        return false;
    }
    a.e.layer = LayerOf(p, a.layerName.empty() ? "0" : a.layerName.c_str());
    if (a.e.layer < 0) {
        p->refusal = "too many layers";
        return false;
    }
    out->push_back(std::move(a.e));
    return true;
}

// ---- Sections. Each starts at the first group after the section's name
// and returns at its 0 ENDSEC; false when the file is refused. ----

bool ReadHeader(Parser* p) {
    std::string variable, version;
    int codePage = 0;
    while (p->status == kDxfGroup && !AtZero(*p, "ENDSEC")) {
        if (p->group.code == 9) {
            variable = GroupName(p->group);
        } else if (variable == "$ACADVER" && p->group.code == 1) {
            version = GroupName(p->group);
        } else if (variable == "$DWGCODEPAGE" && p->group.code == 3) {
            codePage = CodePageNamed(GroupName(p->group));
        } else {
            DxfDimStyle& d = p->model->dimDefaults;
            double v;
            if (!GroupNumber(p->group, &v) || !(fabs(v) < 1e9)) v = NAN;
            if (variable == "$DIMSCALE") d.scale = v;
            else if (variable == "$DIMASZ") d.arrow = v;
            else if (variable == "$DIMTXT") d.textHeight = v;
            else if (variable == "$DIMDEC") d.decimals = v >= 0 && v <= 8 ? static_cast<int>(v) : 4;
            else if (variable == "$DIMZIN") d.zeros = v >= 0 ? static_cast<int>(v) : 0;
            else if (variable == "$DIMTIH") d.horizontal = v != 0;
        }
        Next(p);
    }
    // AC1021 (2007) and later store texts as UTF-8 whatever the code page says.
    if (version >= "AC1021") p->model->codePage = kDxfUtf8;
    else if (codePage) p->model->codePage = codePage;
    return true;
}

// A DIMSTYLE record: the sizes that dimensions and leaders drawn here need.
void ReadDimStyle(Parser* p) {
    DxfDimStyle d = {"", NAN, NAN, NAN, -1, -1, -1};
    while (Next(p) && p->group.code != 0) {
        int c = p->group.code;
        double v;
        if (c == 2) d.name = GroupName(p->group);
        if (!GroupNumber(p->group, &v) || !(fabs(v) < 1e9)) continue;
        if (c == 40) d.scale = v;
        else if (c == 41) d.arrow = v;
        else if (c == 140) d.textHeight = v;
        else if (c == 271 && v >= 0 && v <= 8) d.decimals = static_cast<int>(v);
        else if (c == 78 && v >= 0) d.zeros = static_cast<int>(v);
        else if (c == 73) d.horizontal = v != 0;
    }
    DxfModel* m = p->model;
    if (d.name.empty() || m->dimStyles.size() >= kDxfMaxLayers) return;
    if (m->dimStyleIndex.emplace(UpperName(d.name), static_cast<int>(m->dimStyles.size())).second) {
        m->dimStyles.push_back(d);   // the first of a name holds
    }
}

bool ReadTables(Parser* p) {
    while (p->status == kDxfGroup && !AtZero(*p, "ENDSEC")) {
        if (AtZero(*p, "DIMSTYLE")) {
            ReadDimStyle(p);
            continue;
        }
        if (!AtZero(*p, "LAYER")) {
            Next(p);
            continue;
        }
        std::string name;
        int colour = 7, flags = 0;
        while (Next(p) && p->group.code != 0) {
            if (p->group.code == 2) name = GroupName(p->group);
            else if (p->group.code == 62) GroupInt(p->group, &colour);
            else if (p->group.code == 70) GroupInt(p->group, &flags);
        }
        if (name.empty()) continue;
        int index = LayerOf(p, name.c_str());
        if (index < 0) {
            p->refusal = "too many layers";
            return false;
        }
        DxfLayer& layer = p->model->layers[index];
        layer.hidden = colour < 0 || (flags & 1) != 0;
        if (colour < 0) colour = -colour;
        layer.colour = colour >= 1 && colour <= 255 ? colour : 7;
    }
    return true;
}

bool ReadBlocks(Parser* p) {
    DxfModel* m = p->model;
    while (p->status == kDxfGroup && !AtZero(*p, "ENDSEC")) {
        if (!AtZero(*p, "BLOCK")) {
            if (p->group.code == 0) SkipRecord(p);
            else Next(p);
            continue;
        }
        DxfBlock block;
        block.base[0] = block.base[1] = block.base[2] = 0;
        bool bad = false;
        while (Next(p) && p->group.code != 0) {
            int c = p->group.code;
            double v;
            if (c == 2 || (c == 3 && block.name.empty())) {
                block.name = GroupName(p->group);
            } else if (c == 10 || c == 20 || c == 30) {
                if (GroupNumber(p->group, &v) && Bounded(v)) block.base[(c - 10) / 10] = v;
                else bad = true;
            }
        }
        while (p->status == kDxfGroup && !AtZero(*p, "ENDBLK") && !AtZero(*p, "ENDSEC") &&
               !AtZero(*p, "BLOCK")) {
            if (!ReadEntity(p, &block.entities, false)) return false;
        }
        if (AtZero(*p, "ENDBLK")) SkipRecord(p);
        if (bad || block.name.empty()) continue;
        std::string key = UpperName(block.name);
        if (p->blockIndex.count(key)) continue;  // the first definition of a name holds
        if (m->blocks.size() >= kDxfMaxBlocks) {
            p->refusal = "too many blocks";
            return false;
        }
        p->blockIndex[key] = static_cast<int>(m->blocks.size());
        m->blocks.push_back(std::move(block));
    }
    return true;
}

bool ReadEntities(Parser* p) {
    while (p->status == kDxfGroup && !AtZero(*p, "ENDSEC")) {
        if (p->group.code != 0) {
            Next(p);
            continue;
        }
        if (!ReadEntity(p, &p->model->entities, true)) return false;
    }
    return true;
}

bool ReadSection(Parser* p) {
    if (!Next(p) || p->group.code != 2) {
        p->refusal = "section without a name";
        return false;
    }
    std::string name = GroupName(p->group);
    Next(p);
    bool ok;
    if (name == "HEADER") ok = ReadHeader(p);
    else if (name == "TABLES") ok = ReadTables(p);
    else if (name == "BLOCKS") ok = ReadBlocks(p);
    else if (name == "ENTITIES") ok = ReadEntities(p);
    else {
        while (p->status == kDxfGroup && !AtZero(*p, "ENDSEC")) Next(p);
        ok = true;
    }
    if (!ok) return false;
    if (p->status == kDxfBad) {
        p->refusal = "malformed group";
        return false;
    }
    if (p->status == kDxfEnd) {
        p->refusal = "file ends inside a section";
        return false;
    }
    return true;
}

void Say(char* why, size_t size, const char* text, const DxfReader& r) {
    if (!why || size == 0) return;
    if (r.binary) snprintf(why, size, "%s (byte %lu)", text, static_cast<unsigned long>(r.pos));
    else snprintf(why, size, "%s (line %ld)", text, r.line - 1);
}

}  // namespace

std::string UpperName(const std::string& name) {
    std::string upper(name);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

bool ParseDxf(const uint8_t* data, size_t size, DxfModel* model, char* why, size_t whySize) {
    *model = DxfModel();
    if (why && whySize) why[0] = '\0';
    Parser p;
    OpenDxfReader(&p.reader, data, size);
    p.model = model;
    p.entities = p.vertices = 0;
    p.refusal = nullptr;
    // Layer "0" is number 0: members of blocks on it show wherever their reference does.
    LayerOf(&p, "0");
    Next(&p);
    while (p.status == kDxfGroup && p.group.code == 999) Next(&p);
    if (!AtZero(p, "SECTION")) {
        Say(why, whySize, "not a DXF file", p.reader);
        return false;
    }
    while (p.status == kDxfGroup) {
        if (AtZero(p, "EOF")) return true;  // whatever follows EOF is not read
        if (AtZero(p, "SECTION")) {
            if (!ReadSection(&p)) break;
        }
        // Anything else between sections (comments; stray header variables
        // that some writers leave after an ENDSEC) is read past.
        Next(&p);
    }
    if (!p.refusal && p.status == kDxfEnd) return true;  // no EOF after the last ENDSEC
    Say(why, whySize, p.refusal ? p.refusal : "malformed group", p.reader);
    return false;
}
