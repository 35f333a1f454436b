// Sample drawings for tests and demonstrations (/samples:DIR /count:N
// /variant:N): floor plans, details, symbol libraries, templates and a few
// broken files, all deterministic from the variant number.
#include "standin/samples/samples.h"
#include "standin/standin.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <initializer_list>

namespace {

const float kPi = 3.14159265f;

// xorshift32: the same drawings from the same variant number on every machine.
struct Random {
    uint32_t state;
    uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    float Range(float low, float high) { return low + (high - low) * (Next() % 10000) / 10000.0f; }
    int Pick(int count) { return static_cast<int>(Next() % static_cast<uint32_t>(count)); }
};

enum Layer : int16_t { kLayer0, kWalls, kDoors, kFurniture, kLabels, kConstruction };

SampleSheet On(HDL list, int16_t layer, uint8_t colour = 0) { return {list, colour, 0, layer}; }

void SetPlanLayers(HDL list, bool constructionHidden) {
    LayerRecord layers[] = {
        {0, kLayer0, 0, "0"},           {0, kWalls, 0, "WALLS"},   {0, kDoors, 0, "DOORS"},
        {0, kFurniture, 0, "FURNITURE"}, {0, kLabels, 0, "TEXT"},
        {0, kConstruction, static_cast<int16_t>(constructionHidden ? 1 : 0), "CONSTRUCTION"},
    };
    SetLayers(list, layers, sizeof layers / sizeof layers[0]);
}

void SetExtents(HDL list, float x0, float y0, float x1, float y1, int state) {
    HeaderBlock* header = HeaderOf(list);
    header->min = {x0, y0, 0};
    header->max = {x1, y1, 0};
    header->extentsValid = state != 0;
    if (state == 2) header->flags |= 2;   // valid once, out of date now
}

// A door in a wall: the leaf standing open and its swing.
void AddDoor(HDL list, float x, float y, float width, float angle) {
    SampleSheet doors = On(list, kDoors, 1);
    float c = cosf(angle), s = sinf(angle);
    AddLine(doors, x, y, x + width * -s, y + width * c);
    AddArc(doors, x, y, width, angle, angle + kPi / 2);
}

// Symbol definitions of furniture, members in local units around the origin.
void DefineFurniture(HDL list) {
    SampleSheet sheet = On(list, kFurniture, 2);
    HDL chair = AddSymbolDef(sheet, "CHAIR", -250, -250, 250, 250);
    if (chair) {
        SampleSheet m = On(chair, kFurniture, 2);
        AddRectangle(m, -220, -220, 220, 220);
        AddLine(m, -220, 180, 220, 180);
    }
    HDL table = AddSymbolDef(sheet, "TABLE", -600, -600, 600, 600);
    if (table) {
        SampleSheet m = On(table, kFurniture, 2);
        AddCircle(m, 0, 0, 600);
        AddCircle(m, 0, 0, 60);
    }
    HDL bed = AddSymbolDef(sheet, "BED", -800, -1000, 800, 1000);
    if (bed) {
        SampleSheet m = On(bed, kFurniture, 2);
        AddRectangle(m, -800, -1000, 800, 1000);
        AddRectangle(m, -700, 600, 700, 950);
        AddLine(m, -800, 500, 800, 500);
    }
}

void PlaceTableWithChairs(HDL list, float x, float y, Random& random) {
    SampleSheet sheet = On(list, kFurniture, 2);
    AddSymbolRef(sheet, "TABLE", {{x, y, 0}, 1, 1, 0}, 600);
    int chairs = 3 + random.Pick(4);
    for (int i = 0; i < chairs; ++i) {
        float angle = 2 * kPi * i / chairs;
        float scale = random.Range(0.9f, 1.1f);
        SymbolPlacement at = {{x + 900 * cosf(angle), y + 900 * sinf(angle), 0}, scale, scale, angle - kPi / 2};
        AddSymbolRef(sheet, "CHAIR", at, 250);
    }
}

const char* const kRoomNames[] = {"LIVING", "KITCHEN", "BED 1", "BED 2", "BATH", "HALL", "STUDY", "STORE"};

const char* const kNoteBodies[] = {
    "Drawn by K. Vandrel\r\nChecked by L. Marsh\r\nIssued for comment",
    "All dimensions in millimetres\r\nDo not scale",
    "Walls 300 mm brick\r\nPartitions 100 mm stud\r\nDoors 900 mm clear\r\nWindows to schedule W1-W6",
    "Preliminary layout",   // a body of one line: no carriage return
};

void AddNotes(HDL list, int number, Random& random) {
    SampleSheet sheet = On(list, kLabels);
    char heading[32];
    snprintf(heading, sizeof heading, "Plan %03d", number);
    AddNote(sheet, heading, kNoteBodies[random.Pick(4)]);
    AddNote(sheet, "Revision", number % 2 ? "A: first issue\r\nB: doors moved" : "A: first issue");
    if (number % 3 == 1) AddNote(sheet, "Empty", "");
}

// A floor plan on a sheet frame: outer walls, rooms with doors, windows,
// furniture as symbols, room names, notes, a kitchen group, dimensions and
// construction lines.
void MakePlan(HDL list, int number, Random& random) {
    float width = random.Range(10000, 18000);
    float depth = width * random.Range(0.55f, 0.75f);
    bool hidden = number % 2 == 0;
    SetPlanLayers(list, hidden);
    int extents = number % 4 == 3 ? 2 : number % 5 == 4 ? 0 : 1;
    SetExtents(list, -1500, -2500, width + 1500, depth + 1500, extents);

    AddFrame(On(list, kLayer0), -1500, -2500, width + 1500, depth + 1500);
    SampleSheet walls = On(list, kWalls);
    AddRectangle(walls, 0, 0, width, depth);
    AddRectangle(walls, 300, 300, width - 300, depth - 300);

    // Rooms: columns split by partitions, a corridor wall across.
    int columns = 2 + random.Pick(3);
    float split = depth * random.Range(0.45f, 0.6f);
    AddLine(walls, 300, split, width - 300, split);
    AddLine(walls, 300, split + 100, width - 300, split + 100);
    float x = 300;
    int room = random.Pick(4);
    for (int c = 0; c < columns; ++c) {
        float next = c + 1 == columns ? width - 300 : x + (width - 600) / columns * random.Range(0.8f, 1.2f);
        if (c + 1 < columns) {
            AddLine(walls, next, 300, next, depth - 300);
            AddLine(walls, next + 100, 300, next + 100, depth - 300);
        }
        float middle = (x + next) / 2;
        SampleSheet labels = On(list, kLabels);
        AddText(labels, middle - 600, split * 0.8f, 250, 0, kRoomNames[room++ % 8]);
        AddText(labels, middle - 600, (split + depth) / 2, 250, 0, kRoomNames[room++ % 8]);
        // One door from the corridor wall into the room above, one into the
        // room below, at different places along it.
        AddDoor(list, next - 1300, split + 100, 900, 0);
        AddDoor(list, x + 1400, split, 900, kPi);
        // A window on the outer wall of each room, as a filled strip.
        AddSolid(On(list, kWalls, 5), middle - 600, -60, middle + 600, 60);
        AddSolid(On(list, kWalls, 5), middle - 600, depth - 60, middle + 600, depth + 60);
        x = next + 100;
    }
    // Columns at the corners.
    for (float cx : {0.0f, width}) {
        for (float cy : {0.0f, depth}) AddSolid(On(list, kWalls, 8), cx - 200, cy - 200, cx + 200, cy + 200);
    }

    DefineFurniture(list);
    PlaceTableWithChairs(list, width * 0.22f, split * 0.4f, random);
    SymbolPlacement bed = {{width * 0.75f, (split + depth) / 2, 0}, 1, random.Range(0.9f, 1.2f), kPi / 2};
    AddSymbolRef(On(list, kFurniture, 2), "BED", bed, 1000);

    // The kitchen counter counts for the extents; the dimension group does not.
    HDL kitchen = AddGroup(On(list, kFurniture, 3), "KITCHEN", true);
    if (kitchen) {
        SampleSheet m = On(kitchen, kFurniture, 3);
        AddRectangle(m, 300, depth - 900, 3300, depth - 300);
        AddCircle(m, 1200, depth - 600, 200);
        AddCircle(m, 2400, depth - 600, 200);
    }
    HDL dimensions = AddGroup(On(list, kLabels, 4), "DIMENSIONS", false);
    if (dimensions) {
        SampleSheet m = On(dimensions, kLabels, 4);
        AddLine(m, 0, -800, width, -800);
        AddLine(m, 0, -1000, 0, -600);
        AddLine(m, width, -1000, width, -600);
        char text[32];
        snprintf(text, sizeof text, "%d", static_cast<int>(width));
        AddText(m, width / 2 - 300, -700, 200, 0, text);
    }

    // Construction grid and survey points, on a layer that some plans hide.
    SampleSheet construction = {list, 9, 1, kConstruction};
    for (float gx = 0; gx <= width; gx += 3000) AddLine(construction, gx, -400, gx, depth + 400);
    for (float gy = 0; gy <= depth; gy += 3000) AddLine(construction, -400, gy, width + 400, gy);
    AddPoint(construction, 0, 0);
    AddPoint(construction, width, 0);
    AddPoint(construction, width, depth);
    AddCircle(construction, width / 2, depth / 2, 150);

    char title[48];
    snprintf(title, sizeof title, "PLAN %03d  SCALE 1:50", number);
    AddText(On(list, kLabels), 0, -2000, 400, 0, title);
    AddViewMark(On(list, kLayer0), "ALL", -1500, -2500, width + 1500, depth + 1500);
    AddViewMark(On(list, kLayer0), "ENTRY", 0, 0, width / 3, split);
    AddNotes(list, number, random);
}

// A detail: a wall section with hatching lines and a dimension polyline.
void MakeDetail(HDL list, int number, Random& random) {
    SetExtents(list, 0, 0, 3000, 2000, 1);
    AddFrame(On(list, kLayer0), 0, 0, 3000, 2000);
    SampleSheet sheet = On(list, kLayer0);
    float thickness = random.Range(250, 400);
    AddRectangle(sheet, 1000, 200, 1000 + thickness, 1800);
    for (float y = 250; y < 1800; y += 120) AddLine(On(list, kLayer0, 8), 1000, y, 1000 + thickness, y + 100);
    const float profile[] = {200, 300, 700, 300, 700, 900, 1000, 900, 1000, 1200, 200, 1200};
    AddPolyline(On(list, kLayer0, 4), profile, 6, false);
    AddArc(sheet, 1000 + thickness, 1000, 400, -kPi / 2, kPi / 2);
    char title[32];
    snprintf(title, sizeof title, "DETAIL %d", number);
    AddText(sheet, 200, 100, 80, 0, title);
    AddText(sheet, 2200, 1000, 60, kPi / 2, "SECTION A-A");
    AddNote(On(list, kLayer0), "Detail", "Wall to floor junction\r\nDamp course at 150 mm");
}

// A template: sheet frame and title block, nothing drawn yet.
void MakeTemplate(HDL list, int number, Random& random) {
    float width = number % 2 ? 42000 : 29700, height = number % 2 ? 29700 : 21000;
    SetExtents(list, 0, 0, width, height, 1);
    LayerRecord layers[] = {{0, 0, 0, "0"}, {0, 1, 0, "TITLE"}};
    SetLayers(list, layers, 2);
    AddFrame(On(list, 0), 0, 0, width, height);
    SampleSheet title = On(list, 1);
    AddRectangle(title, 500, 500, width - 500, height - 500);
    AddRectangle(title, width - 9000, 500, width - 500, 3500);
    AddLine(title, width - 9000, 2000, width - 500, 2000);
    AddLine(title, width - 4500, 500, width - 4500, 2000);
    AddText(title, width - 8700, 2500, 500, 0, "TITLE");
    AddText(title, width - 8700, 1000, 300, 0, "DRAWN");
    AddText(title, width - 4200, 1000, 300, 0, random.Pick(2) ? "SCALE 1:50" : "SCALE 1:100");
    AddNote(On(list, 1), "Template", "Sheet with title block");
}

// A symbol library: definitions laid out side by side; one library of the
// set has no definition at all.
void MakeLibrary(HDL list, int number, bool withSymbols) {
    SampleSheet sheet = On(list, 0);
    AddText(sheet, 0, -900, 250, 0, withSymbols ? "SYMBOL LIBRARY" : "NO SYMBOLS HERE");
    if (!withSymbols) {
        AddRectangle(sheet, 0, 0, 2000, 1000);
        AddLine(sheet, 0, 0, 2000, 1000);
        SetExtents(list, 0, -800, 2000, 1000, 1);
        return;
    }
    HDL door = AddSymbolDef(sheet, "DOOR", 0, 0, 900, 900);
    if (door) {
        AddLine(On(door, 0, 1), 0, 0, 0, 900);
        AddArc(On(door, 0, 1), 0, 0, 900, 0, kPi / 2);
    }
    HDL window = AddSymbolDef(sheet, "WINDOW", 0, -150, 1200, 150);
    if (window) {
        AddRectangle(On(window, 0, 5), 0, -150, 1200, 150);
        AddLine(On(window, 0, 5), 0, 0, 1200, 0);
    }
    HDL wc = AddSymbolDef(sheet, "WC", -250, -350, 250, 350);
    if (wc) {
        AddRectangle(On(wc, 0), -250, 150, 250, 350);
        AddCircle(On(wc, 0), 0, -50, 220);
    }
    DefineFurniture(list);
    // A catalogue row: one placed copy of every symbol with its name.
    const char* const kSymbols[] = {"DOOR", "WINDOW", "WC", "CHAIR", "TABLE", "BED"};
    for (int i = 0; i < 6; ++i) {
        float x = 2000.0f * i;
        AddSymbolRef(sheet, kSymbols[i], {{x, 1000, 0}, 1, 1, 0}, 1000);
        AddText(sheet, x - 400, -400, 150, 0, kSymbols[i]);
    }
    SetExtents(list, -1000, -1000, 11000, 2200, number % 2);
}

void WriteBytes(const char* path, const unsigned char* data, DWORD size) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(file, data, size, &written, nullptr);
    CloseHandle(file);
}

// Broken files named like drawings: cut short, random bytes, empty.
bool MakeBroken(const char* path, int kind, Random& random) {
    if (kind == 0) {
        HDL list = NewList(path);
        MakePlan(list, 99, random);
        bool written = WriteNewDrawingFile(list, path);
        DLDestroy(list);
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (!written || file == INVALID_HANDLE_VALUE) return false;
        SetFilePointer(file, static_cast<LONG>(GetFileSize(file, nullptr) * 3 / 5), nullptr, FILE_BEGIN);
        bool cut = SetEndOfFile(file);
        CloseHandle(file);
        return cut;
    }
    unsigned char garbage[2048];
    DWORD size = kind == 1 ? 600 + random.Pick(1400) : 0;
    for (DWORD i = 0; i < size; ++i) garbage[i] = static_cast<unsigned char>(random.Next());
    WriteBytes(path, garbage, size);
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolder(const char* folder) {
    char path[MAX_PATH];
    if (strlen(folder) >= sizeof path) return false;
    strcpy(path, folder);
    for (char* p = path + 1; *p; ++p) {
        if ((*p == '\\' || *p == '/') && p[-1] != ':') {
            char separator = *p;
            *p = '\0';
            CreateDirectoryA(path, nullptr);
            *p = separator;
        }
    }
    CreateDirectoryA(path, nullptr);
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// File i of the set, in runs of eight: plan (.KVW), plan, detail (.KVD),
// plan (.LVW), symbol library (.KVS), plan, template (.KVT), plan. Every
// second library has no symbol definition. With eight files or more, the
// last three are broken instead (cut short, garbage, empty), named X_CUT,
// X_JUNK and X_EMPTY.
bool MakeSampleFolder(const char* folder, int count, unsigned variant) {
    if (!folder || !MakeFolder(folder)) return false;
    bool ok = true;
    int libraries = 0;
    for (int i = 0; i < count; ++i) {
        Random random = {variant * 2654435761u + static_cast<uint32_t>(i) * 40503u + 1u};
        random.Next();
        int number = i + 1;
        char path[MAX_PATH];
        int broken = count >= 8 ? i - (count - 3) : -1;
        // Named to sort after every drawing: a folder shows its drawings first.
        const char* const kBrokenNames[] = {"X_CUT", "X_JUNK", "X_EMPTY"};
        int written;
        if (broken >= 0) {
            written = snprintf(path, sizeof path, "%s\\%s%03d.KVW", folder, kBrokenNames[broken], number);
            if (written < 0 || written >= static_cast<int>(sizeof path)) return false;
            ok = MakeBroken(path, broken, random) && ok;
            continue;
        }
        HDL list = NewList(nullptr);
        if (!list) return false;
        switch (i % 8) {
        case 2:
            written = snprintf(path, sizeof path, "%s\\DETAIL%03d.KVD", folder, number);
            MakeDetail(list, number, random);
            break;
        case 3:
            written = snprintf(path, sizeof path, "%s\\PLAN%03d.LVW", folder, number);
            MakePlan(list, number, random);
            break;
        case 4:
            written = snprintf(path, sizeof path, "%s\\SYMB%03d.KVS", folder, number);
            MakeLibrary(list, number, libraries++ % 2 == 0);
            break;
        case 6:
            written = snprintf(path, sizeof path, "%s\\SHEET%03d.KVT", folder, number);
            MakeTemplate(list, number, random);
            break;
        default:
            written = snprintf(path, sizeof path, "%s\\PLAN%03d.KVW", folder, number);
            MakePlan(list, number, random);
            break;
        }
        LinkSymbolReferences(list);
        ok = written > 0 && written < static_cast<int>(sizeof path) && WriteNewDrawingFile(list, path) && ok;
        DLDestroy(list);
    }
    return ok;
}
