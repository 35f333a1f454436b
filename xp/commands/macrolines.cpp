#include "commands/macrolines.h"

#include "host/host.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"
#include "settings/settings.h"

// A picked path is at most 499 characters: every line fits its buffer.
static void Emit(const char* format, const char* path) {
    char line[kMacroLineSize];
    if (!FormatText(line, sizeof line, format, path)) return;
    host::ExecScriptCopy(line);
}

void EmitLoad(const char* path) {
    if (!AcceptPickedPath(path)) return;
    host::AbortAllScripts();
    Emit("~LOADM %s;", path);
}

void EmitPart(const char* path) {
    if (!AcceptPickedPath(path)) return;
    LoadOptions();
    switch (Options.insertStyle) {
        case kInsertMpar: Emit("~MPAR %s;", path); break;
        case kInsertMpars: Emit("~MPARS %s;", path); break;
        default: Emit("~PARTM %s;", path); break;
    }
}

void EmitTemplate(const char* path) {
    if (AcceptPickedPath(path)) Emit("~TEMPLATEM %s;NEW;", path);
}
