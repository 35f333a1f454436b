// Entity makers for the sample drawings: each builds one record with the
// pen of the sheet and appends it.
#include "standin/samples/samples.h"

#include <math.h>
#include <string.h>

static void Head(const SampleSheet& sheet, EntityHead* head, uint8_t type, uint32_t length) {
    memset(head, 0, sizeof *head);
    GetCStuff(head);
    head->length = length;
    head->type = type;
    head->colour = sheet.colour;
    head->lineStyle = sheet.lineStyle;
    head->layer = sheet.layer;
}

static HostEntity* Put(const SampleSheet& sheet, const void* record, uint32_t length) {
    return AppendRecord(sheet.list, record, length);
}

static void CopyName(char* to, size_t size, const char* name) {
    strncpy(to, name, size - 1);
    to[size - 1] = '\0';
}

void AddLine(const SampleSheet& sheet, float x0, float y0, float x1, float y1) {
    LineRecord line;
    Head(sheet, &line.head, kLine, sizeof line);
    line.from = {x0, y0, 0};
    line.to = {x1, y1, 0};
    Put(sheet, &line, sizeof line);
}

void AddArc(const SampleSheet& sheet, float x, float y, float radius, float start, float end) {
    ArcRecord arc;
    Head(sheet, &arc.head, kArc, sizeof arc);
    arc.centre = {x, y, 0};
    arc.radius = radius;
    arc.start = start;
    arc.end = end;
    Put(sheet, &arc, sizeof arc);
}

void AddCircle(const SampleSheet& sheet, float x, float y, float radius) {
    CircleRecord circle;
    Head(sheet, &circle.head, kCircle, sizeof circle);
    circle.centre = {x, y, 0};
    circle.radius = radius;
    Put(sheet, &circle, sizeof circle);
}

void AddPolyline(const SampleSheet& sheet, const float* xy, int count, bool closed) {
    enum { kMaxPoints = 256 };
    if (count < 0 || count > kMaxPoints) return;
    unsigned char record[sizeof(PolylineRecord) + kMaxPoints * sizeof(Point3)];
    PolylineRecord head;
    uint32_t length = sizeof head + count * sizeof(Point3);
    Head(sheet, &head.head, kPolyline, length);
    head.flags = closed ? 1 : 0;
    head.count = count;
    memcpy(record, &head, sizeof head);
    for (int i = 0; i < count; ++i) {
        Point3 point = {xy[2 * i], xy[2 * i + 1], 0};
        memcpy(record + sizeof head + i * sizeof point, &point, sizeof point);
    }
    Put(sheet, record, length);
}

void AddRectangle(const SampleSheet& sheet, float x0, float y0, float x1, float y1) {
    const float xy[] = {x0, y0, x1, y0, x1, y1, x0, y1};
    AddPolyline(sheet, xy, 4, true);
}

void AddText(const SampleSheet& sheet, float x, float y, float height, float angle, const char* text) {
    enum { kMaxText = 200 };
    unsigned char record[sizeof(TextRecord) + kMaxText + 1];
    size_t size = strnlen(text, kMaxText);
    TextRecord head;
    uint32_t length = static_cast<uint32_t>(sizeof head + size + 1);
    Head(sheet, &head.head, kText, length);
    head.at = {x, y, 0};
    head.height = height;
    head.angle = angle;
    memcpy(record, &head, sizeof head);
    memcpy(record + sizeof head, text, size);
    record[sizeof head + size] = '\0';
    Put(sheet, record, length);
}

void AddPoint(const SampleSheet& sheet, float x, float y) {
    PointRecord point;
    Head(sheet, &point.head, kPoint, sizeof point);
    point.at = {x, y, 0};
    Put(sheet, &point, sizeof point);
}

void AddSolid(const SampleSheet& sheet, float x0, float y0, float x1, float y1) {
    SolidRecord solid;
    Head(sheet, &solid.head, kSolid, sizeof solid);
    solid.corner[0] = {x0, y0, 0};
    solid.corner[1] = {x1, y0, 0};
    solid.corner[2] = {x1, y1, 0};
    solid.corner[3] = {x0, y1, 0};
    Put(sheet, &solid, sizeof solid);
}

void AddFrame(const SampleSheet& sheet, float x0, float y0, float x1, float y1) {
    FrameRecord frame;
    Head(sheet, &frame.head, kFrame, sizeof frame);
    frame.min = {x0, y0, 0};
    frame.max = {x1, y1, 0};
    Put(sheet, &frame, sizeof frame);
}

void AddViewMark(const SampleSheet& sheet, const char* name, float x0, float y0, float x1, float y1) {
    ViewMarkRecord mark;
    Head(sheet, &mark.head, kViewMark, sizeof mark);
    mark.min = {x0, y0, 0};
    mark.max = {x1, y1, 0};
    memset(mark.name, 0, sizeof mark.name);
    CopyName(mark.name, sizeof mark.name, name);
    Put(sheet, &mark, sizeof mark);
}

void AddNote(const SampleSheet& sheet, const char* heading, const char* body) {
    enum { kMaxBody = 600 };
    unsigned char record[sizeof(NoteRecord) + kMaxBody + 1];
    size_t size = strnlen(body, kMaxBody);
    NoteRecord head;
    uint32_t length = static_cast<uint32_t>(sizeof head + size + 1);
    Head(sheet, &head.head, kNote, length);
    head.spare = 0;
    memset(head.heading, 0, sizeof head.heading);
    CopyName(head.heading, sizeof head.heading, heading);
    memcpy(record, &head, sizeof head);
    memcpy(record + sizeof head, body, size);
    record[sizeof head + size] = '\0';
    Put(sheet, record, length);
}

HDL AddGroup(const SampleSheet& sheet, const char* name, bool countsForExtents) {
    GroupRecord group;
    Head(sheet, &group.head, kGroup, sizeof group);
    group.flags = countsForExtents ? 2 : 0;
    memset(group.name, 0, sizeof group.name);
    CopyName(group.name, sizeof group.name, name);
    HostEntity* entity = Put(sheet, &group, sizeof group);
    return entity ? MembersOf(&entity) : nullptr;
}

HDL AddSymbolDef(const SampleSheet& sheet, const char* name, float x0, float y0, float x1, float y1) {
    SymbolDefRecord def;
    Head(sheet, &def.head, kSymbolDef, sizeof def);
    def.min = {x0, y0, 0};
    def.max = {x1, y1, 0};
    memset(def.name, 0, sizeof def.name);
    CopyName(def.name, sizeof def.name, name);
    HostEntity* entity = Put(sheet, &def, sizeof def);
    return entity ? MembersOf(&entity) : nullptr;
}

// The box of the placed symbol is stored too: the host keeps it up to date
// for quick extents, and readers overwrite it.
void AddSymbolRef(const SampleSheet& sheet, const char* name, const SymbolPlacement& placement,
                  float halfSize) {
    SymbolRefRecord ref;
    Head(sheet, &ref.head, kSymbolRef, sizeof ref);
    float reach = halfSize * fmaxf(fabsf(placement.scaleX), fabsf(placement.scaleY)) * 1.5f;
    ref.min = {placement.at.x - reach, placement.at.y - reach, 0};
    ref.max = {placement.at.x + reach, placement.at.y + reach, 0};
    memset(ref.name, 0, sizeof ref.name);
    CopyName(ref.name, sizeof ref.name, name);
    ref.definition = nullptr;
    ref.placement = placement;
    Put(sheet, &ref, sizeof ref);
}
