// The host's native drawing file (KVW, KVD, LVW, KVT, KVS), and DLLoad and
// DLSave on top of it. The layout is described in standin/README.md.
//
// Files are untrusted: the reader takes the whole file into memory and reads
// every field through a cursor that checks it against the bytes left, so a
// damaged file is refused (null), never over-read.
#include "standin/drawing/drawlist_internal.h"
#include "standin/standin.h"

#include <stdlib.h>
#include <string.h>

#include <vector>

static const unsigned char kMagic[8] = {'K', 'V', 'D', 'R', 'A', 'W', 0x1A, 0};
enum : uint32_t {
    kFormatVersion = 1,
    kHasLayers = 1,                  // file flag: a layer table follows the header
    kNoMembers = 0xFFFFFFFFu,        // member count of an entity without a member list
    kMaxFileSize = 256u << 20,
    kMaxLayers = 65536,
};
// Smallest stored entity: a 28-byte record and its member count.
enum { kMinStoredEntity = sizeof(EntityHead) + 4 };

// ---- Reading ----

struct Reader {
    const unsigned char* data;
    size_t size;
    size_t at;
};

static size_t Left(const Reader& reader) { return reader.size - reader.at; }

static bool ReadU32(Reader& reader, uint32_t* value) {
    if (Left(reader) < 4) return false;
    memcpy(value, reader.data + reader.at, 4);
    reader.at += 4;
    return true;
}

static const unsigned char* Take(Reader& reader, size_t size) {
    if (Left(reader) < size) return nullptr;
    const unsigned char* bytes = reader.data + reader.at;
    reader.at += size;
    return bytes;
}

static bool ReadEntities(Reader& reader, HDL list, uint32_t count, int depth);

// One stored entity: its record, then its member count (kNoMembers when it
// has no member list) and its members.
static bool ReadEntity(Reader& reader, HDL list, int depth) {
    uint32_t length;
    if (Left(reader) < 4) return false;
    memcpy(&length, reader.data + reader.at, 4);
    if (length < sizeof(EntityHead) || length > kMaxRecordLength) return false;
    const unsigned char* record = Take(reader, length);
    if (!record || !IsWellFormedRecord(record, length)) return false;
    HostEntity* entity = AppendRecord(list, record, length);
    uint32_t members;
    if (!entity || !ReadU32(reader, &members)) return false;
    if (members == kNoMembers) return true;
    if (depth >= kMaxNesting) return false;
    HDL memberList = MembersOf(&entity);
    return memberList && ReadEntities(reader, memberList, members, depth + 1);
}

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
    const unsigned char* bytes = Take(reader, count * sizeof(LayerRecord));
    std::vector<LayerRecord> layers(count);
    if (count) memcpy(layers.data(), bytes, count * sizeof(LayerRecord));
    for (const LayerRecord& layer : layers) {
        if (layer.length != sizeof(LayerRecord) || !memchr(layer.name, 0, sizeof layer.name)) return false;
    }
    SetLayers(list, layers.data(), static_cast<int>(count));
    return list->layers != nullptr;
}

static bool ParseDrawing(Reader& reader, HDL list) {
    const unsigned char* magic = Take(reader, sizeof kMagic);
    uint32_t version, flags;
    if (!magic || memcmp(magic, kMagic, sizeof kMagic) != 0 || !ReadU32(reader, &version) ||
        version != kFormatVersion || !ReadU32(reader, &flags) || (flags & ~kHasLayers)) {
        return false;
    }
    const unsigned char* header = Take(reader, sizeof(HeaderBlock));
    if (!header) return false;
    memcpy(HeaderOf(list), header, sizeof(HeaderBlock));
    if (HeaderOf(list)->size != sizeof(HeaderBlock)) return false;
    if ((flags & kHasLayers) && !ReadLayers(reader, list)) return false;
    uint32_t count;
    return ReadU32(reader, &count) && ReadEntities(reader, list, count, 0) && Left(reader) == 0;
}

// The whole file in a heap buffer, or null when it cannot be read or is
// larger than any drawing may be.
static unsigned char* ReadWholeFile(const char* path, size_t* size) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    unsigned char* data = nullptr;
    LARGE_INTEGER fileSize;
    if (GetFileSizeEx(file, &fileSize) && fileSize.QuadPart <= kMaxFileSize) {
        DWORD wanted = static_cast<DWORD>(fileSize.QuadPart);
        DWORD got = 0;
        data = static_cast<unsigned char*>(malloc(wanted ? wanted : 1));
        if (data && (!ReadFile(file, data, wanted, &got, nullptr) || got != wanted)) {
            free(data);
            data = nullptr;
        }
        *size = wanted;
    }
    CloseHandle(file);
    return data;
}

static const char* FileNameOf(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
    }
    return name;
}

HDL ReadDrawingBytes(const void* data, size_t size, const char* name) {
    if (!data || size > kMaxFileSize) return nullptr;
    HDL list = NewList(name);
    Reader reader = {static_cast<const unsigned char*>(data), size, 0};
    if (list && !ParseDrawing(reader, list)) {
        DestroyList(list);
        list = nullptr;
    }
    if (list) LinkSymbolReferences(list);
    return list;
}

HDL ReadDrawingFile(const char* path) {
    size_t size = 0;
    unsigned char* data = ReadWholeFile(path, &size);
    if (!data) return nullptr;
    HDL list = ReadDrawingBytes(data, size, FileNameOf(path));
    free(data);
    return list;
}

// ---- Writing ----

static void PutU32(std::vector<unsigned char>& out, uint32_t value) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&value);
    out.insert(out.end(), bytes, bytes + 4);
}

static bool PutEntities(std::vector<unsigned char>& out, HDL list, int depth) {
    if (depth > kMaxNesting) return false;
    PutU32(out, static_cast<uint32_t>(list->count));
    for (const EntityNode* node = list->first; node; node = node->next) {
        uint32_t length;
        memcpy(&length, node->record, 4);
        size_t at = out.size();
        out.insert(out.end(), node->record, node->record + length);
        // A reference stores no address: its name finds the definition again.
        if (node->record[4] == kSymbolRef) {
            memset(out.data() + at + offsetof(SymbolRefRecord, definition), 0, 4);
        }
        if (!node->members) {
            PutU32(out, kNoMembers);
        } else if (!PutEntities(out, node->members, depth + 1)) {
            return false;
        }
    }
    return true;
}

static bool EncodeDrawing(HDL list, std::vector<unsigned char>& out) {
    out.insert(out.end(), kMagic, kMagic + sizeof kMagic);
    PutU32(out, kFormatVersion);
    PutU32(out, list->layers ? uint32_t(kHasLayers) : 0u);
    HeaderBlock header = list->header;
    header.size = sizeof header;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&header);
    out.insert(out.end(), bytes, bytes + sizeof header);
    if (list->layers) {
        LayerTableHead head;
        memcpy(&head, list->layers, sizeof head);
        PutU32(out, head.count);
        const unsigned char* records = list->layers + sizeof head;
        out.insert(out.end(), records, records + head.count * sizeof(LayerRecord));
    }
    return PutEntities(out, list, 0);
}

static bool WriteWholeFile(const char* path, const std::vector<unsigned char>& data) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
              written == data.size() && FlushFileBuffers(file);
    CloseHandle(file);
    return ok;
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

bool WriteDrawingFile(HDL list, const char* path) {
    if (!IsList(list) || !path) return false;
    std::vector<unsigned char> data;
    data.reserve(4096);
    if (!EncodeDrawing(list, data)) return false;

    char folder[MAX_PATH];
    size_t folderLength = FileNameOf(path) - path;
    if (folderLength >= sizeof folder) return false;
    memcpy(folder, path, folderLength);
    folder[folderLength] = '\0';
    if (!folderLength) strcpy(folder, ".");
    char temporary[MAX_PATH];
    if (!GetTempFileNameA(folder, "kvw", 0, temporary)) return false;
    bool ok = WriteWholeFile(temporary, data) && ReplaceWith(temporary, path);
    if (!ok) DeleteFileA(temporary);
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
    HDL list = nullptr;
    if (!path) {
        RecordError("DLLoad: no path");
    } else if (lstrcmpiA(ExtensionOf(path), "DXF") == 0) {
        list = ReadDxfFile(path);
    } else if (lstrcmpiA(ExtensionOf(path), "DWG") != 0) {
        list = ReadDrawingFile(path);
    }
    if (status) *status = list ? 0 : 1;
    return list;
}

extern "C" int DLSave(HDL list, const char* path) {
    if (!IsList(list)) {
        RecordError("DLSave: %p is not a drawing list", static_cast<void*>(list));
        return 0;
    }
    return WriteDrawingFile(list, path) ? 1 : 0;
}
