// The host's drawing model: entity records as modules read them, the header
// block and layer table, and the stand-in's internal list operations.
//
// Every entity record starts with the same 28 bytes: u32 record length,
// u8 type, then the common attributes that GetCStuff fills (offsets 5 to 27,
// the i16 layer number at 12 among them). The type's own fields follow.
// Records are little-endian and packed; points are three 32-bit floats.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "host/hostapi.h"

// Entity types of this host.
enum EntityType : uint8_t {
    kLine = 1,
    kArc = 2,
    kCircle = 3,
    kCustom = 4,         // a module's entity; its class at offset 28 names the module
    kPolyline = 5,
    kText = 6,
    kPoint = 7,
    kSolid = 8,          // filled triangle or quadrilateral
    kHatch = 9,          // area of boundary loops: filled, or hatched by line families
    kFrame = 18,         // drawing frame: drawn on every layer
    kSymbolDef = 28,     // symbol definition; members in its sub-list
    kSymbolRef = 29,     // symbol reference
    kViewMark = 30,      // a saved view window; not geometry
    kGroup = 41,         // group; members in its sub-list
    kNote = 129,         // note: heading and body text
};

#pragma pack(push, 1)
struct Point3 {
    float x, y, z;
};

struct EntityHead {
    uint32_t length;     // 0: whole record, bytes
    uint8_t type;        // 4
    uint8_t colour;      // 5: host colour number
    uint8_t lineStyle;   // 6: 0 solid, 1 dashed, 2 dotted
    uint8_t lineWidth;   // 7: pixels, 0 = 1
    uint32_t flags;      // 8: reserved for the host
    int16_t layer;       // 12
    uint16_t group;      // 14
    uint8_t spare[12];   // 16..27
};

struct LineRecord { EntityHead head; Point3 from, to; };
// Counter-clockwise from start to end, angles in radians.
struct ArcRecord { EntityHead head; Point3 centre; float radius, start, end; };
struct CircleRecord { EntityHead head; Point3 centre; float radius; };
// count points follow at offset 36; bit 0 of flags: closed.
struct PolylineRecord { EntityHead head; uint32_t flags; uint32_t count; };
// NUL-terminated text follows at offset 48; height in drawing units, angle in radians.
struct TextRecord { EntityHead head; Point3 at; float height, angle; };
struct PointRecord { EntityHead head; Point3 at; };
struct SolidRecord { EntityHead head; Point3 corner[4]; };
struct FrameRecord { EntityHead head; Point3 min, max; };
enum : uint32_t { kMaxHatchLoops = 4096, kMaxHatchLines = 64, kMaxHatchDashes = 12, kMaxHatchPoints = 65536 };
// An area bounded by loops, inside by the even-odd rule (islands are holes).
// After the fixed part: lineCount HatchLines, loopCount u32 point counts
// (their sum is pointCount), then pointCount points. Bit 0 of flags: solid
// fill; otherwise the area is drawn with its line families.
struct HatchRecord { EntityHead head; uint32_t flags; uint32_t loopCount, lineCount, pointCount; };
// One family of parallel lines: base + t dir + k offset for every whole k;
// along each, dashes in units of t (positive drawn, negative gaps, 0 dots),
// repeated; no dashes is a solid line.
struct HatchLine {
    float baseX, baseY, dirX, dirY, offsetX, offsetY;
    uint32_t dashCount;
    float dashes[kMaxHatchDashes];
};
struct SymbolDefRecord { EntityHead head; Point3 min, max; char name[32]; };
// The pointer at 84 designates the definition record (in the same drawing);
// files store the definition's name instead and loading links it again.
struct SymbolPlacement { Point3 at; float scaleX, scaleY, angle; };
struct SymbolRefRecord {
    EntityHead head;
    Point3 min, max;           // 28, 40: overwritten by extents scans
    char name[32];             // 52: the definition's name
    HostEntity* definition;    // 84
    SymbolPlacement placement; // 88
};
struct ViewMarkRecord { EntityHead head; Point3 min, max; char name[32]; };
// Bit 1 of flags: the members count for the extents.
struct GroupRecord { EntityHead head; uint32_t flags; char name[32]; };
// Heading: NUL-terminated at 30, 32 bytes; body: NUL-terminated text from 62,
// lines separated by carriage returns.
struct NoteRecord { EntityHead head; uint16_t spare; char heading[32]; };

// Info block 0.
struct HeaderBlock {
    uint32_t size;             // 0: 64
    uint32_t version;          // 4
    uint8_t spare8[6];         // 8
    uint16_t flags;            // 14: bit 1 = stored extents out of date
    uint8_t spare16[12];       // 16
    int16_t background;        // 28: host colour number
    int16_t spare30;           // 30
    Point3 min, max;           // 32, 44: stored extents
    uint8_t extentsValid;      // 56: 1 = stored extents are valid
    uint8_t spare57[7];
};

// Info block 3: a 16-byte head, layer records back to back, a record of
// length 0 at the end. `size` is the whole block in bytes (head, records and
// the 4-byte end record): readers never step past it.
struct LayerTableHead { uint32_t size; uint32_t count; uint8_t spare[8]; };
struct LayerRecord {
    uint32_t length;           // distance to the next record
    int16_t number;
    int16_t flags;             // bit 0: hidden
    char name[32];
};
#pragma pack(pop)

static_assert(sizeof(EntityHead) == 28, "common part ends at 28");
static_assert(offsetof(EntityHead, layer) == 12, "");
static_assert(sizeof(LineRecord) == 52, "");
static_assert(sizeof(ArcRecord) == 52, "");
static_assert(sizeof(CircleRecord) == 44, "");
static_assert(sizeof(PolylineRecord) == 36, "");
static_assert(sizeof(TextRecord) == 48, "");
static_assert(sizeof(SolidRecord) == 76, "");
static_assert(sizeof(HatchRecord) == 44, "hatch lines follow at 44");
static_assert(sizeof(HatchLine) == 76 && offsetof(HatchLine, dashes) == 28, "");
static_assert(offsetof(SymbolDefRecord, min) == 28 && offsetof(SymbolDefRecord, max) == 40, "");
static_assert(offsetof(SymbolRefRecord, definition) == 84, "");
static_assert(offsetof(SymbolRefRecord, placement) == 88, "");
static_assert(sizeof(SymbolRefRecord) == 112, "");
static_assert(offsetof(GroupRecord, flags) == 28, "");
static_assert(offsetof(NoteRecord, heading) == 30, "");
static_assert(sizeof(NoteRecord) == 62, "body starts at 62");
static_assert(sizeof(HeaderBlock) == 64, "");
static_assert(offsetof(HeaderBlock, flags) == 14, "");
static_assert(offsetof(HeaderBlock, background) == 28, "");
static_assert(offsetof(HeaderBlock, min) == 32 && offsetof(HeaderBlock, max) == 44, "");
static_assert(offsetof(HeaderBlock, extentsValid) == 56, "");
static_assert(sizeof(LayerTableHead) == 16, "");
static_assert(sizeof(LayerRecord) == 40, "");

enum { kMaxRecordLength = 16 * 1024 * 1024, kMaxNesting = 16 };

// True when `length` bytes at `record` form an entity record that every
// reader may trust: the length word equals `length`, within 28 and
// kMaxRecordLength, and a known type holds its fixed fields, its points and
// its terminated texts inside the record. Custom (type 4) and unknown types
// are only held to the length rules. Every list and file reader checks with it.
bool IsWellFormedRecord(const void* record, uint32_t length);

// ---- Lists (standin/drawing/drawlist.cpp) ----

// A new empty list with a default header and no layer table.
HDL NewList(const char* name);
// Appends a copy of a record of `length` bytes; returns its address or null.
HostEntity* AppendRecord(HDL list, const void* record, uint32_t length);
// The same for a record of `length` bytes that `fill` writes into place;
// null when fill fails or the record is not well formed.
HostEntity* AppendRecordFilled(HDL list, uint32_t length, bool (*fill)(void* context, unsigned char* out, uint32_t size),
                               void* context);
// Lets `count` more entity nodes be made, then refuses them as a host out of
// memory would; -1 lifts the limit (for tests).
void LimitNodeAllocations(int count);
// The entity's member list, made when it has none (the entity may move:
// *entity is updated).
HDL MembersOf(HostEntity** entity);
// Replaces the layer table with `count` records (copied).
void SetLayers(HDL list, const LayerRecord* layers, int count);
// The entity's member list, or null when it has none (never makes one).
HDL MemberListOf(const HostEntity* entity);
// True when `entity` is a live entity of some list (validates a pointer).
bool IsEntity(const HostEntity* entity);
// True when the drawing that `list` belongs to (a member list's, its
// owner's) has layer `layer` hidden.
bool LayerHidden(HDL list, int16_t layer);
// Number of entities directly in the list.
int EntityCount(HDL list);
// The first entity of the list, and the next one after an entity.
HostEntity* FirstEntity(HDL list);
HostEntity* NextEntity(const HostEntity* entity);
HeaderBlock* HeaderOf(HDL list);
// Links every symbol reference of the list (and of its members) to the
// definition of the same name; references without one are unlinked (null).
void LinkSymbolReferences(HDL list);

// ---- Files (standin/drawing/drawfile.cpp, standin/dxf/dxffile.cpp) ----

// The native format; null when the file cannot be read or is invalid.
HDL ReadDrawingFile(const char* path);
// The same for a file's bytes already in memory; `name` names the list.
HDL ReadDrawingBytes(const void* data, size_t size, const char* name);
// Writes through a bounded buffer to a temporary in the target's folder
// (module/savetemporaries.h), then replaces the target.
bool WriteDrawingFile(HDL list, const char* path);
// Writes a file that nothing else uses yet straight, without a temporary
// or a flush (the sample maker's thousands of new files).
bool WriteNewDrawingFile(HDL list, const char* path);
// ASCII or binary DXF; null when refused.
HDL ReadDxfFile(const char* path);

// ---- Samples (standin/samples/samples.cpp) ----
bool MakeSampleFolder(const char* folder, int count, unsigned variant);

// ---- Views and drawing (standin/device/device.cpp) ----

// Paints the work drawing into the main window's view.
void PaintDrawingView(HWND view, HDC dc);
