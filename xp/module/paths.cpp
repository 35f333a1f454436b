#include "module/paths.h"

#include <windows.h>

#include "host/host.h"
#include "module/names.h"
#include "module/state.h"
#include "module/text.h"

namespace {

// "\" alone, or a drive and its backslash: the backslash is the folder.
bool IsRoot(const char* folder, int length) {
    if (length == 1) return folder[0] == '\\';
    return length == 3 && folder[1] == ':' && folder[2] == '\\';
}

}  // namespace

bool IsFolder(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A name that is not one file's own ("..", "..\UP.KVW", "C:X") would make
// a path that leaves the folder: it forms no path at all.
bool JoinPath(char* dst, size_t size, const char* folder, const char* name) {
    if (!IsPlainFileName(name)) {
        if (size > 0) dst[0] = '\0';
        return false;
    }
    int length = lstrlenA(folder);
    const char* separator = length > 0 && folder[length - 1] == '\\' ? "" : "\\";
    if (FormatText(dst, size, "%s%s%s", folder, separator, name)) return true;
    if (size > 0) dst[0] = '\0';
    return false;
}

const char* FileNamePart(const char* path) {
    const char* name = path;
    for (const char* c = path; *c; ++c) {
        if (*c == '\\' || *c == '/' || *c == ':') name = c + 1;
    }
    return name;
}

void DropTrailingBackslashes(char* folder) {
    int length = lstrlenA(folder);
    while (length > 0 && folder[length - 1] == '\\' && !IsRoot(folder, length)) folder[--length] = '\0';
}

// ';' ends a macro command, so "A;~LOADM X.KVW;B.KVW" would load A and then
// run what the name carried. A line feed or return (possible in names written
// from other systems) splits the line just the same.
bool IsMacroSafePath(const char* path) {
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(path); *p; ++p) {
        if (*p == ';' || *p < 0x20 || *p == 0x7F) return false;
    }
    return true;
}

bool AcceptPickedPath(const char* path) {
    if (IsMacroSafePath(path)) return true;
    char text[kMessageSize];
    FormatText(text, sizeof text,
               "This file cannot be used:\n\n%s\n\nIts path holds a semicolon or a control character, "
               "which would end the command there.",
               path);
    host::ErrorBox(text);
    return false;
}
