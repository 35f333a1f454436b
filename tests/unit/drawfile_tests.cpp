// The native drawing file: round trips, damaged and hostile files, saving
// over hidden files, DLLoad's choice of reader, and the sample maker.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "standin/drawing/drawlist_internal.h"
#include "standin/samples/samples.h"
#include "standin/standin.h"
#include "tests/support/folders.h"

namespace {

using Bytes = std::vector<unsigned char>;
// The size of a browse cache entry: saves of hundreds of them take a while.
const uint32_t kImageInfoSizeForTests = 43646;

// A private folder under the temporary folder, removed with its files.
struct TempFolder {
    std::string path;
    explicit TempFolder(const char* name) {
        char base[MAX_PATH];
        GetTempPathA(sizeof base, base);
        char folder[MAX_PATH];
        snprintf(folder, sizeof folder, "%sdrawfile_%lu_%s", base, GetCurrentProcessId(), name);
        path = folder;
        CreateDirectoryA(path.c_str(), nullptr);
    }
    ~TempFolder() {
        for (const std::string& name : Files()) {
            std::string file = path + "\\" + name;
            SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(file.c_str());
        }
        RemoveDirectoryA(path.c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string operator/(const char* name) const { return path + "\\" + name; }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return names;
    }
};

Bytes ReadBytes(const std::string& path) {
    Bytes data;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return data;
    unsigned char buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) data.insert(data.end(), buffer, buffer + got);
    fclose(file);
    return data;
}

uint32_t LengthOf(const HostEntity* entity) {
    uint32_t length;
    memcpy(&length, entity, 4);
    return length;
}

HostEntity* DefinitionOf(const HostEntity* reference) {
    HostEntity* definition;
    memcpy(&definition, reference + offsetof(SymbolRefRecord, definition), sizeof definition);
    return definition;
}

// Same entities, same bytes, same member lists; a reference's address is
// compared through the name of what it designates.
void ExpectSameTree(HDL a, HDL b, int depth = 0) {
    ASSERT_EQ(EntityCount(a), EntityCount(b)) << "depth " << depth;
    for (HostEntity *x = FirstEntity(a), *y = FirstEntity(b); x; x = NextEntity(x), y = NextEntity(y)) {
        uint32_t length = LengthOf(x);
        ASSERT_EQ(length, LengthOf(y));
        const size_t pointerAt = offsetof(SymbolRefRecord, definition);
        if (x[4] == kSymbolRef) {
            EXPECT_EQ(memcmp(x, y, pointerAt), 0);
            EXPECT_EQ(memcmp(x + pointerAt + 4, y + pointerAt + 4, length - pointerAt - 4), 0);
            ASSERT_EQ(DefinitionOf(x) != nullptr, DefinitionOf(y) != nullptr);
            if (DefinitionOf(y)) {
                EXPECT_TRUE(IsEntity(DefinitionOf(y)));
                EXPECT_STREQ(reinterpret_cast<const char*>(DefinitionOf(y) + offsetof(SymbolDefRecord, name)),
                             reinterpret_cast<const char*>(DefinitionOf(x) + offsetof(SymbolDefRecord, name)));
            }
        } else {
            EXPECT_EQ(memcmp(x, y, length), 0) << "type " << int(x[4]);
        }
        HDL membersX = MemberListOf(x), membersY = MemberListOf(y);
        ASSERT_EQ(membersX != nullptr, membersY != nullptr);
        if (membersX) ExpectSameTree(membersX, membersY, depth + 1);
    }
}

// What any loaded list must be, however damaged its file was.
void ExpectSoundTree(HDL list, int depth = 0) {
    ASSERT_LE(depth, kMaxNesting);
    int count = 0;
    for (HostEntity* e = FirstEntity(list); e; e = NextEntity(e)) {
        ++count;
        ASSERT_TRUE(IsWellFormedRecord(e, LengthOf(e)));
        if (e[4] == kSymbolRef && DefinitionOf(e)) {
            ASSERT_EQ(DefinitionOf(e)[4], kSymbolDef);
        }
        if (HDL members = MemberListOf(e)) ExpectSoundTree(members, depth + 1);
    }
    ASSERT_EQ(count, EntityCount(list));
}

// A drawing with every entity type, layers, nested members and references.
HDL EveryType() {
    HDL list = NewList("ALL.KVW");
    LayerRecord layers[] = {{0, 0, 0, "0"}, {0, 3, 1, "HIDDEN"}, {0, -2, 0, "NEG"}};
    SetLayers(list, layers, 3);
    HeaderBlock* header = HeaderOf(list);
    header->flags = 2;
    header->background = 7;
    header->min = {-1, -2, 0};
    header->max = {30, 40, 0};
    header->extentsValid = 1;
    SampleSheet s = {list, 3, 1, 3};
    AddLine(s, 0, 0, 10, 10);
    AddArc(s, 5, 5, 3, 0.5f, 2.5f);
    AddCircle(s, 1, 2, 3);
    const float xy[] = {0, 0, 1, 1, 2, 0, 3, 1};
    AddPolyline(s, xy, 4, false);
    AddPolyline(s, xy, 0, true);
    AddText(s, 1, 1, 2.5f, 0.3f, "Hello, drawing");
    AddText(s, 1, 1, 2.5f, 0, "");
    AddPoint(s, 7, 8);
    AddSolid(s, 0, 0, 4, 4);
    AddFrame(s, -1, -1, 31, 41);
    HDL def = AddSymbolDef(s, "Chair", -1, -1, 1, 1);
    AddCircle({def, 0, 0, 0}, 0, 0, 1);
    AddSymbolDef(s, "EMPTY", 0, 0, 0, 0);
    AddSymbolRef(s, "CHAIR", {{3, 4, 0}, 2, 0.5f, 1.0f}, 1);
    AddSymbolRef(s, "MISSING", {{3, 4, 0}, 1, 1, 0}, 1);
    AddViewMark(s, "VIEW", 0, 0, 5, 5);
    HDL outer = AddGroup(s, "OUTER", true);
    HDL inner = AddGroup({outer, 0, 0, 0}, "INNER", false);
    AddLine({inner, 0, 0, 0}, 1, 1, 2, 2);
    AddSymbolRef({inner, 0, 0, 0}, "chair", {{1, 1, 0}, 1, 1, 0}, 1);
    AddGroup(s, "NO MEMBERS", false);
    AddNote(s, "Heading", "line one\r\nline two\r\n");
    AddNote(s, "Empty", "");
    Bytes entry(43646, 0);
    for (size_t i = 0; i < entry.size(); ++i) entry[i] = static_cast<unsigned char>(i * 31 + 7);
    uint32_t length = 43646;
    memcpy(entry.data(), &length, 4);
    entry[4] = kCustom;
    HostEntity* custom = AppendRecord(list, entry.data(), length);
    AppendRecord(MembersOf(&custom), entry.data(), length);
    Bytes unknown(33, 0xEE);
    unknown[0] = 33;
    unknown[1] = unknown[2] = unknown[3] = 0;
    unknown[4] = 200;
    AppendRecord(list, unknown.data(), 33);
    LinkSymbolReferences(list);
    return list;
}

// The file of a small valid drawing.
Bytes SmallFile(const TempFolder& folder) {
    HDL list = NewList("SMALL.KVW");
    LayerRecord layer = {0, 1, 1, "L"};
    SetLayers(list, &layer, 1);
    SampleSheet s = {list, 0, 0, 1};
    AddLine(s, 0, 0, 1, 1);
    HDL def = AddSymbolDef(s, "S", 0, 0, 1, 1);
    AddCircle({def, 0, 0, 0}, 0, 0, 1);
    AddSymbolRef(s, "S", {{0, 0, 0}, 1, 1, 0}, 1);
    HDL group = AddGroup(s, "G", true);
    AddText({group, 0, 0, 0}, 0, 0, 1, 0, "t");
    AddNote(s, "N", "a\r\nb");
    std::string path = folder / "SMALL.KVW";
    EXPECT_TRUE(WriteDrawingFile(list, path.c_str()));
    DLDestroy(list);
    return ReadBytes(path);
}

TEST(DrawingFile, EveryEntityTypeSurvivesARoundTrip) {
    TempFolder folder("roundtrip");
    HDL list = EveryType();
    std::string path = folder / "ALL.KVW";
    ASSERT_EQ(DLSave(list, path.c_str()), 1);
    int status = 1;
    HDL loaded = DLLoad(path.c_str(), 46, &status);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(status, 0);
    ExpectSameTree(list, loaded);
    EXPECT_EQ(memcmp(DLGetIBAdr(list, 0, nullptr), DLGetIBAdr(loaded, 0, nullptr), sizeof(HeaderBlock)), 0);
    const LayerTableHead* head = static_cast<const LayerTableHead*>(DLGetIBAdr(loaded, 3, nullptr));
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(memcmp(DLGetIBAdr(list, 3, nullptr), head, head->size), 0);
    // Saved again, the loaded drawing gives the same file.
    std::string again = folder / "AGAIN.KVW";
    ASSERT_EQ(DLSave(loaded, again.c_str()), 1);
    EXPECT_EQ(ReadBytes(path), ReadBytes(again));
    DLDestroy(list);
    DLDestroy(loaded);
}

TEST(DrawingFile, ReferencesAreStoredWithoutAddressAndLinkedOnLoad) {
    TempFolder folder("refs");
    HDL list = EveryType();
    std::string path = folder / "REFS.KVW";
    ASSERT_TRUE(WriteDrawingFile(list, path.c_str()));
    Bytes data = ReadBytes(path);
    HDL loaded = ReadDrawingBytes(data.data(), data.size(), "REFS.KVW");
    ASSERT_NE(loaded, nullptr);
    int linked = 0;
    for (HostEntity* e = FirstEntity(loaded); e; e = NextEntity(e)) {
        if (e[4] != kSymbolRef) continue;
        // The stored bytes of this reference hold 0 where the address goes.
        size_t at = 0;
        for (; at + 52 < data.size(); ++at) {
            if (memcmp(data.data() + at, e, offsetof(SymbolRefRecord, definition)) == 0) break;
        }
        uint32_t stored;
        memcpy(&stored, data.data() + at + offsetof(SymbolRefRecord, definition), 4);
        EXPECT_EQ(stored, 0u);
        if (DefinitionOf(e)) {
            EXPECT_EQ(MemberListOf(DefinitionOf(e)) != nullptr, true);
            ++linked;
        }
    }
    EXPECT_EQ(linked, 1);   // "CHAIR" found as "Chair"; "MISSING" stays unlinked
    DLDestroy(list);
    DLDestroy(loaded);
}

TEST(DrawingFile, EveryPrefixOfAValidFileIsRefused) {
    TempFolder folder("prefix");
    Bytes data = SmallFile(folder);
    ASSERT_GT(data.size(), 200u);
    HDL whole = ReadDrawingBytes(data.data(), data.size(), "X");
    ASSERT_NE(whole, nullptr);
    DLDestroy(whole);
    for (size_t size = 0; size < data.size(); ++size) {
        HDL list = ReadDrawingBytes(data.data(), size, "X");
        EXPECT_EQ(list, nullptr) << size;
        if (list) DLDestroy(list);
    }
    Bytes longer = data;
    longer.push_back(0);
    EXPECT_EQ(ReadDrawingBytes(longer.data(), longer.size(), "X"), nullptr);
}

TEST(DrawingFile, RandomByteChangesGiveNullOrASoundList) {
    TempFolder folder("random");
    Bytes data = SmallFile(folder);
    uint32_t state = 12345;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    int loaded = 0;
    for (int round = 0; round < 4000; ++round) {
        Bytes damaged = data;
        int changes = 1 + next() % 4;
        for (int i = 0; i < changes; ++i) {
            size_t at = next() % damaged.size();
            // Small values hit lengths and counts where they matter most.
            damaged[at] = (next() % 3 == 0) ? static_cast<unsigned char>(next() % 4) : static_cast<unsigned char>(next());
        }
        HDL list = ReadDrawingBytes(damaged.data(), damaged.size(), "X");
        if (!list) continue;
        ++loaded;
        ExpectSoundTree(list);
        DLDestroy(list);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(loaded, 0);   // changes inside coordinates still load
}

// Offsets in a file: magic 8, version 4, flags 4, header 64.
enum { kHeaderAt = 16, kBodyAt = 80 };

Bytes Start(uint32_t flags = 0) {
    Bytes data = {'K', 'V', 'D', 'R', 'A', 'W', 0x1A, 0, 1, 0, 0, 0};
    data.insert(data.end(), reinterpret_cast<unsigned char*>(&flags), reinterpret_cast<unsigned char*>(&flags) + 4);
    HeaderBlock header = {};
    header.size = 64;
    data.insert(data.end(), reinterpret_cast<unsigned char*>(&header), reinterpret_cast<unsigned char*>(&header) + 64);
    return data;
}

void Put32(Bytes& data, uint32_t value) {
    data.insert(data.end(), reinterpret_cast<unsigned char*>(&value), reinterpret_cast<unsigned char*>(&value) + 4);
}

void PutLine(Bytes& data, uint32_t members) {
    LineRecord line = {};
    line.head.length = sizeof line;
    line.head.type = kLine;
    data.insert(data.end(), reinterpret_cast<unsigned char*>(&line), reinterpret_cast<unsigned char*>(&line) + sizeof line);
    Put32(data, members);
}

bool Loads(const Bytes& data) {
    HDL list = ReadDrawingBytes(data.data(), data.size(), "X");
    if (list) DLDestroy(list);
    return list != nullptr;
}

// Nested lines, each the only member of the one before.
Bytes Nested(int levels) {
    Bytes data = Start();
    Put32(data, 1);
    for (int i = 0; i < levels; ++i) PutLine(data, 1);
    PutLine(data, 0xFFFFFFFF);
    return data;
}

TEST(DrawingFile, HostileLengthsAndCountsAreRefused) {
    Bytes empty = Start();
    Put32(empty, 0);
    EXPECT_TRUE(Loads(empty));

    Bytes hugeCount = Start();
    Put32(hugeCount, 0xFFFFFFF0);
    PutLine(hugeCount, 0xFFFFFFFF);
    EXPECT_FALSE(Loads(hugeCount));

    Bytes lengthZero = Start();
    Put32(lengthZero, 1);
    PutLine(lengthZero, 0xFFFFFFFF);
    memset(lengthZero.data() + kBodyAt + 4, 0, 4);
    EXPECT_FALSE(Loads(lengthZero));

    Bytes pastEnd = Start();
    Put32(pastEnd, 1);
    PutLine(pastEnd, 0xFFFFFFFF);
    uint32_t tooLong = 200;
    memcpy(pastEnd.data() + kBodyAt + 4, &tooLong, 4);
    EXPECT_FALSE(Loads(pastEnd));

    Bytes hugeLength = pastEnd;
    uint32_t huge = 0xFFFFFFF0;
    memcpy(hugeLength.data() + kBodyAt + 4, &huge, 4);
    EXPECT_FALSE(Loads(hugeLength));

    Bytes hugeMembers = Start();
    Put32(hugeMembers, 1);
    PutLine(hugeMembers, 0x7FFFFFFF);
    EXPECT_FALSE(Loads(hugeMembers));

    Bytes hugeLayers = Start(1);
    Put32(hugeLayers, 0x40000000);
    Put32(hugeLayers, 0);
    EXPECT_FALSE(Loads(hugeLayers));

    Bytes badLayer = Start(1);
    Put32(badLayer, 1);
    LayerRecord layer = {39, 1, 0, "x"};
    badLayer.insert(badLayer.end(), reinterpret_cast<unsigned char*>(&layer), reinterpret_cast<unsigned char*>(&layer) + 40);
    Put32(badLayer, 0);
    EXPECT_FALSE(Loads(badLayer));

    Bytes unknownFlag = Start(4);
    Put32(unknownFlag, 0);
    EXPECT_FALSE(Loads(unknownFlag));

    Bytes badVersion = empty;
    badVersion[8] = 2;
    EXPECT_FALSE(Loads(badVersion));
    Bytes badMagic = empty;
    badMagic[0] = 'X';
    EXPECT_FALSE(Loads(badMagic));
    Bytes badHeader = empty;
    badHeader[kHeaderAt] = 63;
    EXPECT_FALSE(Loads(badHeader));
}

TEST(DrawingFile, NestingDeeperThanTheLimitIsRefused) {
    EXPECT_TRUE(Loads(Nested(kMaxNesting)));
    EXPECT_FALSE(Loads(Nested(kMaxNesting + 1)));
    EXPECT_FALSE(Loads(Nested(100000)));
}

TEST(DrawingFile, MalformedRecordInsideAValidFrameIsRefused) {
    Bytes data = Start();
    Put32(data, 1);
    TextRecord text = {};
    text.head.length = sizeof text + 4;
    text.head.type = kText;
    data.insert(data.end(), reinterpret_cast<unsigned char*>(&text), reinterpret_cast<unsigned char*>(&text) + sizeof text);
    Put32(data, 0x41414141);   // text without its terminator
    Put32(data, 0xFFFFFFFF);
    EXPECT_FALSE(Loads(data));
    data[kBodyAt + 4 + sizeof text + 3] = 0;
    EXPECT_TRUE(Loads(data));
}

TEST(DLSave, ReplacesAHiddenOrReadOnlyFileAndLeavesNoTemporaryFile) {
    TempFolder folder("hidden");
    std::string path = folder / "~BRINFO.KVW";
    HDL first = EveryType();
    ASSERT_EQ(DLSave(first, path.c_str()), 1);
    for (DWORD attributes : {DWORD(FILE_ATTRIBUTE_HIDDEN), DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
                             DWORD(FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN)}) {
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes));
        HDL second = NewList("SECOND");
        AddCircle({second, 0, 0, 0}, 1, 1, 1);
        ASSERT_EQ(DLSave(second, path.c_str()), 1) << attributes;
        HDL loaded = DLLoad(path.c_str(), 8, nullptr);
        ASSERT_NE(loaded, nullptr);
        ExpectSameTree(second, loaded);
        DLDestroy(loaded);
        DLDestroy(second);
    }
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"~BRINFO.KVW"});
    DLDestroy(first);
}

TEST(DLSave, FailsIntoAMissingFolderAndLeavesTheOldFileOtherwise) {
    TempFolder folder("missing");
    HDL list = EveryType();
    std::string nowhere = folder / "NO\\SUCH\\A.KVW";
    EXPECT_EQ(DLSave(list, nowhere.c_str()), 0);
    EXPECT_TRUE(folder.Files().empty());
    DLDestroy(list);
}

// A list of `count` custom records of `size` bytes, the first byte after
// the head telling the lists apart.
HDL CustomRecords(int count, uint32_t size, unsigned char mark) {
    HDL list = NewList("BIG");
    Bytes record(size, 0);
    memcpy(record.data(), &size, 4);
    record[4] = kCustom;
    record[28] = mark;
    for (int i = 0; i < count; ++i) {
        if (!AppendRecord(list, record.data(), size)) {
            DLDestroy(list);
            return nullptr;
        }
    }
    return list;
}


// Regression: a cache over 256 MiB was written but never read back, and a
// save of that size built the whole file in one buffer first.
TEST(DLSave, AFileLargerThan256MiBIsWrittenAndReadBack) {
    TempFolder folder("large");
    std::string path = folder / "~BRINFO.KVW";
    HDL list = CustomRecords(17, kMaxRecordLength, 7);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(DLSave(list, path.c_str()), 1);
    DLDestroy(list);
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_GT(data.nFileSizeLow, 256u << 20);
    HDL loaded = DLLoad(path.c_str(), 8, nullptr);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(EntityCount(loaded), 17);
    EXPECT_EQ(FirstEntity(loaded)[28], 7);
    DLDestroy(loaded);
}

TEST(DLSave, RemovesOnlyStaleTemporariesOfItsOwnPattern) {
    TempFolder folder("stale");
    for (const char* name : {"~kv32-1-1.tmp", "~kv32-1-2.tmp", "~kv32-1-3.tmp", "other.tmp", "~kv32-1-4.KVW"}) {
        FILE* file = fopen((folder / name).c_str(), "wb");
        fputs("left over", file);
        fclose(file);
        SetFileAge(folder / name, 120);
    }
    SetFileAge(folder / "~kv32-1-2.tmp", 10);  // a save that may still be running
    HANDLE held = CreateFileA((folder / "~kv32-1-3.tmp").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    HDL list = EveryType();
    ASSERT_EQ(DLSave(list, (folder / "A.KVW").c_str()), 1);
    CloseHandle(held);
    std::vector<std::string> files = folder.Files();
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"A.KVW", "other.tmp", "~kv32-1-2.tmp", "~kv32-1-3.tmp", "~kv32-1-4.KVW"}));
    DLDestroy(list);
}

// The stand-in host beside this test program.
std::string HostPath() {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path = self;
    for (int up = 0; up < 3; ++up) path = path.substr(0, path.find_last_of('\\'));
    return path + "\\kv32.exe";
}

// kv32.exe running `save-loop SOURCE TARGET COUNT` in `folder`.
PROCESS_INFORMATION StartSavingHost(const TempFolder& folder, const char* source, const char* target, int count,
                                    const char* tag) {
    std::string script = folder / (std::string(tag) + ".script").c_str();
    FILE* file = fopen(script.c_str(), "wb");
    fprintf(file, "save-loop %s %s %d\nend\n", source, target, count);
    fclose(file);
    std::string line = "\"" + HostPath() + "\" /work:" + folder.path + " /script:" + script +
                       " /transcript:" + (folder / (std::string(tag) + ".txt").c_str()) + " /timeout:120";
    STARTUPINFOA startup = {sizeof startup};
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINNOACTIVE;  // out of the way of any other run's windows
    PROCESS_INFORMATION process = {};
    EXPECT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.path.c_str(), &startup,
                               &process));
    return process;
}

DWORD WaitForHost(PROCESS_INFORMATION& process) {
    WaitForSingleObject(process.hProcess, 300000);
    DWORD code = 999;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// Which of the two saved drawings the file holds: its mark, or -1 when it
// does not load whole.
int MarkOf(const std::string& path) {
    HDL loaded = DLLoad(path.c_str(), 8, nullptr);
    int mark = loaded && EntityCount(loaded) > 0 ? FirstEntity(loaded)[28] : -1;
    if (loaded) DLDestroy(loaded);
    return mark;
}

// A file of `count` entry-sized records marked `mark`.
bool SaveMarked(const std::string& path, int count, unsigned char mark) {
    HDL list = CustomRecords(count, kImageInfoSizeForTests, mark);
    bool saved = list && DLSave(list, path.c_str()) == 1;
    if (list) DLDestroy(list);
    return saved;
}

// True once the host of that process has begun a save in the folder.
bool SaveBegun(const TempFolder& folder, DWORD processId) {
    char pattern[64];
    snprintf(pattern, sizeof pattern, "~kv32-%lu-*.tmp", processId);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder / pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

TEST(DLSave, AHostKilledWhileSavingLeavesTheOldOrTheNewFileAndNoTemporaryForLong) {
    TempFolder folder("killed");
    ASSERT_TRUE(SaveMarked(folder / "OLD.KVW", 300, 1));
    ASSERT_TRUE(SaveMarked(folder / "NEW.KVW", 300, 2));
    std::vector<int> marks;
    for (int moment = 0; moment < 10; ++moment) {
        ASSERT_TRUE(CopyFileA((folder / "OLD.KVW").c_str(), (folder / "~BRINFO.KVW").c_str(), FALSE));
        PROCESS_INFORMATION host = StartSavingHost(folder, "NEW.KVW", "~BRINFO.KVW", 1000, "killed");
        for (int waited = 0; waited < 60000 && !SaveBegun(folder, host.dwProcessId); ++waited) Sleep(1);
        Sleep(moment * 20);  // from the first bytes of the first save to some saves later
        TerminateProcess(host.hProcess, 9);
        WaitForHost(host);
        marks.push_back(MarkOf(folder / "~BRINFO.KVW"));
        EXPECT_TRUE(marks.back() == 1 || marks.back() == 2) << "moment " << moment;
    }
    EXPECT_NE(std::find(marks.begin(), marks.end(), 1), marks.end()) << "no kill hit the first save";
    // Whatever the kills left is stale a minute later: the next save clears it.
    int left = 0;
    for (const std::string& name : folder.Files()) {
        if (name.compare(0, 6, "~kv32-") != 0) continue;
        SetFileAge(folder / name.c_str(), 120);
        ++left;
    }
    EXPECT_GT(left, 0) << "no kill hit a save in progress";
    HDL list = CustomRecords(1, 64, 3);
    ASSERT_EQ(DLSave(list, (folder / "~BRINFO.KVW").c_str()), 1);
    DLDestroy(list);
    for (const std::string& name : folder.Files()) EXPECT_NE(name.compare(0, 6, "~kv32-"), 0) << name;
    EXPECT_EQ(MarkOf(folder / "~BRINFO.KVW"), 3);
}

TEST(DLSave, TwoHostsLoadingAndSavingOneFolderBothFinishWithAWholeFile) {
    TempFolder folder("twohosts");
    ASSERT_TRUE(SaveMarked(folder / "ONE.KVW", 200, 1));
    ASSERT_TRUE(SaveMarked(folder / "TWO.KVW", 200, 2));
    PROCESS_INFORMATION one = StartSavingHost(folder, "ONE.KVW", "~BRINFO.KVW", 25, "one");
    PROCESS_INFORMATION two = StartSavingHost(folder, "TWO.KVW", "~BRINFO.KVW", 25, "two");
    // A third user keeps reading the file meanwhile: it is always whole.
    int reads = 0, whole = 0;
    while (WaitForSingleObject(one.hProcess, 0) == WAIT_TIMEOUT || WaitForSingleObject(two.hProcess, 0) == WAIT_TIMEOUT) {
        if (GetFileAttributesA((folder / "~BRINFO.KVW").c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        int mark = MarkOf(folder / "~BRINFO.KVW");
        ++reads;
        whole += mark == 1 || mark == 2;
        Sleep(50);
    }
    EXPECT_EQ(WaitForHost(one), 0u) << folder.path;
    EXPECT_EQ(WaitForHost(two), 0u);
    EXPECT_EQ(whole, reads);
    for (const char* transcript : {"one.txt", "two.txt"}) {
        Bytes text = ReadBytes(folder / transcript);
        std::string lines(text.begin(), text.end());
        EXPECT_NE(lines.find("saved ~BRINFO.KVW 25 of 25"), std::string::npos) << lines;
    }
    int mark = MarkOf(folder / "~BRINFO.KVW");
    EXPECT_TRUE(mark == 1 || mark == 2);
}

TEST(DLLoad, ChoosesTheReaderByExtension) {
    TempFolder folder("extension");
    HDL list = EveryType();
    for (const char* name : {"A.KVW", "B.kvs", "C.LVW", "D.KVT", "E.KVD", "NOEXT"}) {
        ASSERT_EQ(DLSave(list, (folder / name).c_str()), 1);
        int status = 1;
        HDL loaded = DLLoad((folder / name).c_str(), 46, &status);
        EXPECT_NE(loaded, nullptr) << name;
        EXPECT_EQ(status, 0) << name;
        if (loaded) DLDestroy(loaded);
    }
    // A native drawing named .DWG or .DXF is not read as one.
    for (const char* name : {"F.DWG", "G.dxf"}) {
        ASSERT_EQ(DLSave(list, (folder / name).c_str()), 1);
        int status = 0;
        EXPECT_EQ(DLLoad((folder / name).c_str(), 46, &status), nullptr) << name;
        EXPECT_NE(status, 0);
    }
    int status = 0;
    EXPECT_EQ(DLLoad((folder / "NONE.KVW").c_str(), 46, &status), nullptr);
    EXPECT_NE(status, 0);
    EXPECT_EQ(DLLoad((folder / "NONE.KVW").c_str(), 46, nullptr), nullptr);
    DLDestroy(list);
}

bool HasType(HDL list, uint8_t type, int depth = 0) {
    for (HostEntity* e = FirstEntity(list); e; e = NextEntity(e)) {
        if (e[4] == type) return true;
        if (MemberListOf(e) && depth < 4 && HasType(MemberListOf(e), type, depth + 1)) return true;
    }
    return false;
}

TEST(MakeSampleFolder, WritesLoadableVariedDrawingsAndThreeBrokenOnes) {
    TempFolder folder("samples");
    std::string samples = folder / "SAMPLES";
    ASSERT_TRUE(MakeSampleFolder(samples.c_str(), 16, 7));
    TempFolder inner("samples\\SAMPLES");
    std::vector<std::string> names = inner.Files();
    ASSERT_EQ(names.size(), 16u);
    int broken = 0, libraries = 0, librariesWithout = 0, hiddenLayers = 0;
    std::vector<uint8_t> types;
    std::vector<std::string> drawings, brokenNames;
    for (const std::string& name : names) {
        HDL list = DLLoad((inner / name.c_str()).c_str(), 46, nullptr);
        if (!list) {
            ++broken;
            brokenNames.push_back(name);
            continue;
        }
        drawings.push_back(name);
        ExpectSoundTree(list);
        for (uint8_t type : {kLine, kArc, kCircle, kPolyline, kText, kPoint, kSolid, kFrame, kSymbolDef,
                             kSymbolRef, kViewMark, kGroup, kNote}) {
            if (HasType(list, type)) types.push_back(type);
        }
        if (name.size() > 4 && name.substr(name.size() - 4) == ".KVS") {
            ++libraries;
            librariesWithout += !HasType(list, kSymbolDef);
        }
        if (const unsigned char* layers = static_cast<const unsigned char*>(DLGetIBAdr(list, 3, nullptr))) {
            LayerTableHead head;
            memcpy(&head, layers, sizeof head);
            for (uint32_t i = 0; i < head.count; ++i) {
                LayerRecord layer;
                memcpy(&layer, layers + 16 + i * sizeof layer, sizeof layer);
                hiddenLayers += layer.flags & 1;
            }
        }
        for (HostEntity* e = FirstEntity(list); e; e = NextEntity(e)) {
            if (e[4] == kSymbolRef) {
                EXPECT_NE(DefinitionOf(e), nullptr) << name;
            }
        }
        DLDestroy(list);
    }
    EXPECT_EQ(broken, 3);
    // A folder's listing (and the browser's first row) starts with drawings.
    for (const std::string& bad : brokenNames)
        for (const std::string& good : drawings) EXPECT_GT(lstrcmpiA(bad.c_str(), good.c_str()), 0) << bad;
    EXPECT_EQ(libraries, 2);
    EXPECT_EQ(librariesWithout, 1);
    EXPECT_GT(hiddenLayers, 0);
    for (uint8_t type : {kLine, kArc, kCircle, kPolyline, kText, kPoint, kSolid, kFrame, kSymbolDef, kSymbolRef,
                         kViewMark, kGroup, kNote}) {
        EXPECT_NE(std::count(types.begin(), types.end(), type), 0) << int(type);
    }
}

TEST(MakeSampleFolder, SameSeedSameBytesOtherSeedOtherDrawings) {
    TempFolder a("seedA"), b("seedB"), c("seedC");
    ASSERT_TRUE(MakeSampleFolder(a.path.c_str(), 3, 5));
    ASSERT_TRUE(MakeSampleFolder(b.path.c_str(), 3, 5));
    ASSERT_TRUE(MakeSampleFolder(c.path.c_str(), 3, 6));
    EXPECT_EQ(ReadBytes(a / "PLAN001.KVW"), ReadBytes(b / "PLAN001.KVW"));
    EXPECT_NE(ReadBytes(a / "PLAN001.KVW"), ReadBytes(c / "PLAN001.KVW"));
    EXPECT_EQ(ReadBytes(a / "DETAIL003.KVD"), ReadBytes(b / "DETAIL003.KVD"));
}

}  // namespace
