// Where entity nodes live. Each drawing (a list that is no member list, with
// its member lists) owns its memory: small nodes are carved from blocks that
// only it carves from, and large nodes live in a heap of its own.
//
// One heap for every drawing's nodes failed a batch of pictures at 30,000
// drawings: the browse cache's entries (43 KB each) move when their member
// list is made, and the small allocations made meanwhile took pieces of each
// hole a move left, so no later entry fitted there; and the cache's copies
// of each drawing's notes kept alive the blocks that drawing was carved
// from. The host ended 0.65 GB above its cache, at 1.9 of its 2 GB, and
// sometimes could not save; late in the batch half its time went to the
// allocator walking those holes. In a heap of large nodes only, a moved
// entry takes the hole the last one left.
//
// Small nodes are carved from blocks: a drawing of 140,000 entities would
// otherwise make as many heap calls, which under Wine cost as much as all
// the rest of loading. A block is given back when its last node goes, unless
// its drawing still carves from it: then it is used again from its start.
//
// A large node's block given back is kept in its heap for the next large
// node of its size, and a destroyed drawing's heap with the blocks it kept
// is kept for the next drawing, up to 64 MB in all: Wine gives the memory
// of a freed block back to the system and faults it in again at the next
// use, so opening the cache of 1,000 drawings (43 MB of entries) in a heap
// made anew took 7 times a plain read of its bytes. Kept blocks of the
// entries' one size also take the place of the holes that moved entries
// leave.
#include "standin/drawing/drawlist_internal.h"

#include <stdlib.h>

// Large blocks kept, all of one size, chained through their nextKept.
struct KeptBlocks {
    uint32_t size;
    NodeChunk* first;
};
enum { kKeptSizes = 16 };

struct NodeHeap {
    HANDLE heap;            // the drawing's heap for large nodes, made (or taken over) at the first
    NodeChunk* carving;     // the block small nodes are carved from now, or null
    uint32_t blocks;        // blocks not given back yet
    bool listGone;          // its list was destroyed: it goes with its last block
    KeptBlocks kept[kKeptSizes];  // its large blocks given back, by size; a size of 0 is a free place
    uint32_t keptBytes;
};

struct NodeChunk {
    NodeHeap* home;
    uint32_t liveNodes;
    uint32_t used;          // bytes handed out, from the start of the block
    bool large;             // a large node's own block, of the drawing's heap
    uint32_t size;          // a large block's size
    NodeChunk* nextKept;    // the next kept block of its size
};

enum : uint32_t { kChunkSize = 256 * 1024, kChunkedNodeMax = 4096, kMostKeptBytes = 64u << 20 };

static int g_liveBlocks;   // written by NewBlock and GiveBackBlock, read by tests
// Large blocks kept, in every heap: written by KeepLargeBlock, TakeKeptBlock
// and DropHome; read by them and by tests.
static uint32_t g_keptBytes;
// The heap of a destroyed drawing with the blocks it kept, for the next
// drawing's large nodes; written by RetireHome and NewBlock.
static NodeHeap* g_spareHome;

// Freed blocks of small nodes are kept for the next drawing, up to 16 MB:
// Wine gives a freed block's memory back to the system and faults it in
// again at the next use, which made loading a drawing of 10 MB half as
// slow again as into blocks used before. Written by the two below.
enum { kSpareBlocks = 64 };
static void* g_spareBlocks[kSpareBlocks];
static int g_spareCount;

static void* TakeChunkMemory() { return g_spareCount ? g_spareBlocks[--g_spareCount] : malloc(kChunkSize); }

static void KeepChunkMemory(void* memory) {
    if (g_spareCount < kSpareBlocks) g_spareBlocks[g_spareCount++] = memory;
    else free(memory);
}

static uint32_t ChunkAlign(uint32_t size) { return (size + 7) & ~7u; }
enum : uint32_t { kChunkStart = (sizeof(NodeChunk) + 7) & ~7u };

static NodeHeap* HomeOf(HDL carver) {
    if (!carver->nodeHome) carver->nodeHome = static_cast<NodeHeap*>(calloc(1, sizeof(NodeHeap)));
    return carver->nodeHome;
}

static void DropHome(NodeHeap* home) {
    if (home->heap) HeapDestroy(home->heap);
    g_keptBytes -= home->keptBytes;
    free(home);
}

// A heap left with kept blocks and nothing else is the next drawing's.
static void RetireHome(NodeHeap* home) {
    if (!home->heap || !home->keptBytes) {
        DropHome(home);
        return;
    }
    if (g_spareHome) DropHome(g_spareHome);
    g_spareHome = home;
}

static KeptBlocks* KeptOfSize(NodeHeap* home, uint32_t size) {
    for (KeptBlocks& kept : home->kept) {
        if (kept.size == size) return &kept;
    }
    return nullptr;
}

static bool KeepLargeBlock(NodeChunk* chunk) {
    NodeHeap* home = chunk->home;
    if (g_keptBytes + chunk->size > kMostKeptBytes) return false;
    KeptBlocks* kept = KeptOfSize(home, chunk->size);
    if (!kept) kept = KeptOfSize(home, 0);
    if (!kept) return false;
    kept->size = chunk->size;
    chunk->nextKept = kept->first;
    kept->first = chunk;
    home->keptBytes += chunk->size;
    g_keptBytes += chunk->size;
    return true;
}

static void* TakeKeptBlock(NodeHeap* home, uint32_t size) {
    KeptBlocks* kept = KeptOfSize(home, size);
    if (!kept) return nullptr;
    NodeChunk* chunk = kept->first;
    kept->first = chunk->nextKept;
    if (!kept->first) kept->size = 0;
    home->keptBytes -= size;
    g_keptBytes -= size;
    return chunk;
}

// The first large node of a drawing takes over the spare heap, if there is
// one, with its kept blocks.
static bool HaveHeap(NodeHeap* home) {
    if (home->heap) return true;
    if (NodeHeap* spare = g_spareHome) {
        g_spareHome = nullptr;
        home->heap = spare->heap;
        home->keptBytes = spare->keptBytes;
        for (int i = 0; i < kKeptSizes; ++i) home->kept[i] = spare->kept[i];
        free(spare);
        return true;
    }
    home->heap = HeapCreate(0, 0, 0);
    return home->heap != nullptr;
}

static void* TakeLargeMemory(NodeHeap* home, uint32_t size) {
    if (!HaveHeap(home)) return nullptr;
    void* memory = TakeKeptBlock(home, size);
    return memory ? memory : HeapAlloc(home->heap, 0, size);
}

static NodeChunk* NewBlock(NodeHeap* home, uint32_t size, bool large) {
    void* memory = large ? TakeLargeMemory(home, size) : TakeChunkMemory();
    if (!memory) return nullptr;
    NodeChunk* chunk = static_cast<NodeChunk*>(memory);
    chunk->home = home;
    chunk->liveNodes = 0;
    chunk->used = kChunkStart;
    chunk->large = large;
    chunk->size = size;
    ++home->blocks;
    ++g_liveBlocks;
    return chunk;
}

static void GiveBackBlock(NodeChunk* chunk) {
    NodeHeap* home = chunk->home;
    if (!chunk->large) KeepChunkMemory(chunk);
    else if (!KeepLargeBlock(chunk)) HeapFree(home->heap, 0, chunk);
    --g_liveBlocks;
    if (--home->blocks == 0 && home->listGone) RetireHome(home);
}

EntityNode* AllocateNodeMemory(HDL carver, uint32_t size) {
    NodeHeap* home = carver ? HomeOf(carver) : nullptr;
    if (!home) return nullptr;
    size = ChunkAlign(size);
    NodeChunk* chunk = home->carving;
    if (size > kChunkedNodeMax) {
        chunk = NewBlock(home, kChunkStart + size, true);
    } else if (!chunk || chunk->used + size > kChunkSize) {
        home->carving = nullptr;
        if (chunk && chunk->liveNodes == 0) GiveBackBlock(chunk);
        chunk = home->carving = NewBlock(home, kChunkSize, false);
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

uint32_t KeptNodeBytes() { return g_keptBytes; }

// Called once the list's entities are freed: only the block it carved from
// last can be left, empty.
void ReleaseListMemory(HDL list) {
    NodeHeap* home = list->nodeHome;
    if (!home) return;
    list->nodeHome = nullptr;
    home->listGone = true;
    NodeChunk* carving = home->carving;
    home->carving = nullptr;
    if (carving && carving->liveNodes == 0) {
        GiveBackBlock(carving);
    } else if (home->blocks == 0) {
        RetireHome(home);
    }
}
