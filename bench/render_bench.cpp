// Rendering a large drawing (about 10 MB of records) into a 181 x 188
// picture through the display device (extents, then EDraw1 for every
// entity), against two baselines of the same run: one pass over the records
// without drawing, and one plain GDI line per entity into the same bitmap.
// Best of several runs of each.
#include <stdio.h>
#include <string.h>

#include "standin/device.h"
#include "standin/samples.h"
#include "standin/standin.h"

namespace {

const int kRepetitions = 5;
const int kWidth = 181, kHeight = 188;

double Now() {
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

// A site plan: blocks of rooms with walls, doors, labels, fittings as
// symbol references and grouped details, repeated over a grid.
HDL MakeLargeDrawing() {
    HDL list = NewList("PLAN.KVW");
    SampleSheet sheet = {list, 0, 0, 1};
    HDL chair = AddSymbolDef(sheet, "CHAIR", -250, -250, 250, 250);
    AddRectangle({chair, 2, 0, 1}, -220, -220, 220, 220);
    AddCircle({chair, 2, 0, 1}, 0, 0, 120);
    char label[32];
    for (int block = 0; block < 3400; ++block) {
        float x = static_cast<float>(block % 60) * 20000, y = static_cast<float>(block / 60) * 15000;
        AddRectangle(sheet, x, y, x + 18000, y + 13000);
        float wall[40];
        for (int i = 0; i < 20; ++i) {
            wall[2 * i] = x + 900 * i;
            wall[2 * i + 1] = y + (i % 2 ? 300 : 0);
        }
        AddPolyline(sheet, wall, 20, false);
        for (int room = 0; room < 6; ++room) {
            float rx = x + 3000 * room;
            AddLine(sheet, rx, y, rx, y + 13000);
            AddLine({list, 4, 1, 1}, rx + 100, y, rx + 100, y + 13000);
            AddArc(sheet, rx + 500, y + 6000, 900, 0, 1.5708f);
            AddCircle(sheet, rx + 1500, y + 3000, 600);
            snprintf(label, sizeof label, "ROOM %d.%d", block, room);
            AddText(sheet, rx + 800, y + 9000, 250, 0, label);
            AddSymbolRef(sheet, "CHAIR", {{rx + 1500, y + 2000, 0}, 1, 1, 0.5f}, 250);
            AddSolid(sheet, rx, y - 60, rx + 1200, y + 60);
        }
        HDL group = AddGroup(sheet, "DETAIL", (block & 1) != 0);
        for (int i = 0; i < 8; ++i) AddLine({group, 4, 0, 1}, x + i * 100, y, x + i * 100, y + 500);
        AddNote(sheet, "Block", "Drawn by K. Vandrel\r\nChecked\r\nIssued");
    }
    LinkSymbolReferences(list);
    return list;
}

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
    HDL list = MakeLargeDrawing();
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
