// DXF import of the stand-in host, in three steps kept apart so each can be
// tested alone: the group reader (ASCII or binary group code / value pairs),
// the section parser (a faithful model of the entities that matter), and the
// conversion of that model into this host's entity records. ReadDxfFile
// (standin/dxf/dxffile.cpp) runs them and appends the records to a new list.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "standin/drawing/drawing.h"

// ---- Bounds on untrusted input ----
enum : uint32_t {
    kDxfMaxFileSize = 64u * 1024 * 1024,
    kDxfMaxValue = 2048,        // bytes of one value kept; the rest of a long line is skipped
    kDxfMaxText = 4096,         // bytes of one entity's text (MTEXT collects several groups)
    kDxfMaxVertices = 65536,    // per polyline or spline, as read
    kDxfMaxPoints = 65536,      // per host polyline, after curves are approximated
    kDxfMaxEntities = 400000,   // in the whole file
    kDxfMaxTotalVertices = 2000000,
    kDxfMaxLayers = 4096,
    kDxfMaxBlocks = 16384,
    kDxfMaxDefinitions = 4096,  // symbol definitions made; LinkSymbolReferences links that many
    kDxfMaxArray = 256,         // MINSERT copies of one INSERT
};

// ---- Group reader (standin/dxf/dxfgroups.cpp) ----

struct DxfGroup {
    int code;
    char text[kDxfMaxValue + 1];  // the value as text (strings; numbers of ASCII files)
    int length;
    bool binaryNumber;            // binary files: number holds the value, text is empty
    double number;
};

struct DxfReader {
    const uint8_t* data;
    size_t size;
    size_t pos;
    bool binary;
    bool twoByteCodes;   // binary R13 and later
    long line;           // ASCII: line number of the next code line (1-based)
    char lineEnd;        // ASCII: '\n', or '\r' for a file with CR line ends only
};

enum DxfStatus { kDxfGroup, kDxfEnd, kDxfBad };

// Recognises the binary sentinel; every other input is read as ASCII.
void OpenDxfReader(DxfReader* reader, const uint8_t* data, size_t size);
// The next group; kDxfEnd at the end of the data (only between groups),
// kDxfBad for a code that is not a number, a cut-off value or binary data
// that cannot be typed.
DxfStatus NextDxfGroup(DxfReader* reader, DxfGroup* group);
// The value as a finite number; false for text that is not one, NaN or inf.
bool GroupNumber(const DxfGroup& group, double* value);
bool GroupInt(const DxfGroup& group, int* value);
// The text with leading blanks removed.
const char* GroupName(const DxfGroup& group);

// ---- Model (standin/dxf/dxfparse.cpp) ----

enum { kDxfUtf8 = 65001 };  // the code page number of UTF-8 (CP_UTF8)

enum DxfKind : uint8_t {
    kDxfLine, kDxfArc, kDxfCircle, kDxfEllipse, kDxfPolyline, kDxfSpline,
    kDxfText, kDxfMText, kDxfPoint, kDxfSolid, kDxfFace, kDxfInsert,
    kDxfDimension, kDxfLeader, kDxfMLeader, kDxfHatch,
};

// DIMENSION types (70, bits 0..2), and ARC_DIMENSION of our own number.
enum DxfDimensionType {
    kDimRotated, kDimAligned, kDimAngular, kDimDiameter, kDimRadius, kDimAngular3, kDimOrdinate,
    kDimArcLength = 8,
};

struct DxfVertex { double x, y, z, bulge; };

// A HATCH pattern line, in the hatch's OCS, already turned and scaled by the
// hatch's own pattern angle and scale.
struct DxfHatchLine {
    double angle;          // 53, degrees
    double base[2];        // 43, 44
    double offset[2];      // 45, 46: from one line of the family to the next
    std::vector<double> dashes;   // 49; left empty (a solid line) when there are too many
};

struct DxfEntity {
    DxfKind kind;
    int layer;              // index into DxfModel::layers
    int colour;             // ACI 1..255; 0 by block; 256 by layer
    double p[7][3];         // 10 .. 16 (x, y, z)
    int given;              // bit k: point 1k was in the file
    double extrusion[3];    // 210, 220, 230
    double radius;          // 40 (CIRCLE, ARC); height of TEXT, MTEXT and MULTILEADER text; ratio of ELLIPSE
    double start, end;      // ARC degrees 50/51; ELLIPSE parameters 41/42
    double angle;           // rotation: TEXT, INSERT and DIMENSION in degrees, MTEXT in radians (as DXF has them)
    double scaleX, scaleY;  // INSERT 41/42
    double measured;        // DIMENSION 42; NaN when absent
    double textAngle;       // DIMENSION 53, degrees; NaN when absent
    double arrow;           // MULTILEADER arrow size; 0 when absent
    int flags;              // POLYLINE/LWPOLYLINE/SPLINE 70; TEXT 72; MTEXT attachment 71; DIMENSION 70; LEADER 71
    int degree;             // SPLINE 71
    int columns, rows;      // INSERT 70/71
    double columnStep, rowStep;  // INSERT 44/45
    bool hasDirection;      // MTEXT 11/21 given
    std::vector<DxfVertex> vertices;  // polyline vertices, spline control points, leader vertices
    std::vector<DxfVertex> fitPoints; // SPLINE 11
    std::vector<double> knots, weights;
    std::vector<std::vector<int>> faces;  // POLYLINE polyface: 1-based vertex indices
    std::vector<int> runs;  // MULTILEADER: vertex counts of its leader lines, in order
    std::vector<std::vector<DxfVertex>> loops;   // HATCH boundary loops as points, OCS
    std::vector<DxfHatchLine> pattern;           // HATCH pattern lines (none for a solid fill)
    int fillColour;         // HATCH: a gradient's first colour (63 after 450 1); 0 none
    bool namedSolid;        // HATCH: its pattern is named SOLID (2)
    int verticalAlign;      // TEXT 73 (ATTRIB 74): 0 baseline, 1 bottom, 2 middle, 3 top
    double wrapWidth;       // MTEXT 41: the reference width lines wrap at; 0 none
    double lineSpacing;     // MTEXT 44: the line spacing factor; 1 by default
    std::string text;       // TEXT 1; MTEXT 3..., 1; DIMENSION 1; MULTILEADER 304
    std::string name;       // INSERT and DIMENSION block name
    std::string style;      // DIMENSION and LEADER dimension style name
};

struct DxfLayer {
    std::string name;
    int colour;     // ACI, positive
    bool hidden;    // off (negative colour) or frozen (flag 1)
};

struct DxfBlock {
    std::string name;
    double base[3];
    std::vector<DxfEntity> entities;
};

// Sizes of a dimension style; NaN (or -1) where it does not set them.
struct DxfDimStyle {
    std::string name;
    double scale;       // DIMSCALE (40); 0 means 1 here
    double arrow;       // DIMASZ (41)
    double textHeight;  // DIMTXT (140)
    int decimals;       // DIMDEC (271)
    int zeros;          // DIMZIN (78): bit 3 drops trailing zeros
    int horizontal;     // DIMTIH (73): 1 keeps texts between the extension lines level
};

struct DxfModel {
    // Of the texts: CP_UTF8 for AC1021 (2007) and later, else $DWGCODEPAGE
    // (1252 when the file has none or names a page this system lacks).
    int codePage = 1252;
    std::vector<DxfLayer> layers;
    DxfDimStyle dimDefaults = {"", 1, 0.18, 0.18, 4, 0, 1};  // the header's $DIMSCALE ...
    std::vector<DxfDimStyle> dimStyles;
    std::unordered_map<std::string, int> dimStyleIndex;   // upper-case name → style
    std::vector<DxfBlock> blocks;
    std::vector<DxfEntity> entities;
};

// ---- HATCH (standin/dxf/dxfhatch.cpp) ----

// The groups of a HATCH mean different things in its parts (the entity,
// each boundary loop and edge, the pattern), which follow one another.
struct DxfHatchEdge {
    int type;                   // 72: 1 line, 2 arc, 3 elliptic arc, 4 spline
    double x[4];                // 10, 20, 11, 21
    double radius, start, end;  // 40 (elliptic: minor/major ratio), 50, 51
    bool ccw;                   // 73
    int degree;                 // 94
    std::vector<DxfVertex> control, fit;
    std::vector<double> knots, weights;
};
struct DxfHatchReader {
    int phase;                  // 0 the entity, 1 the loops, 2 the pattern
    bool polylineLoop;          // 92 bit 1: the loop is a polyline of vertices with bulges
    bool inLoop;
    std::vector<DxfVertex> vertices;   // the polyline loop's, or the points of the edges so far
    DxfHatchEdge edge;
    long patternLines;          // 53 groups seen; those beyond kMaxHatchLines are read past
    bool gradient;              // 450 1: a gradient fill, whose colours follow as 63
    int style;                  // 75: 0 odd parity, 1 outermost area only, 2 ignore islands
    long* totalVertices;        // the file's vertex count, bounded by kDxfMaxTotalVertices
};
enum DxfHatchGroup { kHatchTaken, kHatchCommon, kHatchRefused };
void BeginHatch(DxfHatchReader* r, long* totalVertices);
// One group of a HATCH: taken, left to the common entity groups (layer,
// colour, solid flag ...), or the file refused (too many vertices).
DxfHatchGroup HatchGroup(DxfHatchReader* r, DxfEntity* e, const DxfGroup& g);
// Ends the last loop; the entity is kept when a loop has an area.
bool EndHatch(DxfHatchReader* r, DxfEntity* e);

// DXF names (layers, blocks, styles) ignore case: they are compared upper-cased.
std::string UpperName(const std::string& name);
// Parses a whole DXF file. False (with a reason for the log and tests) when
// the file is refused; a bad entity is dropped without spoiling the rest.
bool ParseDxf(const uint8_t* data, size_t size, DxfModel* model, char* why, size_t whySize);

// ---- Conversion to host records (standin/dxf/dxfconvert.cpp, dxfshapes.cpp) ----

// Host records, back to back, each starting with its EntityHead.
typedef std::vector<uint8_t> RecordBuffer;

// ACI colour number → host colour number (0 black .. 15 white).
int HostColourOf(int aci);
// Text for the host: formatting codes removed, characters decoded from the
// drawing's code page (or UTF-8) into the host's 1252, '?' for what it
// cannot hold; MTEXT lines split at paragraph breaks.
std::string CleanText(const std::string& text, bool mtext, int codePage);
// DXF text heights are the height of capital letters; the host's is the
// font's em, of which Arial's capitals take this part.
const double kDxfCapHeight = 0.716;
// The width that the host shows a line of text at, for a DXF (capital) height.
double ShownTextWidth(const std::string& text, double height);
// The code page a $DWGCODEPAGE value names ("ANSI_1250", "DOS850", ...), or 0.
int CodePageNamed(const char* name);

// Points of a polyline with bulges (arc segments become several points).
void ExpandBulges(const std::vector<DxfVertex>& vertices, bool closed, std::vector<DxfVertex>* out);
void EllipsePoints(const DxfEntity& e, std::vector<DxfVertex>* out);
// Counter-clockwise sweep from start to end, radians, in (0, 2 pi]; within a
// few float ulps of a whole turn (or of none) it is exactly 2 pi.
double TurnSweep(double start, double end);
void SplinePoints(const DxfEntity& e, std::vector<DxfVertex>* out);
// The lines, arcs, arrow heads and texts that show a DIMENSION (one drawn
// from its definition points), LEADER or MULTILEADER, as plain entities.
void ExplodeAnnotation(const DxfModel& model, const DxfEntity& e, std::vector<DxfEntity>* parts);

// What the host list is built from: layer records, symbol definitions with
// their members (definitions used by others come first), the drawing.
struct DxfDefinition {
    SymbolDefRecord record;
    RecordBuffer members;
};
struct DxfPlan {
    std::vector<LayerRecord> layers;
    std::vector<DxfDefinition> definitions;
    RecordBuffer entities;
};
// False when the result would be too large for the host (a reason in why).
bool PlanDxf(const DxfModel& model, DxfPlan* plan, char* why, size_t whySize);
// Bounding box of the records in a buffer; false when none has an extent.
// With `hidden` (per layer number), records on hidden layers other than
// layer 0 (which shows wherever its reference does) are left out.
bool RecordsBox(const RecordBuffer& records, float min[3], float max[3],
                const std::vector<bool>* hidden = nullptr);
// Visits the records of a buffer; the callback gets each record's head.
template <typename F>
void ForEachRecord(const RecordBuffer& records, F visit) {
    for (size_t at = 0; at + sizeof(EntityHead) <= records.size();) {
        const EntityHead* head = reinterpret_cast<const EntityHead*>(records.data() + at);
        if (head->length < sizeof(EntityHead) || head->length > records.size() - at) return;
        visit(head);
        at += head->length;
    }
}
