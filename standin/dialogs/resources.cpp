// Host strings, the path dialog, full file names and the changed flag.
#include "standin/standin.h"

#include <commdlg.h>
#include <string.h>

extern "C" const char* RscAdr(int number) {
    if (g_config.missingString && number == g_config.missingString) return nullptr;
    switch (number) {
        case kStringDefaultFileName: return g_config.rsc3025;
        case kStringRegistryBase: return g_config.rsc3053;
        case kStringDefaultDirectory: return g_config.rsc3059;
        default: return "";
    }
}

extern "C" int* MarkChanged(int* previous) {
    int* flag = DrawingChangedFlag();
    *previous = *flag;
    *flag = 1;
    return flag;
}

extern "C" int FullFileName(const char* path, char* buffer, int* status) {
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path, MAX_PATH, full, nullptr);
    *status = (length == 0 || length >= MAX_PATH) ? 1 : 0;
    if (*status == 0) memcpy(buffer, full, length + 1);
    return *status == 0;
}

// Makes a filter list from a bare pattern when the request brings none.
static void PatternFilter(const char* pattern, char* out, size_t size) {
    size_t n = strlen(pattern);
    if (2 * n + 3 > size) n = 0;
    memcpy(out, pattern, n);
    out[n] = '\0';
    memcpy(out + n + 1, pattern, n);
    out[2 * n + 1] = '\0';
    out[2 * n + 2] = '\0';
}

// The host's path dialog: a system file dialog that starts at the path in
// the request and gives the chosen path back in the same 260-byte buffer.
extern "C" int GetOpenPath(const char* title, PathRequest* request, int* status) {
    *status = 1;
    char filter[2 * MAX_PATH + 8];
    const char* filters = request->filters;
    if (!filters || !filters[0]) {
        PatternFilter(request->pattern ? request->pattern : "*.*", filter, sizeof filter);
        filters = filter;
    }
    char path[MAX_PATH];
    memcpy(path, request->path, MAX_PATH);
    path[MAX_PATH - 1] = '\0';
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = DialogOwner();
    dialog.lpstrFilter = filters;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = title;
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    RecordF("path-dialog", "%s", title);
    if (GetOpenFileNameA(&dialog)) {
        memcpy(request->path, path, MAX_PATH);
        *status = 0;
        RecordF("path-chosen", "%s", path);
    } else {
        Record("path-cancelled", nullptr);
    }
    return *status == 0;
}
