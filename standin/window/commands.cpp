// Module registration and command dispatch, with the host's check that every
// command ends exactly once.
#include "standin/standin.h"

#include <stdio.h>
#include <string.h>

enum { kMaxModules = 8, kMaxCommands = 64, kMaxNameLength = 31 };

struct Command {
    char name[kMaxNameLength + 1];
    XpRecordLayout* record;
    int handlerIndex;   // index into record->handlers
};

static XpRecordLayout* g_records[kMaxModules];   // written by XPRegCmd/XPUnregCmd
static HMODULE g_modules[kMaxModules];           // written by LoadModule
static Command g_commands[kMaxCommands];         // rebuilt at every (un)registration
static int g_commandCount;
static char g_activeCommand[kMaxNameLength + 1]; // set by BeginCommand, cleared by CmdEnd
static bool g_commandRunning;

// Reads the record's name block, at most kMaxCommands names of bounded length.
static int ReadCommandNames(const XpRecordLayout* record, Command* out, int room) {
    const char* p = record->commandNames;
    int count = 0;
    while (p && *p && count < room) {
        size_t length = strnlen(p, kMaxNameLength + 1);
        if (length > kMaxNameLength) return -1;
        memcpy(out[count].name, p, length + 1);
        out[count].record = const_cast<XpRecordLayout*>(record);
        out[count].handlerIndex = count + 1;
        ++count;
        p += length + 1;
    }
    return count;
}

static void RebuildCommandTable() {
    g_commandCount = 0;
    for (XpRecordLayout* record : g_records) {
        if (!record) continue;
        int n = ReadCommandNames(record, g_commands + g_commandCount, kMaxCommands - g_commandCount);
        if (n > 0) g_commandCount += n;
    }
}

extern "C" int XPRegCmd(XpRecordLayout* record) {
    for (XpRecordLayout*& slot : g_records) {
        if (slot) continue;
        Command names[kMaxCommands];
        int n = ReadCommandNames(record, names, kMaxCommands);
        if (n < 0) {
            RecordError("XPRegCmd: a command name is longer than %d characters", kMaxNameLength);
            return 0;
        }
        slot = record;
        record->hostWindow = MainWindow();
        // A space and a name each: room for the most names of the longest length.
        char list[kMaxCommands * (kMaxNameLength + 1) + 1] = "";
        size_t used = 0;
        for (int i = 0; i < n; ++i) {
            int written = snprintf(list + used, sizeof list - used, " %s", names[i].name);
            if (written < 0 || static_cast<size_t>(written) >= sizeof list - used) break;
            used += written;
        }
        RecordF("register", "entity 0x%X commands%s", record->entityType, list);
        RebuildCommandTable();
        return 1;
    }
    RecordError("XPRegCmd: too many modules");
    return 0;
}

extern "C" int XPUnregCmd(XpRecordLayout* record) {
    for (XpRecordLayout*& slot : g_records) {
        if (slot != record) continue;
        slot = nullptr;
        Record("unregister", nullptr);
        RebuildCommandTable();
        return 1;
    }
    RecordError("XPUnregCmd: record was not registered");
    return 0;
}

const XpRecordLayout* RegisteredRecord(int slot) {
    return slot >= 0 && slot < kMaxModules ? g_records[slot] : nullptr;
}

EntityProc FindEntityProc(unsigned entityType) {
    for (XpRecordLayout* record : g_records) {
        if (record && record->entityType == entityType) return record->entityProc;
    }
    return nullptr;
}

bool LoadModule(const char* path) {
    for (HMODULE& slot : g_modules) {
        if (slot) continue;
        slot = LoadLibraryA(path);
        if (!slot) RecordError("cannot load module %s (error %lu)", path, GetLastError());
        return slot != nullptr;
    }
    return false;
}

void UnloadModules() {
    for (HMODULE& slot : g_modules) {
        if (slot) FreeLibrary(slot);
        slot = nullptr;
    }
}

void BeginCommand(const char* name) {
    snprintf(g_activeCommand, sizeof g_activeCommand, "%s", name);
    g_commandRunning = true;
}

const char* ActiveCommand() { return g_commandRunning ? g_activeCommand : nullptr; }

extern "C" int CmdEnd(void) {
    if (!g_commandRunning) {
        RecordError("CmdEnd called with no command running (ended twice?)");
        return 0;
    }
    Record("end", g_activeCommand);
    g_commandRunning = false;
    return 1;
}

// After a handler or a continuation returns: the command must have ended or
// be waiting for a prompt's answer.
void FinishCommandCall() {
    if (g_commandRunning && !PromptPending()) {
        RecordError("command %s returned without CmdEnd", g_activeCommand);
        g_commandRunning = false;
    }
}

static const Command* FindCommand(const char* name) {
    for (int i = 0; i < g_commandCount; ++i) {
        if (lstrcmpiA(g_commands[i].name, name) == 0) return &g_commands[i];
    }
    return nullptr;
}

void ListWorkDrawing();
void OpenDrawing(const char* path);

// The host's own commands, beside the modules'.
static bool RunBuiltIn(const char* name, const char* argument) {
    if (lstrcmpiA(name, "LIST") == 0) {
        ListWorkDrawing();
        return true;
    }
    if (lstrcmpiA(name, "OPEN") == 0) {
        OpenDrawing(argument);
        return true;
    }
    if (lstrcmpiA(name, "ABOUT") == 0) {
        for (XpRecordLayout* record : g_records) {
            if (record) record->handlers[0]();
        }
        return true;
    }
    if (lstrcmpiA(name, "QUIT") == 0) {
        PostMessageA(MainWindow(), WM_APP_QUIT, 0, 0);
        return true;
    }
    if (lstrcmpiA(name, "DLGTEST") == 0) {
        extern void RunDialogRoundTrip();
        RunDialogRoundTrip();
        return true;
    }
    return false;
}

void RunCommand(const char* text) {
    char name[kMaxNameLength + 1];
    int length = 0;
    while (*text == ' ') ++text;
    while (text[length] && text[length] != ' ' && length < kMaxNameLength) {
        name[length] = text[length];
        ++length;
    }
    name[length] = '\0';
    if (!name[0]) return;
    const char* argument = text + length;
    while (*argument == ' ') ++argument;
    CharUpperA(name);
    RecordF("command", "%s%s%s", name, *argument ? " " : "", argument);
    if (ActiveCommand()) {
        RecordError("command %s typed while %s is still running", name, ActiveCommand());
        return;
    }
    if (RunBuiltIn(name, argument)) return;
    const Command* command = FindCommand(name);
    if (!command) {
        SetStatusLine("Unknown command.");
        Record("unknown", name);
        return;
    }
    BeginCommand(command->name);
    command->record->handlers[command->handlerIndex]();
    FinishCommandCall();
}

void SubmitCommandLine(const char* text) {
    extern void AnswerPrompt(const char* text);
    if (PromptPending()) AnswerPrompt(text);
    else RunCommand(text);
}
