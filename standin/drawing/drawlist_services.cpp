// The drawing-list services that the host exports to modules, and the work
// drawing shown in the main window. A module's wrong handle or malformed
// record is its own fault: it is refused and logged as an error of the run.
#include "standin/drawing/drawlist_internal.h"
#include "standin/standin.h"

#include <string.h>

static HDL g_workDrawing;   // set by SetWorkDrawing and DLGetWorkDL, read by the view
static int g_changed;       // the drawing-changed flag of MarkChanged

int* DrawingChangedFlag() { return &g_changed; }

static void SetStatus(int* status, int value) {
    if (status) *status = value;
}

static EntityNode* CheckedNode(const HostEntity* entity, const char* service) {
    EntityNode* node = NodeOf(entity);
    if (!node) RecordError("%s: %p is not an entity", service, static_cast<const void*>(entity));
    return node;
}

static bool CheckedList(HDL list, const char* service) {
    if (IsList(list)) return true;
    RecordError("%s: %p is not a drawing list", service, static_cast<void*>(list));
    return false;
}

void SetWorkDrawing(HDL list) {
    if (list == g_workDrawing) return;
    HDL old = g_workDrawing;
    g_workDrawing = list;
    DestroyList(old);
    ShowDrawingName(list ? list->name : nullptr);
    RedrawDrawingView();
}

extern "C" {

HDL DLGetWorkDL(void) {
    if (!g_workDrawing) g_workDrawing = NewList("NONAME");
    return g_workDrawing;
}

HDL DLCreate(const char* name, int flags, int* status) {
    HDL list = NewList(name);
    SetStatus(status, list ? 0 : 1);
    return list;
}

void DLEmpty(HDL list) {
    if (CheckedList(list, "DLEmpty")) EmptyList(list);
}

void DLDestroy(HDL list) {
    if (!CheckedList(list, "DLDestroy")) return;
    if (list == g_workDrawing) {
        RecordError("DLDestroy: the work drawing belongs to the host");
    } else if (list->ownerEntity) {
        RecordError("DLDestroy: a member list goes with its entity");
    } else {
        DestroyList(list);
    }
}

// The walk keeps its place in a cursor that deletions and moves of the list's
// entities keep up to date, so a callback may delete, move or re-make the
// entity it is looking at (or any other).
int DLScan(HDL list, DLScanProc callback, int flags, intptr_t a, intptr_t b) {
    if (!CheckedList(list, "DLScan")) return 0;
    if (!callback) {
        RecordError("DLScan: no callback");
        return 0;
    }
    if (flags & ~(kScanSubLists | kScanDrawing | kScanSelected)) {
        RecordError("DLScan: unknown walk flags %#x", flags);
    }
    bool selectedOnly = (flags & kScanSelected) != 0;
    ScanCursor cursor = {list->first, list->scans};
    list->scans = &cursor;
    int result = 0;
    int visited = 0;
    try {
        while (EntityNode* node = cursor.next) {
            cursor.next = node->next;
            if (selectedOnly && !node->selected) continue;
            result = callback(++visited, node->record, a, b);
            if (result) break;
        }
    } catch (...) {
        result = 0;  // the walk ends; its cursor must still be taken off the list
    }
    list->scans = cursor.outer;
    FinishScan(list);
    return result;
}

HostEntity* DLApnd(HDL list, const void* record, int* status) {
    SetStatus(status, 1);
    if (!CheckedList(list, "DLApnd")) return nullptr;
    if (!record) {
        RecordError("DLApnd: no record");
        return nullptr;
    }
    uint32_t length;
    memcpy(&length, record, 4);
    if (length < sizeof(EntityHead) || length > kMaxRecordLength ||
        !IsWellFormedRecord(record, length)) {
        RecordError("DLApnd: malformed record (type %u, length %u)",
                    static_cast<const unsigned char*>(record)[4], length);
        return nullptr;
    }
    // Out of memory, the record is not added and the status says so.
    HostEntity* entity = AppendRecord(list, record, length);
    if (!entity) return nullptr;
    RelinkCopiedReferences(NodeOf(entity), nullptr);
    SetStatus(status, 0);
    return entity;
}

void DLMoveB(HostEntity* entity, HostEntity* before) {
    EntityNode* node = CheckedNode(entity, "DLMoveB");
    EntityNode* target = CheckedNode(before, "DLMoveB");
    if (!node || !target || node == target) return;
    if (node->owner != target->owner) {
        RecordError("DLMoveB: the entities are in different lists");
        return;
    }
    HDL list = node->owner;
    UnlinkNode(node);
    InsertNode(list, node, target);
}

HostEntity* DLCopy(HDL list, const HostEntity* entity) {
    EntityNode* source = CheckedNode(entity, "DLCopy");
    if (!source || !CheckedList(list, "DLCopy")) return nullptr;
    // The copy is made whole before it joins the list, so copying an entity
    // into its own member list cannot copy itself again.
    EntityNode* copy = CloneNode(source, list);
    if (!copy) return nullptr;
    InsertNode(list, copy, nullptr);
    RelinkCopiedReferences(copy, RootListOf(source->owner));
    return copy->record;
}

void DLDelete(HostEntity* entity) {
    if (EntityNode* node = CheckedNode(entity, "DLDelete")) DeleteNode(node);
}

void DLSelect(HostEntity* entity) {
    if (EntityNode* node = CheckedNode(entity, "DLSelect")) node->selected = 1;
}

void DLUnSelect(HostEntity* entity) {
    if (EntityNode* node = CheckedNode(entity, "DLUnSelect")) node->selected = 0;
}

HDL DLGetSubList(HostEntity* entity, int* status) {
    EntityNode* node = CheckedNode(entity, "DLGetSubList");
    HDL members = node ? node->members : nullptr;
    SetStatus(status, members ? 0 : 1);
    return members;
}

// The record really moves, as the host's own does when it grows a member
// list: a module must go on with the returned address.
HostEntity* DLMakeSubList(HostEntity* entity, int* status) {
    SetStatus(status, 1);
    EntityNode* node = CheckedNode(entity, "DLMakeSubList");
    if (!node) return nullptr;
    HDL members = node->members;
    if (!members) {
        members = NewList(nullptr);
        if (!members) return nullptr;
    }
    node->members = members;
    members->ownerEntity = node;
    EntityNode* moved = MoveNode(node);
    if (!moved) return nullptr;
    SetStatus(status, 0);
    return moved->record;
}

void* DLGetIBAdr(HDL list, int block, int* status) {
    SetStatus(status, 1);
    if (!CheckedList(list, "DLGetIBAdr")) return nullptr;
    void* address = nullptr;
    if (block == 0) address = &list->header;
    if (block == 3) address = list->layers;
    if (address) SetStatus(status, 0);
    return address;
}

}  // extern "C"
