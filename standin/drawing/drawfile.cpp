// The host's native drawing file (KVW, KVD, LVW, KVT, KVS), and DLLoad and
// DLSave on top of it. The layout is described in standin/README.md.
//
// Files are untrusted: the reader checks every field against the bytes left
// in the file before it reads it, so a damaged file is refused (null), never
// over-read, and a count is believed only as far as the file's size allows.
#include "standin/drawing/drawlist_internal.h"
#include "standin/standin.h"

#include "module/savetemporaries.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

static const unsigned char kMagic[8] = {'K', 'V', 'D', 'R', 'A', 'W', 0x1A, 0};
enum : uint32_t {
    kFormatVersion = 1,
    kHasLayers = 1,                  // file flag: a layer table follows the header
    kNoMembers = 0xFFFFFFFFu,        // member count of an entity without a member list
    kMaxLayers = 65536,
};
// Smallest stored entity: a 28-byte record and its member count.
enum { kMinStoredEntity = sizeof(EntityHead) + 4 };

// ---- Reading ----

// The file is read through a bounded buffer, never whole: a cache of several
// hundred megabytes is loaded in about its own size of memory. Records are
// written straight into their nodes. The same reader serves bytes already in
// memory (no file: the buffer is the whole input).
struct Reader {
    HANDLE file;                // INVALID_HANDLE_VALUE: everything is in the buffer
    uint64_t fileLeft;          // bytes of the file not read into the buffer yet
    unsigned char* buffer;
    size_t capacity;
    size_t at, end;             // unread bytes of the buffer
};
enum : size_t { kReadBuffer = 256 * 1024 };

static uint64_t Left(const Reader& reader) { return (reader.end - reader.at) + reader.fileLeft; }

// At least `size` (at most the buffer's capacity) unread bytes in the buffer.
static bool Fill(Reader& reader, size_t size) {
    if (reader.end - reader.at >= size) return true;
    if (size > reader.capacity || reader.file == INVALID_HANDLE_VALUE || Left(reader) < size) return false;
    memmove(reader.buffer, reader.buffer + reader.at, reader.end - reader.at);
    reader.end -= reader.at;
    reader.at = 0;
    size_t room = reader.capacity - reader.end;
    DWORD wanted = static_cast<DWORD>(reader.fileLeft < room ? reader.fileLeft : room);
    DWORD got = 0;
    if (!ReadFile(reader.file, reader.buffer + reader.end, wanted, &got, nullptr) || got != wanted) return false;
    reader.end += got;
    reader.fileLeft -= got;
    return reader.end - reader.at >= size;
}

static bool ReadU32(Reader& reader, uint32_t* value) {
    if (!Fill(reader, 4)) return false;
    memcpy(value, reader.buffer + reader.at, 4);
    reader.at += 4;
    return true;
}

// Copies `size` bytes to out through the buffer. A read straight into a
// record's fresh memory looks cheaper but is not: under Wine the system
// faults those pages in from inside the read, and 650 MB of records took
// 530-580 ms that way against 50 ms of reads into the buffer and 280 ms of
// copies into the same fresh memory.
static bool ReadBytes(Reader& reader, unsigned char* out, uint64_t size) {
    if (Left(reader) < size) return false;
    while (size > 0) {
        if (reader.end == reader.at && !Fill(reader, 1)) return false;
        size_t buffered = reader.end - reader.at;
        size_t part = buffered < size ? buffered : static_cast<size_t>(size);
        memcpy(out, reader.buffer + reader.at, part);
        reader.at += part;
        out += part;
        size -= part;
    }
    return true;
}

static bool FillRecord(void* context, unsigned char* out, uint32_t size) {
    return ReadBytes(*static_cast<Reader*>(context), out, size);
}

static bool ReadEntities(Reader& reader, HDL list, uint32_t count, int depth);

// One stored entity: its record, then its member count (kNoMembers when it
// has no member list) and its members.
static bool ReadEntity(Reader& reader, HDL list, int depth) {
    uint32_t length;
    if (!Fill(reader, 4)) return false;
    memcpy(&length, reader.buffer + reader.at, 4);
    if (length < sizeof(EntityHead) || length > kMaxRecordLength || Left(reader) < length) return false;
    HostEntity* entity = AppendRecordFilled(list, length, FillRecord, &reader);
    uint32_t members;
    if (!entity || !ReadU32(reader, &members)) return false;
    if (members == kNoMembers) return true;
    if (depth >= kMaxNesting) return false;
    HDL memberList = MembersOf(&entity);
    return memberList && ReadEntities(reader, memberList, members, depth + 1);
}

// A count is believed only as far as the bytes left could hold it.
static bool ReadEntities(Reader& reader, HDL list, uint32_t count, int depth) {
    if (count > Left(reader) / kMinStoredEntity) return false;
    for (uint32_t i = 0; i < count; ++i) {
        if (!ReadEntity(reader, list, depth)) return false;
    }
    return true;
}

static bool ReadLayers(Reader& reader, HDL list) {
    uint32_t count;
    if (!ReadU32(reader, &count) || count > kMaxLayers || count > Left(reader) / sizeof(LayerRecord)) {
        return false;
    }
    std::vector<LayerRecord> layers(count);
    if (count && !ReadBytes(reader, reinterpret_cast<unsigned char*>(layers.data()), count * sizeof(LayerRecord))) {
        return false;
    }
    for (const LayerRecord& layer : layers) {
        if (layer.length != sizeof(LayerRecord) || !memchr(layer.name, 0, sizeof layer.name)) return false;
    }
    SetLayers(list, layers.data(), static_cast<int>(count));
    return list->layers != nullptr;
}

static bool ParseDrawing(Reader& reader, HDL list) {
    unsigned char magic[sizeof kMagic];
    uint32_t version, flags;
    if (!ReadBytes(reader, magic, sizeof magic) || memcmp(magic, kMagic, sizeof kMagic) != 0 ||
        !ReadU32(reader, &version) || version != kFormatVersion || !ReadU32(reader, &flags) ||
        (flags & ~kHasLayers)) {
        return false;
    }
    HeaderBlock header;
    if (!ReadBytes(reader, reinterpret_cast<unsigned char*>(&header), sizeof header)) return false;
    memcpy(HeaderOf(list), &header, sizeof header);
    if (HeaderOf(list)->size != sizeof(HeaderBlock)) return false;
    if ((flags & kHasLayers) && !ReadLayers(reader, list)) return false;
    uint32_t count;
    return ReadU32(reader, &count) && ReadEntities(reader, list, count, 0) && Left(reader) == 0;
}

static const char* FileNameOf(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
    }
    return name;
}

// A list that fails to parse, or that memory runs out for, is dropped whole.
static HDL ParseList(Reader& reader, const char* name) {
    HDL list = NewList(name);
    bool ok = false;
    try {
        ok = list && ParseDrawing(reader, list);
    } catch (...) {
        ok = false;
    }
    if (list && !ok) {
        DestroyList(list);
        list = nullptr;
    }
    if (list) LinkSymbolReferences(list);
    return list;
}

HDL ReadDrawingBytes(const void* data, size_t size, const char* name) {
    if (!data) return nullptr;
    Reader reader = {INVALID_HANDLE_VALUE, 0, static_cast<unsigned char*>(const_cast<void*>(data)), size, 0, size};
    return ParseList(reader, name);
}

// Every load reads through the same buffer, made once: a batch of pictures
// loads thousands of drawings, and a 256 KiB allocation for each had Wine's
// allocator walk the heap's free blocks, 38 % of the host's time late in a
// batch of 30,000. A load on another thread while one runs (none does
// today) takes a buffer of its own.
static unsigned char* g_readBuffer;          // made by the first load, kept
static volatile LONG g_readBufferTaken;      // a load is reading through it

static unsigned char* TakeReadBuffer() {
    if (InterlockedExchange(&g_readBufferTaken, 1) == 0) {
        if (!g_readBuffer) g_readBuffer = static_cast<unsigned char*>(malloc(kReadBuffer));
        if (g_readBuffer) return g_readBuffer;
        InterlockedExchange(&g_readBufferTaken, 0);
    }
    return static_cast<unsigned char*>(malloc(kReadBuffer));
}

static void GiveBackReadBuffer(unsigned char* buffer) {
    if (buffer && buffer == g_readBuffer) InterlockedExchange(&g_readBufferTaken, 0);
    else free(buffer);
}

// Shared reading, deletion included: where the system allows it, another
// host's save may replace the file while this one reads the old bytes.
HDL ReadDrawingFile(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    HDL list = nullptr;
    LARGE_INTEGER size;
    unsigned char* buffer = TakeReadBuffer();
    if (buffer && GetFileSizeEx(file, &size) && size.QuadPart >= 0) {
        Reader reader = {file, static_cast<uint64_t>(size.QuadPart), buffer, kReadBuffer, 0, 0};
        list = ParseList(reader, FileNameOf(path));
    }
    GiveBackReadBuffer(buffer);
    CloseHandle(file);
    return list;
}

// ---- Writing ----

// The file is written through a bounded buffer: saving never needs a second
// copy of the drawing in memory. Large records go to the file directly.
struct Writer {
    HANDLE file;
    unsigned char* buffer;
    size_t used;
    bool ok;
};
enum : size_t { kWriteBuffer = 256 * 1024 };

static void Flush(Writer& writer) {
    if (!writer.ok || writer.used == 0) return;
    DWORD written = 0;
    writer.ok = WriteFile(writer.file, writer.buffer, static_cast<DWORD>(writer.used), &written, nullptr) &&
                written == writer.used;
    writer.used = 0;
}

static void Put(Writer& writer, const void* bytes, size_t size) {
    if (!writer.ok) return;
    if (writer.used + size > kWriteBuffer) Flush(writer);
    if (size >= kWriteBuffer / 2) {
        DWORD written = 0;
        writer.ok = writer.ok && WriteFile(writer.file, bytes, static_cast<DWORD>(size), &written, nullptr) &&
                    written == size;
        return;
    }
    memcpy(writer.buffer + writer.used, bytes, size);
    writer.used += size;
}

static void PutU32(Writer& writer, uint32_t value) { Put(writer, &value, 4); }

static bool PutEntities(Writer& writer, HDL list, int depth) {
    if (depth > kMaxNesting) return false;
    PutU32(writer, static_cast<uint32_t>(list->count));
    for (const EntityNode* node = list->first; node && writer.ok; node = node->next) {
        uint32_t length;
        memcpy(&length, node->record, 4);
        if (node->record[4] == kSymbolRef) {
            // A reference stores no address: its name finds the definition again.
            const uint32_t at = offsetof(SymbolRefRecord, definition), none = 0;
            Put(writer, node->record, at);
            Put(writer, &none, 4);
            Put(writer, node->record + at + 4, length - at - 4);
        } else {
            Put(writer, node->record, length);
        }
        if (!node->members) {
            PutU32(writer, kNoMembers);
        } else if (!PutEntities(writer, node->members, depth + 1)) {
            return false;
        }
    }
    return writer.ok;
}

static bool EncodeDrawing(HDL list, Writer& writer) {
    Put(writer, kMagic, sizeof kMagic);
    PutU32(writer, kFormatVersion);
    PutU32(writer, list->layers ? uint32_t(kHasLayers) : 0u);
    HeaderBlock header = list->header;
    header.size = sizeof header;
    Put(writer, &header, sizeof header);
    if (list->layers) {
        LayerTableHead head;
        memcpy(&head, list->layers, sizeof head);
        PutU32(writer, head.count);
        Put(writer, list->layers + sizeof head, head.count * sizeof(LayerRecord));
    }
    if (!PutEntities(writer, list, 0)) return false;
    Flush(writer);
    return writer.ok;
}

// Moves the finished file over the old one. Windows refuses to replace a
// read-only target this way (ERROR_ACCESS_DENIED), and hidden or system
// targets trip up ReplaceFile and CREATE_ALWAYS; the browse cache is hidden.
// So when the move fails on such a target, its attributes are cleared and
// the move is tried once more; the caller sets the attributes it wants
// afterwards. Wine's MoveFileEx replaces all of them at the first try.
static bool ReplaceWith(const char* temporary, const char* path) {
    const DWORD how = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (MoveFileExA(temporary, path, how)) return true;
    DWORD attributes = GetFileAttributesA(path);
    const DWORD kInTheWay = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & kInTheWay) ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return false;
    }
    if (!SetFileAttributesA(path, attributes & ~kInTheWay)) return false;
    if (MoveFileExA(temporary, path, how)) return true;
    SetFileAttributesA(path, attributes);
    return false;
}

// Another host on the same folder (a file server's normal case) may be
// reading the target: no system replaces a file that is open (Wine refuses
// even when the reader shares deletion), so the move is retried for as long
// as a large cache takes to load, about ten seconds, before the save fails.
static bool ReplaceWithRetries(const char* temporary, const char* path) {
    enum { kAttempts = 200, kPauseMs = 50 };
    for (int attempt = 0;; ++attempt) {
        if (ReplaceWith(temporary, path)) return true;
        DWORD error = GetLastError();
        if (attempt >= kAttempts || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)) return false;
        // Said once per save, so that a run shows when a save had to wait.
        if (attempt == 0) Record("save-wait", path);
        Sleep(kPauseMs);
    }
}

static HANDLE CreateTemporary(const char* folder, char* temporary, size_t size) {
    static LONG counter;
    for (int attempt = 0; attempt < 100; ++attempt) {
        int written = snprintf(temporary, size, "%s\\%s%lu-%ld.tmp", folder, savetemp::kPrefix, GetCurrentProcessId(),
                               InterlockedIncrement(&counter));
        if (written < 0 || static_cast<size_t>(written) >= size) return INVALID_HANDLE_VALUE;
        HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return INVALID_HANDLE_VALUE;
}

// The folder part of a path, without its last separator; "." for a bare name.
static bool FolderOf(const char* path, char* folder, size_t size) {
    size_t folderLength = FileNameOf(path) - path;
    if (folderLength >= size) return false;
    memcpy(folder, path, folderLength);
    folder[folderLength] = '\0';
    if (folderLength && (folder[folderLength - 1] == '\\' || folder[folderLength - 1] == '/')) {
        folder[folderLength - 1] = '\0';
    }
    if (!folderLength) strcpy(folder, ".");
    return true;
}

bool WriteDrawingFile(HDL list, const char* path) {
    if (!IsList(list) || !path) return false;
    char folder[MAX_PATH];
    if (!FolderOf(path, folder, sizeof folder)) return false;
    char temporary[MAX_PATH];
    HANDLE file = CreateTemporary(folder, temporary, sizeof temporary);
    if (file == INVALID_HANDLE_VALUE) return false;
    Writer writer = {file, static_cast<unsigned char*>(malloc(kWriteBuffer)), 0, true};
    writer.ok = writer.buffer != nullptr;
    bool ok = EncodeDrawing(list, writer) && FlushFileBuffers(file);
    free(writer.buffer);
    CloseHandle(file);
    ok = ok && ReplaceWithRetries(temporary, path);
    if (!ok) DeleteFileA(temporary);
    return ok;
}

bool WriteNewDrawingFile(HDL list, const char* path) {
    if (!IsList(list) || !path) return false;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    Writer writer = {file, static_cast<unsigned char*>(malloc(kWriteBuffer)), 0, true};
    writer.ok = writer.buffer != nullptr;
    bool ok = EncodeDrawing(list, writer);
    free(writer.buffer);
    CloseHandle(file);
    if (!ok) DeleteFileA(path);
    return ok;
}

// ---- Services ----

// The extension after the last dot of the file name, or "".
static const char* ExtensionOf(const char* path) {
    const char* name = FileNameOf(path);
    const char* dot = strrchr(name, '.');
    return dot ? dot + 1 : "";
}

extern "C" HDL DLLoad(const char* path, int flags, int* status) {
    HDL list = Guarded<HDL>(nullptr, [&]() -> HDL {
        if (!path) {
            RecordError("DLLoad: no path");
            return nullptr;
        }
        if (lstrcmpiA(ExtensionOf(path), "DXF") == 0) return ReadDxfFile(path);
        if (lstrcmpiA(ExtensionOf(path), "DWG") != 0) return ReadDrawingFile(path);
        return nullptr;
    });
    if (status) *status = list ? 0 : 1;
    return list;
}

extern "C" int DLSave(HDL list, const char* path) {
    return Guarded<int>(0, [&] {
        if (!IsList(list)) {
            RecordError("DLSave: %p is not a drawing list", static_cast<void*>(list));
            return 0;
        }
        // Each save clears what killed saves left in its folder.
        char folder[MAX_PATH];
        if (path && FolderOf(path, folder, sizeof folder)) savetemp::RemoveStale(folder);
        return WriteDrawingFile(list, path) ? 1 : 0;
    });
}
