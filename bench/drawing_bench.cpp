// Loading a large native drawing with DLLoad against reading the same bytes
// with a plain ReadFile: the price of parsing, checking and building the
// entity nodes. Best of several runs of each, both from a warm file cache.
#include <stdio.h>
#include <string.h>

#include "bench/bench.h"

namespace {

const int kRepetitions = 7;

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
    HDL large = MakeLargeDrawing(2600, &entities);
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
