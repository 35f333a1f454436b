// Shared by the benchmarks: a monotonic clock and the large site plan that
// the load and render benchmarks measure.
#pragma once

#include <stdio.h>

#include "standin/samples/samples.h"
#include "standin/standin.h"

// The settings a benchmark writes (the colour table of the first picture
// made, the options) go to a key of its own: with none the store refuses
// every write, and a refused write is told in a box that nobody answers.
inline void UseBenchSettingsKey(const char* name) {
    snprintf(g_config.rsc3053, sizeof g_config.rsc3053, "Software\\KvBench\\%s", name);
}

inline double Now() {
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

// Deletes a folder of files (no subfolders) and the folder.
inline void RemoveFolder(const char* folder) {
    char pattern[MAX_PATH];
    snprintf(pattern, sizeof pattern, "%s\\*", folder);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            char path[MAX_PATH];
            snprintf(path, sizeof path, "%s\\%s", folder, found.cFileName);
            SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder);
}

// A site plan: blocks of rooms with walls, doors, labels, fittings as
// symbol references and grouped details, over a grid. About 3.7 KB of
// records and 54 entities (members included) a block. *entities receives
// the count.
inline HDL MakeLargeDrawing(int blocks, int* entities) {
    HDL list = NewList("PLAN.KVW");
    SampleSheet sheet = {list, 0, 0, 1};
    HDL chair = AddSymbolDef(sheet, "CHAIR", -250, -250, 250, 250);
    AddRectangle({chair, 2, 0, 1}, -220, -220, 220, 220);
    AddCircle({chair, 2, 0, 1}, 0, 0, 120);
    int count = 3;
    char label[32];
    for (int block = 0; block < blocks; ++block) {
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
            AddLine({list, 4, 1, 1}, rx + 100, y, rx + 100, y + 13000);
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
    if (entities) *entities = count;
    return list;
}
