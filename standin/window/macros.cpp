// The macro interpreter, as far as the module's lines need it: variables,
// running a line, aborting running macros.
#include "standin/standin.h"

#include <stdio.h>
#include <string.h>

enum { kMaxVariables = 64, kNameSize = 128, kValueSize = 520 };

struct Variable {
    char name[kNameSize];
    char value[kValueSize];
};
static Variable g_variables[kMaxVariables];   // written by SetVar
static int g_variableCount;

const char* MacroVariable(const char* name) {
    for (int i = 0; i < g_variableCount; ++i) {
        if (lstrcmpiA(g_variables[i].name, name) == 0) return g_variables[i].value;
    }
    return nullptr;
}

extern "C" int SetVar(const char* name, const char* text) {
    if (strlen(name) >= kNameSize || strlen(text) >= kValueSize || !name[0]) {
        RecordError("SetVar: name or value too long");
        return 0;
    }
    Variable* slot = nullptr;
    for (int i = 0; i < g_variableCount; ++i) {
        if (lstrcmpiA(g_variables[i].name, name) == 0) slot = &g_variables[i];
    }
    if (!slot && g_variableCount < kMaxVariables) slot = &g_variables[g_variableCount++];
    if (!slot) return 0;
    strcpy(slot->name, name);
    strcpy(slot->value, text);
    RecordF("setvar", "%s=%s", name, text);
    return 1;
}

extern "C" void AbortAllScripts(void) { Record("abort-scripts", nullptr); }

// "~VERB argument;REST": the argument runs to the first semicolon.
static bool SplitMacro(const char* line, const char* verb, char* argument, size_t size,
                       const char** rest) {
    size_t verbLength = strlen(verb);
    if (_strnicmp(line, verb, verbLength) != 0 || line[verbLength] != ' ') return false;
    const char* start = line + verbLength + 1;
    const char* end = strchr(start, ';');
    if (!end || static_cast<size_t>(end - start) >= size) return false;
    memcpy(argument, start, end - start);
    argument[end - start] = '\0';
    *rest = end + 1;
    return true;
}

static void LoadAsWorkDrawing(const char* path, const char* how) {
    int status = 1;
    HDL list = DLLoad(path, 0, &status);
    if (status) list = nullptr;
    if (!list) {
        RecordF("macro-failed", "%s %s: cannot load", how, path);
        return;
    }
    SetWorkDrawing(list);
    *DrawingChangedFlag() = 0;  // as loaded: nothing to save yet
    RecordF("drawing", "%s %s", how, path);
}

static void InsertAsPart(const char* path, const char* how) {
    int status = 1;
    HDL part = DLLoad(path, 0, &status);
    if (status) part = nullptr;
    if (!part) {
        RecordF("macro-failed", "%s %s: cannot load", how, path);
        return;
    }
    DLDestroy(part);
    *DrawingChangedFlag() = 1;  // the drawing now holds the part
    RecordF("part", "%s %s", how, path);
    RedrawDrawingView();
}

extern "C" int ExecScriptCopy(const char* line) {
    Record("macro", line);
    char path[MAX_PATH];
    const char* rest = nullptr;
    if (SplitMacro(line, "~LOADM", path, sizeof path, &rest)) {
        LoadAsWorkDrawing(path, "loaded");
    } else if (SplitMacro(line, "~TEMPLATEM", path, sizeof path, &rest) &&
               lstrcmpiA(rest, "NEW;") == 0) {
        LoadAsWorkDrawing(path, "new from template");
    } else if (SplitMacro(line, "~PARTM", path, sizeof path, &rest) ||
               SplitMacro(line, "~MPAR", path, sizeof path, &rest) ||
               SplitMacro(line, "~MPARS", path, sizeof path, &rest)) {
        InsertAsPart(path, "inserted");
    }
    return 1;
}
