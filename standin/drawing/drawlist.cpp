// Drawing lists: entity nodes on the heap, list heads, member lists, and the
// internal list interface that the file readers build drawings with.
#include "standin/drawing/drawlist_internal.h"
#include "standin/standin.h"

#include <stdlib.h>
#include <string.h>

// A set of addresses: open addressing with linear probing, tombstones for
// removed ones. Loading a large drawing adds one node per entity, so this
// is on the load path and must stay cheap.
struct AddressSet {
    uintptr_t* slots;    // 0 free, 1 removed, else an address
    uint32_t capacity;   // a power of two, or 0
    uint32_t used;       // addresses and tombstones
    uint32_t live;
};

static uint32_t SlotOf(uintptr_t address, uint32_t capacity) {
    return static_cast<uint32_t>((address >> 3) * 2654435761u) & (capacity - 1);
}

static bool Contains(const AddressSet& set, const void* pointer) {
    uintptr_t address = reinterpret_cast<uintptr_t>(pointer);
    if (!set.capacity || address <= 1) return false;
    for (uint32_t i = SlotOf(address, set.capacity);; i = (i + 1) & (set.capacity - 1)) {
        if (set.slots[i] == address) return true;
        if (set.slots[i] == 0) return false;
    }
}

static bool Add(AddressSet& set, const void* pointer);

static bool Regrow(AddressSet& set) {
    uint32_t capacity = set.capacity ? set.capacity : 1024;
    while (set.live * 4 >= capacity) capacity *= 2;
    uintptr_t* slots = static_cast<uintptr_t*>(calloc(capacity, sizeof(uintptr_t)));
    if (!slots) return false;
    AddressSet grown = {slots, capacity, 0, 0};
    for (uint32_t i = 0; i < set.capacity; ++i) {
        if (set.slots[i] > 1) Add(grown, reinterpret_cast<void*>(set.slots[i]));
    }
    free(set.slots);
    set = grown;
    return true;
}

static bool Add(AddressSet& set, const void* pointer) {
    if ((set.used + 1) * 2 > set.capacity && !Regrow(set)) return false;
    uintptr_t address = reinterpret_cast<uintptr_t>(pointer);
    uint32_t i = SlotOf(address, set.capacity);
    while (set.slots[i] > 1) i = (i + 1) & (set.capacity - 1);
    if (set.slots[i] == 0) ++set.used;
    set.slots[i] = address;
    ++set.live;
    return true;
}

static void Remove(AddressSet& set, const void* pointer) {
    uintptr_t address = reinterpret_cast<uintptr_t>(pointer);
    if (!set.capacity) return;
    for (uint32_t i = SlotOf(address, set.capacity); set.slots[i]; i = (i + 1) & (set.capacity - 1)) {
        if (set.slots[i] == address) {
            set.slots[i] = 1;
            --set.live;
            return;
        }
    }
}

// Every live node and list, so that handles a module passes in are checked
// before they are used. Written by the node and list makers and freers here.
static AddressSet g_liveNodes;
static AddressSet g_liveLists;

static const size_t kNodeHead = offsetof(EntityNode, record);
static_assert(kNodeHead % 8 == 0, "records start 8-byte aligned");

// Freed records are overwritten first, so that a module still holding the
// old address of a moved or deleted entity reads garbage, not stale data.
static void Poison(EntityNode* node) {
    uint32_t length;
    memcpy(&length, node->record, 4);
    memset(node->record, 0xDD, length);
    node->prev = node->next = nullptr;
}

EntityNode* NodeOf(const HostEntity* entity) {
    if (!entity) return nullptr;
    const EntityNode* node = reinterpret_cast<const EntityNode*>(entity - kNodeHead);
    return Contains(g_liveNodes, node) ? const_cast<EntityNode*>(node) : nullptr;
}

bool IsList(HDL list) { return Contains(g_liveLists, list); }
bool IsEntity(const HostEntity* entity) { return NodeOf(entity) != nullptr; }

static HDL RootOf(HDL list);

// Node allocations still allowed before the host runs out, or -1 (no
// limit); set by tests through LimitNodeAllocations.
static int g_allocationsLeft = -1;

void LimitNodeAllocations(int count) { g_allocationsLeft = count; }

// A node for a record of `length` bytes of the drawing `carver`, unlinked
// and not yet live; the record bytes are the caller's to write.
static EntityNode* AllocateNode(HostList* carver, uint32_t length) {
    if (g_allocationsLeft == 0) return nullptr;
    if (g_allocationsLeft > 0) --g_allocationsLeft;
    EntityNode* node = AllocateNodeMemory(carver, kNodeHead + length);
    if (!node) return nullptr;
    node->prev = node->next = nullptr;
    node->owner = nullptr;
    node->members = nullptr;
    node->selected = 0;
    return node;
}

static EntityNode* NewNode(HostList* carver, const void* record, uint32_t length) {
    EntityNode* node = AllocateNode(carver, length);
    if (!node) return nullptr;
    memcpy(node->record, record, length);
    memcpy(node->record, &length, 4);
    if (!Add(g_liveNodes, node)) {
        ReleaseNodeMemory(node);
        return nullptr;
    }
    return node;
}

// A node whose record bytes are written by `fill` straight into place (a
// file reader saves a copy of every record that way); the record must then
// be well formed, else nothing is added.
HostEntity* AppendRecordFilled(HDL list, uint32_t length, bool (*fill)(void* context, unsigned char* out, uint32_t size),
                               void* context) {
    if (!IsList(list) || length < sizeof(EntityHead) || length > kMaxRecordLength) return nullptr;
    EntityNode* node = AllocateNode(RootOf(list), length);
    if (!node) return nullptr;
    if (!fill(context, node->record, length) || !IsWellFormedRecord(node->record, length) ||
        !Add(g_liveNodes, node)) {
        ReleaseNodeMemory(node);
        return nullptr;
    }
    InsertNode(list, node, nullptr);
    return node->record;
}

static uint32_t LengthOf(const EntityNode* node) {
    uint32_t length;
    memcpy(&length, node->record, 4);
    return length;
}

HDL NewList(const char* name) {
    HostList* list = static_cast<HostList*>(calloc(1, sizeof(HostList)));
    if (!list) return nullptr;
    if (name) {
        strncpy(list->name, name, sizeof list->name - 1);
    }
    list->header.size = sizeof(HeaderBlock);
    list->header.version = 1;
    list->header.background = 15;
    if (!Add(g_liveLists, list)) {
        free(list);
        return nullptr;
    }
    return list;
}

// ---- Linking ----

void UnlinkNode(EntityNode* node) {
    HostList* list = node->owner;
    if (!list) return;
    for (ScanCursor* cursor = list->scans; cursor; cursor = cursor->outer) {
        if (cursor->next == node) cursor->next = node->next;
    }
    (node->prev ? node->prev->next : list->first) = node->next;
    (node->next ? node->next->prev : list->last) = node->prev;
    node->prev = node->next = nullptr;
    node->owner = nullptr;
    --list->count;
}

void InsertNode(HDL list, EntityNode* node, EntityNode* before) {
    node->owner = list;
    node->next = before;
    node->prev = before ? before->prev : list->last;
    (node->prev ? node->prev->next : list->first) = node;
    (before ? before->prev : list->last) = node;
    ++list->count;
}

// The drawing that a list belongs to: the list itself, or the list of the
// entity that owns it, and so on up.
static HDL RootOf(HDL list) {
    while (list && list->ownerEntity && list->ownerEntity->owner) list = list->ownerEntity->owner;
    return list;
}

// Calls visit for every entity of the list and of its member lists.
template <typename Visit>
static void WalkTree(HDL list, Visit& visit, int depth = 0) {
    if (!list || depth > 64) return;
    for (EntityNode* node = list->first; node; node = node->next) {
        visit(node);
        if (node->members) WalkTree(node->members, visit, depth + 1);
    }
}

// Points every symbol reference of the drawing that designates `from` at `to`.
static void RedirectReferences(HDL root, const HostEntity* from, HostEntity* to) {
    auto visit = [from, to](EntityNode* node) {
        if (node->record[4] != kSymbolRef) return;
        HostEntity* target;
        memcpy(&target, node->record + offsetof(SymbolRefRecord, definition), sizeof target);
        if (target == from) memcpy(node->record + offsetof(SymbolRefRecord, definition), &to, sizeof to);
    };
    WalkTree(root, visit);
}

// ---- Freeing ----

static void FreeNodeTree(EntityNode* node, bool poison);

static void FreeEntities(HDL list, bool poison) {
    while (EntityNode* node = list->first) {
        UnlinkNode(node);
        FreeNodeTree(node, poison);
    }
}

static void FreeNodeTree(EntityNode* node, bool poison) {
    if (node->members) {
        node->members->ownerEntity = nullptr;
        DestroyList(node->members);
    }
    Remove(g_liveNodes, node);
    if (poison) Poison(node);
    ReleaseNodeMemory(node);
}

void DeleteNode(EntityNode* node) {
    HDL root = RootOf(node->owner);
    UnlinkNode(node);
    // References to a deleted definition would dangle: they become unlinked.
    if (node->record[4] == kSymbolDef) RedirectReferences(root, node->record, nullptr);
    FreeNodeTree(node, true);
}

void EmptyList(HDL list) { FreeEntities(list, false); }

void DestroyList(HDL list) {
    if (!IsList(list)) return;
    FreeEntities(list, false);
    ReleaseListMemory(list);
    Remove(g_liveLists, list);
    if (list->scans) {
        list->destroyPending = true;
        return;
    }
    free(list->layers);
    free(list);
}

// After a scan's cursor is popped: a list destroyed under the scan goes now.
void FinishScan(HDL list) {
    if (list->destroyPending && !list->scans) {
        free(list->layers);
        free(list);
    }
}

// ---- Copying and moving ----

EntityNode* CloneNode(const EntityNode* source, HDL into) {
    HDL carver = RootOf(into);
    EntityNode* copy = NewNode(carver, source->record, LengthOf(source));
    if (!copy || !source->members) return copy;
    copy->members = NewList(source->members->name);
    if (!copy->members) {
        FreeNodeTree(copy, false);
        return nullptr;
    }
    copy->members->ownerEntity = copy;
    for (const EntityNode* member = source->members->first; member; member = member->next) {
        EntityNode* memberCopy = CloneNode(member, carver);
        if (!memberCopy) {
            FreeNodeTree(copy, false);
            return nullptr;
        }
        InsertNode(copy->members, memberCopy, nullptr);
    }
    return copy;
}

EntityNode* MoveNode(EntityNode* node) {
    EntityNode* moved = NewNode(RootOf(node->owner), node->record, LengthOf(node));
    if (!moved) return nullptr;
    HDL list = node->owner;
    EntityNode* after = node->next;
    moved->selected = node->selected;
    moved->members = node->members;
    if (moved->members) moved->members->ownerEntity = moved;
    node->members = nullptr;
    if (list) {
        for (ScanCursor* cursor = list->scans; cursor; cursor = cursor->outer) {
            if (cursor->next == node) cursor->next = moved;
        }
        UnlinkNode(node);
        InsertNode(list, moved, after);
    }
    if (moved->record[4] == kSymbolDef) RedirectReferences(RootOf(list), node->record, moved->record);
    FreeNodeTree(node, true);
    return moved;
}

// ---- The internal interface of drawing.h ----

HostEntity* AppendRecord(HDL list, const void* record, uint32_t length) {
    if (!IsList(list) || !IsWellFormedRecord(record, length)) return nullptr;
    EntityNode* node = NewNode(RootOf(list), record, length);
    if (!node) return nullptr;
    InsertNode(list, node, nullptr);
    return node->record;
}

HDL MembersOf(HostEntity** entity) {
    EntityNode* node = NodeOf(*entity);
    if (!node) return nullptr;
    if (!node->members) {
        node->members = NewList(nullptr);
        if (node->members) node->members->ownerEntity = node;
    }
    return node->members;
}

HDL MemberListOf(const HostEntity* entity) {
    EntityNode* node = NodeOf(entity);
    return node ? node->members : nullptr;
}

void SetLayers(HDL list, const LayerRecord* layers, int count) {
    if (!IsList(list)) return;
    free(list->layers);
    list->layers = nullptr;
    list->layersSize = 0;
    if (count < 0) return;
    uint32_t size = sizeof(LayerTableHead) + count * sizeof(LayerRecord) + 4;
    unsigned char* block = static_cast<unsigned char*>(calloc(1, size));
    if (!block) return;
    LayerTableHead head = {size, static_cast<uint32_t>(count), {}};
    memcpy(block, &head, sizeof head);
    for (int i = 0; i < count; ++i) {
        LayerRecord layer = layers[i];
        layer.length = sizeof(LayerRecord);
        layer.name[sizeof layer.name - 1] = '\0';
        memcpy(block + sizeof head + i * sizeof(LayerRecord), &layer, sizeof layer);
    }
    list->layers = block;
    list->layersSize = size;
}

// Member lists have no layer table: their drawing's holds for them.
bool LayerHidden(HDL list, int16_t layer) {
    HDL root = RootOf(list);
    if (!root || !root->layers) return false;
    const unsigned char* table = root->layers;
    uint32_t size = root->layersSize;
    struct Head { uint32_t length; int16_t number, flags; } r;
    // Tables are mostly numbered in order: the record at the layer's place first.
    uint32_t guess = sizeof(LayerTableHead) + static_cast<uint32_t>(layer) * sizeof(LayerRecord);
    if (layer >= 0 && guess + sizeof r <= size) {
        memcpy(&r, table + guess, sizeof r);
        if (r.length == sizeof(LayerRecord) && r.number == layer) return (r.flags & 1) != 0;
    }
    for (uint32_t at = sizeof(LayerTableHead); at + sizeof r <= size; at += r.length) {
        memcpy(&r, table + at, sizeof r);
        if (r.length < sizeof r || r.length > size - at) break;
        if (r.number == layer) return (r.flags & 1) != 0;
    }
    return false;
}

int EntityCount(HDL list) { return IsList(list) ? list->count : 0; }

HostEntity* FirstEntity(HDL list) {
    return IsList(list) && list->first ? list->first->record : nullptr;
}

HostEntity* NextEntity(const HostEntity* entity) {
    EntityNode* node = NodeOf(entity);
    return node && node->next ? node->next->record : nullptr;
}

HeaderBlock* HeaderOf(HDL list) { return IsList(list) ? &list->header : nullptr; }

// Names of definitions and references compare without regard to case, as
// every name of the host does.
static bool SameSymbolName(const unsigned char* a, const unsigned char* b) {
    return _strnicmp(reinterpret_cast<const char*>(a), reinterpret_cast<const char*>(b), 32) == 0;
}

void LinkSymbolReferences(HDL list) {
    if (!IsList(list)) return;
    const size_t nameAt = offsetof(SymbolRefRecord, name);
    static_assert(offsetof(SymbolDefRecord, name) == offsetof(SymbolRefRecord, name), "");
    // The definitions are the drawing's own entities; a library holds few, so
    // a short table searched in order is enough. The first of a name wins.
    enum { kMaxDefinitions = 4096 };
    static EntityNode* definitions[kMaxDefinitions];
    int count = 0;
    for (EntityNode* node = list->first; node && count < kMaxDefinitions; node = node->next) {
        if (node->record[4] == kSymbolDef) definitions[count++] = node;
    }
    auto visit = [count, nameAt](EntityNode* node) {
        if (node->record[4] != kSymbolRef) return;
        HostEntity* target = nullptr;
        for (int i = 0; i < count && !target; ++i) {
            if (SameSymbolName(definitions[i]->record + nameAt, node->record + nameAt)) {
                target = definitions[i]->record;
            }
        }
        memcpy(node->record + offsetof(SymbolRefRecord, definition), &target, sizeof target);
    };
    WalkTree(list, visit);
}

// A copied reference keeps its definition when it stays in the same drawing;
// in another drawing it designates that drawing's definition of the name.
void RelinkCopiedReferences(EntityNode* copy, HDL sourceRoot) {
    HDL root = RootOf(copy->owner);
    if (root == sourceRoot) return;
    const size_t nameAt = offsetof(SymbolRefRecord, name);
    auto visit = [root, nameAt](EntityNode* node) {
        if (node->record[4] != kSymbolRef) return;
        HostEntity* target = nullptr;
        for (EntityNode* def = root->first; def && !target; def = def->next) {
            if (def->record[4] == kSymbolDef && SameSymbolName(def->record + nameAt, node->record + nameAt)) {
                target = def->record;
            }
        }
        memcpy(node->record + offsetof(SymbolRefRecord, definition), &target, sizeof target);
    };
    visit(copy);
    if (copy->members) WalkTree(copy->members, visit);
}

HDL RootListOf(HDL list) { return RootOf(list); }
