// The host's LIST and OPEN commands: what the current drawing holds, with a
// module's own entities described by that module's entity entry.
#include "standin/standin.h"

#include <stdio.h>

#include "standin/drawing/drawing.h"

namespace {

// Host messages to a module's entity entry.
enum { kMessageName = 8, kMessageInfo = 9, kSelectorTypeName = 1 };

const char* TypeName(uint8_t type) {
    switch (type) {
        case kLine: return "LINE";
        case kArc: return "ARC";
        case kCircle: return "CIRCLE";
        case kPolyline: return "POLYLINE";
        case kText: return "TEXT";
        case kPoint: return "POINT";
        case kSolid: return "SOLID";
        case kHatch: return "HATCH";
        case kFrame: return "FRAME";
        case kSymbolDef: return "SYMBOL DEFINITION";
        case kSymbolRef: return "SYMBOL";
        case kViewMark: return "VIEW";
        case kGroup: return "GROUP";
        case kNote: return "NOTE";
        default: return "ENTITY";
    }
}

// A module's entity: its class (u16 at 28) names the module that serves it.
void ListCustom(int index, HostEntity* entity) {
    uint16_t entityClass = 0;
    uint32_t length;
    memcpy(&length, entity, sizeof length);
    if (length >= 30) memcpy(&entityClass, entity + 28, sizeof entityClass);
    EntityProc proc = FindEntityProc(entityClass);
    const char* name = nullptr;
    if (!proc || proc(kMessageName, entity, kSelectorTypeName, &name) != kEntityHandled || !name) {
        RecordF("list", "%d custom entity of class 0x%X", index, entityClass);
        return;
    }
    RecordF("list", "%d %.64s", index, name);
    proc(kMessageInfo, entity, 0, nullptr);
}

}  // namespace

void ListWorkDrawing() {
    HDL drawing = DLGetWorkDL();
    int index = 0;
    for (HostEntity* entity = FirstEntity(drawing); entity; entity = NextEntity(entity)) {
        ++index;
        uint8_t type = entity[4];
        if (type == kCustom) {
            ListCustom(index, entity);
            continue;
        }
        int16_t layer;
        memcpy(&layer, entity + 12, sizeof layer);
        RecordF("list", "%d %s layer %d", index, TypeName(type), layer);
    }
    RecordF("list", "%d entities", index);
}

void OpenDrawing(const char* path) {
    int status = 1;
    HDL drawing = DLLoad(path, 0, &status);
    if (status != 0 || !drawing) {
        SetStatusLine("Cannot open that drawing.");
        RecordF("open-failed", "%s", path);
        return;
    }
    SetWorkDrawing(drawing);
    RecordF("drawing", "opened %s", path);
}
