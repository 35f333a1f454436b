// ReadDxfFile: a DXF file into a new drawing list. The file is untrusted:
// its size is capped, the reader and parser bound every count, and the list
// is only handed out once every record has joined it.
#include <windows.h>

#include <new>

#include "standin/dxf/dxf.h"
#include "standin/standin.h"

namespace {

// The whole file, or false when it cannot be read or exceeds the cap.
bool ReadWhole(const char* path, std::vector<uint8_t>* data) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = false;
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart <= kDxfMaxFileSize) {
        data->resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = ReadFile(file, data->data(), static_cast<DWORD>(data->size()), &got, nullptr) &&
             got == data->size();
    }
    CloseHandle(file);
    return ok;
}

HDL BuildList(const char* path, const DxfPlan& plan) {
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/') name = p + 1;
    }
    HDL list = NewList(name);
    if (!list) return nullptr;
    bool ok = true;
    SetLayers(list, plan.layers.data(), static_cast<int>(plan.layers.size()));
    for (const DxfDefinition& def : plan.definitions) {
        HostEntity* entity = AppendRecord(list, &def.record, sizeof def.record);
        HDL members = entity ? MembersOf(&entity) : nullptr;
        if (!members) {
            ok = false;
            break;
        }
        ForEachRecord(def.members, [&](const EntityHead* head) {
            if (ok && !AppendRecord(members, head, head->length)) ok = false;
        });
    }
    ForEachRecord(plan.entities, [&](const EntityHead* head) {
        if (ok && !AppendRecord(list, head, head->length)) ok = false;
    });
    if (!ok) {
        DLDestroy(list);
        return nullptr;
    }
    LinkSymbolReferences(list);
    HeaderBlock* header = HeaderOf(list);
    if (header) {
        header->background = 15;
        header->extentsValid = 0;
        header->flags |= 2;  // stored extents out of date: the viewer measures
    }
    return list;
}

}  // namespace

HDL ReadDxfFile(const char* path) {
    if (!path) return nullptr;
    // Nothing may escape a host service: an allocation that fails refuses the file.
    try {
        std::vector<uint8_t> data;
        if (!ReadWhole(path, &data)) return nullptr;
        DxfModel model;
        char why[128];
        if (!ParseDxf(data.data(), data.size(), &model, why, sizeof why)) return nullptr;
        std::vector<uint8_t>().swap(data);
        DxfPlan plan;
        if (!PlanDxf(model, &plan, why, sizeof why)) return nullptr;
        model = DxfModel();
        return BuildList(path, plan);
    } catch (const std::bad_alloc&) {
        return nullptr;
    } catch (...) {
        return nullptr;
    }
}
