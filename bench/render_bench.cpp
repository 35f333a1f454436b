// Rendering a large drawing (about 10 MB of records) into a 181 x 188
// picture through the display device (extents, then EDraw1 for every
// entity), against two baselines of the same run: one pass over the records
// without drawing, and one plain GDI line per entity into the same bitmap.
// Best of several runs of each.
#include <stdio.h>
#include <string.h>

#include "standin/device/device.h"
#include "bench/bench.h"

namespace {

const int kRepetitions = 5;
const int kWidth = 181, kHeight = 188;

// Bytes of records in the list and its member lists.
uint64_t RecordBytes(HDL list, int depth = 0) {
    uint64_t bytes = 0;
    for (HostEntity* e = FirstEntity(list); e; e = NextEntity(e)) {
        uint32_t length;
        memcpy(&length, e, 4);
        bytes += length;
        if (HDL members = MemberListOf(e); members && depth < kMaxNesting) bytes += RecordBytes(members, depth + 1);
    }
    return bytes;
}

double g_extentsTime;   // of the last Render

// What a thumbnail costs: the extents scan, then every entity drawn.
void Render(HDL list, HDC memory) {
    double start = Now();
    BgnPExtents();
    for (HostEntity* e = FirstEntity(list); e; e = NextEntity(e)) EXCheck(e);
    float box[6];
    EndPExtents(box);
    g_extentsTime = Now() - start;
    RECT all = {0, 0, kWidth, kHeight};
    DevUseBitmap(memory);
    DevUseColor(15);
    DevSRect(&all);
    float dy = box[4] - box[1], dx = dy * kWidth / kHeight;
    SetBMView(box[0], box[1], box[0] + dx, box[4], &all);
    for (HostEntity* e = FirstEntity(list); e; e = NextEntity(e)) EDraw1(e);
    DevUsePrior();
}

// The floor: one pass over the records, reading each type byte.
int WalkOnly(HDL list) {
    int sum = 0;
    for (HostEntity* e = FirstEntity(list); e; e = NextEntity(e)) sum += e[4];
    return sum;
}

// The GDI floor: a plain line per entity, no records read.
void LinesOnly(int count, HDC memory) {
    HGDIOBJ old = SelectObject(memory, GetStockObject(BLACK_PEN));
    for (int i = 0; i < count; ++i) {
        MoveToEx(memory, i % kWidth, 0, nullptr);
        LineTo(memory, (i * 7) % kWidth, kHeight - 1);
    }
    SelectObject(memory, old);
}

}  // namespace

int main() {
    HDL list = MakeLargeDrawing(3400, nullptr);
    int entities = EntityCount(list);
    uint64_t bytes = RecordBytes(list);
    HDC screen = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
    if (!screen || !memory || !bitmap) {
        fprintf(stderr, "render_bench: no bitmap\n");
        return 1;
    }
    HGDIOBJ old = SelectObject(memory, bitmap);
    double bestRender = 1e9, bestWalk = 1e9, bestLines = 1e9, extentsPart = 0;
    int sink = 0;
    for (int run = 0; run < kRepetitions; ++run) {
        double t0 = Now();
        sink += WalkOnly(list);
        double t1 = Now();
        LinesOnly(entities, memory);
        GdiFlush();
        double t2 = Now();
        Render(list, memory);
        GdiFlush();
        double t3 = Now();
        if (t1 - t0 < bestWalk) bestWalk = t1 - t0;
        if (t2 - t1 < bestLines) bestLines = t2 - t1;
        if (t3 - t2 < bestRender) bestRender = t3 - t2, extentsPart = g_extentsTime;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    DeleteDC(screen);
    DLDestroy(list);
    printf("drawing: %llu bytes of records, %d entities at the top (walk sum %d)\n",
           static_cast<unsigned long long>(bytes), entities, sink);
    printf("walk only:        %8.2f ms (best of %d)\n", bestWalk * 1000, kRepetitions);
    printf("one line each:    %8.2f ms\n", bestLines * 1000);
    printf("render %dx%d: %8.2f ms (extents %.2f ms, then EDraw1)\n", kWidth, kHeight, bestRender * 1000,
           extentsPart * 1000);
    printf("ratio render / one GDI line per entity: %.1f\n", bestRender / bestLines);
    printf("ratio render / walk only: %.0f\n", bestRender / bestWalk);
    return 0;
}
