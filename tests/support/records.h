// Builders of host drawing records for tests: small hand-made drawings.
#pragma once

#include <string.h>

#include <string>
#include <vector>

#include "standin/drawing/drawing.h"

namespace testrec {

// A file time from one 64-bit number of 100-ns ticks.
inline FILETIME Time(uint64_t value) {
    FILETIME t;
    t.dwLowDateTime = static_cast<DWORD>(value);
    t.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return t;
}

inline EntityHead Head(uint8_t type, uint32_t length, int16_t layer = 0, uint8_t colour = 0) {
    EntityHead head = {};
    head.length = length;
    head.type = type;
    head.colour = colour;
    head.layer = layer;
    return head;
}

inline HostEntity* AddLine(HDL list, float x0, float y0, float x1, float y1, int16_t layer = 0,
                           uint8_t colour = 0) {
    LineRecord line = {Head(kLine, sizeof(LineRecord), layer, colour), {x0, y0, 0}, {x1, y1, 0}};
    return AppendRecord(list, &line, sizeof line);
}

inline HostEntity* AddFrame(HDL list, float x0, float y0, float x1, float y1, int16_t layer = 0) {
    FrameRecord frame = {Head(kFrame, sizeof(FrameRecord), layer), {x0, y0, 0}, {x1, y1, 0}};
    return AppendRecord(list, &frame, sizeof frame);
}

// A record of the given type with no fields of its own beyond `extra` bytes.
inline HostEntity* AddPlain(HDL list, uint8_t type, int16_t layer, uint32_t extra = 0) {
    std::vector<unsigned char> bytes(sizeof(EntityHead) + extra);
    EntityHead head = Head(type, static_cast<uint32_t>(bytes.size()), layer);
    memcpy(bytes.data(), &head, sizeof head);
    return AppendRecord(list, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

inline HostEntity* AddNote(HDL list, const char* heading, const std::string& body, int16_t layer = 0) {
    std::vector<unsigned char> bytes(sizeof(NoteRecord) + body.size() + 1);
    NoteRecord note = {};
    note.head = Head(kNote, static_cast<uint32_t>(bytes.size()), layer);
    strncpy(note.heading, heading, sizeof note.heading - 1);
    memcpy(bytes.data(), &note, sizeof note);
    memcpy(bytes.data() + sizeof note, body.c_str(), body.size() + 1);
    return AppendRecord(list, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

inline HostEntity* AddGroup(HDL list, uint32_t flags, int16_t layer = 0) {
    GroupRecord group = {Head(kGroup, sizeof(GroupRecord), layer), flags, "group"};
    return AppendRecord(list, &group, sizeof group);
}

inline HostEntity* AddSymbolDef(HDL list, const char* name, Point3 min, Point3 max, int16_t layer = 0) {
    SymbolDefRecord def = {Head(kSymbolDef, sizeof(SymbolDefRecord), layer), min, max, {}};
    strncpy(def.name, name, sizeof def.name - 1);
    return AppendRecord(list, &def, sizeof def);
}

inline HostEntity* AddSymbolRef(HDL list, const char* name, SymbolPlacement placement, int16_t layer = 0) {
    SymbolRefRecord ref = {};
    ref.head = Head(kSymbolRef, sizeof(SymbolRefRecord), layer);
    strncpy(ref.name, name, sizeof ref.name - 1);
    ref.placement = placement;
    return AppendRecord(list, &ref, sizeof ref);
}

inline LayerRecord Layer(int16_t number, bool hidden) {
    LayerRecord layer = {};
    layer.length = sizeof(LayerRecord);
    layer.number = number;
    layer.flags = hidden ? 1 : 0;
    return layer;
}

}  // namespace testrec
