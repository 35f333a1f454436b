// Inside the stand-in's drawing lists: the heap node of an entity and the
// list head, shared by the files that implement the list services.
#pragma once

#include "standin/drawing/drawing.h"

struct ScanCursor;
struct NodeChunk;
struct NodeHeap;

// One entity: its links, its owner, its member list, its selection mark and
// the record bytes. The entity handle is the address of `record`.
struct EntityNode {
    EntityNode* prev;
    EntityNode* next;
    HostList* owner;
    HostList* members;     // null: the entity has no member list
    uint32_t selected;
    NodeChunk* chunk;      // the block of its drawing's heap it was carved from
    unsigned char record[1];
};

struct HostList {
    char name[MAX_PATH];
    HeaderBlock header;
    unsigned char* layers;      // info block 3, null when the drawing has none
    uint32_t layersSize;
    EntityNode* first;
    EntityNode* last;
    int count;
    EntityNode* ownerEntity;    // the entity whose member list this is, or null
    ScanCursor* scans;          // innermost running DLScan of this list
    bool destroyPending;        // destroyed during a scan: freed when the scan ends
    NodeHeap* nodeHome;         // where its entities live, made at the first (standin/drawing/nodememory.cpp)
};

// The place of a running DLScan: the next node it will visit. Unlinking a
// node moves every cursor that points at it on to its successor.
struct ScanCursor {
    EntityNode* next;
    ScanCursor* outer;
};

// Memory for a node of `size` bytes (head and record) of the drawing
// `carver`, with its chunk set; null when there is none. Given
// back by ReleaseNodeMemory; ReleaseListMemory gives up a destroyed list's
// heap once its entities are freed.
EntityNode* AllocateNodeMemory(HDL carver, uint32_t size);
void ReleaseNodeMemory(EntityNode* node);
void ReleaseListMemory(HDL list);
// Blocks of node memory not given back, in every drawing's heap (for tests).
int LiveNodeBlocks();
// Bytes of large nodes' blocks given back and kept for the next (for tests).
uint32_t KeptNodeBytes();

// The live node of an entity handle, or null when the handle is not one.
EntityNode* NodeOf(const HostEntity* entity);
// True when `list` is a live list.
bool IsList(HDL list);
// Frees a list and everything in it; a list being scanned is emptied now
// and freed when its last scan ends.
void DestroyList(HDL list);
void EmptyList(HDL list);
void DeleteNode(EntityNode* node);
// Detaches a node from its list (scan cursors step over it) and inserts it
// in front of `before` (null: at the end).
void UnlinkNode(EntityNode* node);
void InsertNode(HDL list, EntityNode* node, EntityNode* before);
// A deep copy of a node and its members, to be put into the list `into`
// (made of that list's drawing's memory), not yet in any list.
EntityNode* CloneNode(const EntityNode* node, HDL into);
// Moves the entity's record to a new node in the same place; returns it.
EntityNode* MoveNode(EntityNode* node);
void FinishScan(HDL list);
// The drawing a list belongs to (the list itself when it is no member list).
HDL RootListOf(HDL list);
// Links the symbol references of a copy placed in a list: kept when the copy
// stays in the drawing `sourceRoot`, else to the new drawing's definitions.
void RelinkCopiedReferences(EntityNode* copy, HDL sourceRoot);
