// Control names for scripts. A script names a control as the resource
// header that defines it does (IDC_BROWSE_LIST), not by its number: the
// headers are read when the run starts (/ids:FILE, once per header), so a
// renumbered control still takes its clicks, and a control that is gone
// fails the run with its name. The system's own controls that scripts
// reach have their names here.
#include "standin/standin.h"

#include <dlgs.h>
#include <stdio.h>
#include <string.h>

namespace {

enum { kNameSize = 64, kMaxNames = 512, kLineSize = 512 };

struct ControlName {
    char name[kNameSize];
    int id;
};
// Filled by LoadControlNames before the script thread starts; read by it.
ControlName g_names[kMaxNames];
int g_nameCount;

const ControlName kSystemNames[] = {
    {"IDOK", IDOK},
    {"IDCANCEL", IDCANCEL},
    {"cmb1", cmb1},  // the file dialog's file type combo
};

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// "#define NAME NUMBER", anything after the number ignored; false for any
// other line.
bool ParseDefine(const char* line, ControlName* out) {
    while (*line == ' ' || *line == '\t') ++line;
    if (strncmp(line, "#define", 7) != 0) return false;
    line += 7;
    while (*line == ' ' || *line == '\t') ++line;
    size_t length = 0;
    while (IsNameChar(line[length])) ++length;
    if (length == 0 || length >= kNameSize) return false;
    memcpy(out->name, line, length);
    out->name[length] = '\0';
    char* end = nullptr;
    long value = strtol(line + length, &end, 0);
    if (end == line + length || value < 0 || value > 0xFFFF) return false;
    out->id = static_cast<int>(value);
    return true;
}

}  // namespace

bool LoadControlNames(const char* headerPath, char* error, int errorSize) {
    FILE* file = fopen(headerPath, "rb");
    if (!file) {
        snprintf(error, errorSize, "cannot read the control names of %s", headerPath);
        return false;
    }
    char line[kLineSize];
    bool full = false;
    while (fgets(line, sizeof line, file)) {
        ControlName entry;
        if (!ParseDefine(line, &entry)) continue;
        if (g_nameCount >= kMaxNames) {
            full = true;
            break;
        }
        g_names[g_nameCount++] = entry;
    }
    fclose(file);
    if (full) snprintf(error, errorSize, "%s defines more than %d names", headerPath, int{kMaxNames});
    return !full;
}

bool FindControlName(const char* name, int* id) {
    for (int i = 0; i < g_nameCount; ++i) {
        if (strcmp(g_names[i].name, name) == 0) {
            *id = g_names[i].id;
            return true;
        }
    }
    for (const ControlName& system : kSystemNames) {
        if (strcmp(system.name, name) == 0) {
            *id = system.id;
            return true;
        }
    }
    return false;
}
