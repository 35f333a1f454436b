// Loading a large native drawing with DLLoad against reading the same bytes
// with a plain ReadFile: the price of parsing, checking and building the
// entity nodes. Best of several runs of each, both from a warm file cache.
#include <stdio.h>
#include <string.h>

#include "standin/samples.h"
#include "standin/standin.h"

namespace {

const int kRepetitions = 7;

double Now() {
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

// About 10 MB of a city block: rooms of lines, walls as polylines, labels,
// doors, furniture symbols and grouped details, repeated over a grid.
HDL MakeLargeDrawing(int* entities) {
    HDL list = NewList("LARGE.KVW");
    SampleSheet sheet = {list, 0, 0, 1};
    HDL chair = AddSymbolDef(sheet, "CHAIR", -250, -250, 250, 250);
    AddRectangle({chair, 2, 0, 1}, -220, -220, 220, 220);
    int count = 2;
    char label[32];
    for (int block = 0; block < 2600; ++block) {
        float x = static_cast<float>(block % 60) * 20000, y = static_cast<float>(block / 60) * 15000;
        AddRectangle(sheet, x, y, x + 18000, y + 13000);
        float wall[40];
        for (int i = 0; i < 20; ++i) {
            wall[2 * i] = x + 900 * i;
            wall[2 * i + 1] = y + (i % 2 ? 300 : 0);
        }
        AddPolyline(sheet, wall, 20, false);
        count += 2;
        for (int room = 0; room < 6; ++room) {
            float rx = x + 3000 * room;
            AddLine(sheet, rx, y, rx, y + 13000);
            AddLine(sheet, rx + 100, y, rx + 100, y + 13000);
            AddArc(sheet, rx + 500, y + 6000, 900, 0, 1.5708f);
            AddCircle(sheet, rx + 1500, y + 3000, 600);
            snprintf(label, sizeof label, "ROOM %d.%d", block, room);
            AddText(sheet, rx + 800, y + 9000, 250, 0, label);
            AddSymbolRef(sheet, "CHAIR", {{rx + 1500, y + 2000, 0}, 1, 1, 0.5f}, 250);
            AddSolid(sheet, rx, y - 60, rx + 1200, y + 60);
            count += 7;
        }
        HDL group = AddGroup(sheet, "DETAIL", (block & 1) != 0);
        for (int i = 0; i < 8; ++i) AddLine({group, 4, 0, 1}, x + i * 100, y, x + i * 100, y + 500);
        AddNote(sheet, "Block", "Drawn by K. Vandrel\r\nChecked\r\nIssued");
        count += 10;
    }
    LinkSymbolReferences(list);
    *entities = count;
    return list;
}

bool ReadPlain(const char* path, unsigned char* buffer, DWORD size) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD got = 0;
    bool ok = ReadFile(file, buffer, size, &got, nullptr) && got == size;
    CloseHandle(file);
    return ok;
}

}  // namespace

int main() {
    char folder[MAX_PATH], path[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    snprintf(path, sizeof path, "%sdrawing_bench_%lu.KVW", folder, GetCurrentProcessId());

    int entities = 0;
    HDL large = MakeLargeDrawing(&entities);
    bool written = WriteDrawingFile(large, path);
    DLDestroy(large);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!written || !GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
        fprintf(stderr, "drawing_bench: cannot write %s\n", path);
        return 1;
    }
    DWORD size = data.nFileSizeLow;
    static unsigned char buffer[64 << 20];
    if (size > sizeof buffer) return 1;

    double bestRead = 1e9, bestLoad = 1e9;
    for (int run = 0; run < kRepetitions; ++run) {
        double start = Now();
        bool read = ReadPlain(path, buffer, size);
        double middle = Now();
        HDL loaded = DLLoad(path, 46, nullptr);
        double end = Now();
        if (!read || !loaded || EntityCount(loaded) <= 0) {
            fprintf(stderr, "drawing_bench: cannot read %s\n", path);
            DeleteFileA(path);
            return 1;
        }
        DLDestroy(loaded);
        if (middle - start < bestRead) bestRead = middle - start;
        if (end - middle < bestLoad) bestLoad = end - middle;
    }
    DeleteFileA(path);
    printf("drawing: %lu bytes, %d entities\n", size, entities);
    printf("ReadFile: %.2f ms (best of %d)\n", bestRead * 1000, kRepetitions);
    printf("DLLoad:   %.2f ms (best of %d)\n", bestLoad * 1000, kRepetitions);
    printf("ratio DLLoad / ReadFile: %.1f\n", bestLoad / bestRead);
    return 0;
}
