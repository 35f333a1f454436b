// Shared by the sample-drawing maker's files: the pen entities are made
// with, and one maker per entity type.
#pragma once

#include "standin/drawing/drawing.h"

struct SampleSheet {
    HDL list;            // where entities go: a drawing or a member list
    uint8_t colour;
    uint8_t lineStyle;
    int16_t layer;
};

void AddLine(const SampleSheet& sheet, float x0, float y0, float x1, float y1);
// Angles in radians, counter-clockwise from start to end.
void AddArc(const SampleSheet& sheet, float x, float y, float radius, float start, float end);
void AddCircle(const SampleSheet& sheet, float x, float y, float radius);
// xy: count points as x, y pairs.
void AddPolyline(const SampleSheet& sheet, const float* xy, int count, bool closed);
void AddRectangle(const SampleSheet& sheet, float x0, float y0, float x1, float y1);
void AddText(const SampleSheet& sheet, float x, float y, float height, float angle, const char* text);
void AddPoint(const SampleSheet& sheet, float x, float y);
void AddSolid(const SampleSheet& sheet, float x0, float y0, float x1, float y1);
void AddFrame(const SampleSheet& sheet, float x0, float y0, float x1, float y1);
void AddViewMark(const SampleSheet& sheet, const char* name, float x0, float y0, float x1, float y1);
// Body lines separated by "\r\n" (or a single line, or none).
void AddNote(const SampleSheet& sheet, const char* heading, const char* body);
// These return the new entity's member list, for its members.
HDL AddGroup(const SampleSheet& sheet, const char* name, bool countsForExtents);
HDL AddSymbolDef(const SampleSheet& sheet, const char* name, float x0, float y0, float x1, float y1);
void AddSymbolRef(const SampleSheet& sheet, const char* name, const SymbolPlacement& placement,
                  float halfSize);
