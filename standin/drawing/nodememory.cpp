// Where entity nodes live: every drawing (a list that is no member list)
// has a heap of its own, which its member lists' entities share.
//
// One process heap for every drawing failed a batch of pictures at 30,000
// drawings: the browse cache's entries (43 KB each) move when their member
// list is made, and the small allocations made meanwhile took pieces of
// each hole a move left, so no later entry fitted there. The host ended
// 0.65 GB above its cache, at 1.9 of its 2 GB, and sometimes could not
// save; late in the batch half its time went to the allocator walking
// those holes for each drawing's 256 KiB blocks. In a heap of its own a
// moved entry takes the hole the last one left, and a drawing's memory goes
// back whole when the drawing is destroyed.
//
// Small nodes are carved from blocks of the drawing's heap: a drawing of
// 140,000 entities would otherwise make as many heap calls, which under Wine
// cost as much as all the rest of loading. A node too large for a block
// gets a block of its own. A block is given back when its last node goes,
// unless its drawing still carves from it: then it is used again from its
// start. The heap goes with the drawing.
#include "standin/drawing/drawlist_internal.h"

#include <stdlib.h>

struct NodeHeap {
    HANDLE heap;
    NodeChunk* carving;     // the block small nodes are carved from now, or null
    uint32_t blocks;        // blocks not given back yet
    bool listGone;          // its list was destroyed: it goes with its last block
};

struct NodeChunk {
    NodeHeap* home;
    uint32_t liveNodes;
    uint32_t used;          // bytes handed out, from the start of the block
};

enum : uint32_t { kChunkSize = 256 * 1024, kChunkedNodeMax = 4096 };

static int g_liveBlocks;   // written by NewBlock and GiveBackBlock, read by tests

static uint32_t ChunkAlign(uint32_t size) { return (size + 7) & ~7u; }
static const uint32_t kChunkStart = ChunkAlign(sizeof(NodeChunk));

static NodeHeap* HeapOf(HDL carver) {
    if (carver->nodeHeap) return carver->nodeHeap;
    NodeHeap* home = static_cast<NodeHeap*>(calloc(1, sizeof(NodeHeap)));
    if (!home) return nullptr;
    home->heap = HeapCreate(0, 0, 0);
    if (!home->heap) {
        free(home);
        return nullptr;
    }
    carver->nodeHeap = home;
    return home;
}

static NodeChunk* NewBlock(NodeHeap* home, uint32_t size) {
    NodeChunk* chunk = static_cast<NodeChunk*>(HeapAlloc(home->heap, 0, size));
    if (!chunk) return nullptr;
    chunk->home = home;
    chunk->liveNodes = 0;
    chunk->used = kChunkStart;
    ++home->blocks;
    ++g_liveBlocks;
    return chunk;
}

static void GiveBackBlock(NodeChunk* chunk) {
    NodeHeap* home = chunk->home;
    HeapFree(home->heap, 0, chunk);
    --g_liveBlocks;
    if (--home->blocks == 0 && home->listGone) {
        HeapDestroy(home->heap);
        free(home);
    }
}

EntityNode* AllocateNodeMemory(HDL carver, uint32_t size) {
    NodeHeap* home = carver ? HeapOf(carver) : nullptr;
    if (!home) return nullptr;
    size = ChunkAlign(size);
    NodeChunk* chunk = home->carving;
    if (size > kChunkedNodeMax) {
        chunk = NewBlock(home, kChunkStart + size);
    } else if (!chunk || chunk->used + size > kChunkSize) {
        home->carving = nullptr;
        if (chunk && chunk->liveNodes == 0) GiveBackBlock(chunk);
        chunk = home->carving = NewBlock(home, kChunkSize);
    }
    if (!chunk) return nullptr;
    EntityNode* node = reinterpret_cast<EntityNode*>(reinterpret_cast<unsigned char*>(chunk) + chunk->used);
    chunk->used += size;
    ++chunk->liveNodes;
    node->chunk = chunk;
    return node;
}

void ReleaseNodeMemory(EntityNode* node) {
    NodeChunk* chunk = node->chunk;
    if (--chunk->liveNodes != 0) return;
    if (chunk == chunk->home->carving) chunk->used = kChunkStart;
    else GiveBackBlock(chunk);
}

int LiveNodeBlocks() { return g_liveBlocks; }

// Called once the list's entities are freed: only the block it carved from
// last can be left, empty.
void ReleaseListMemory(HDL list) {
    NodeHeap* home = list->nodeHeap;
    if (!home) return;
    list->nodeHeap = nullptr;
    home->listGone = true;
    NodeChunk* carving = home->carving;
    home->carving = nullptr;
    if (carving && carving->liveNodes == 0) {
        GiveBackBlock(carving);
    } else if (home->blocks == 0) {
        HeapDestroy(home->heap);
        free(home);
    }
}
