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
void RunDialogRoundTrip();
void ShowHelp(const HelpLine* lines, int count);

static void RunAbout(const char*) {
    for (XpRecordLayout* record : g_records) {
        if (record) record->handlers[0]();
    }
}
static void RunList(const char*) { ListWorkDrawing(); }
static void RunQuit(const char*) { PostMessageA(MainWindow(), WM_APP_QUIT, 0, 0); }
static void RunDialogTest(const char*) { RunDialogRoundTrip(); }
static void RunHelp(const char*);

// The host's own commands, beside the modules': what HELP lists and what
// the command line runs.
struct BuiltIn {
    const char* name;
    const char* shown;        // as HELP lists it
    const char* description;
    void (*run)(const char* argument);
};
static const BuiltIn kBuiltIns[] = {
    {"HELP", "HELP or ?", "this list of commands", RunHelp},
    {"?", nullptr, nullptr, RunHelp},
    {"ABOUT", "ABOUT", "the modules' About boxes: what their commands do", RunAbout},
    {"OPEN", "OPEN path", "make a drawing file the current drawing", OpenDrawing},
    {"LIST", "LIST", "list the current drawing's entities", RunList},
    {"DLGTEST", "DLGTEST", "a round trip through the host's dialog services", RunDialogTest},
    {"QUIT", "QUIT", "close the host", RunQuit},
};

// The lines of HELP: the host's commands, then each module's.
static void RunHelp(const char*) {
    HelpLine lines[kMaxCommands + 16];
    int count = 0;
    auto add = [&](const char* name, const char* description) {
        if (count == static_cast<int>(sizeof lines / sizeof lines[0])) return;
        snprintf(lines[count].name, sizeof lines[count].name, "%s", name);
        snprintf(lines[count].description, sizeof lines[count].description, "%s", description);
        ++count;
    };
    for (const BuiltIn& command : kBuiltIns) {
        if (command.shown) add(command.shown, command.description);
    }
    for (int i = 0; i < g_commandCount; ++i) {
        char module[MAX_PATH];
        DWORD length = GetModuleFileNameA(g_commands[i].record->instance, module, sizeof module);
        const char* file = "a module";
        if (length && length < sizeof module) {
            const char* slash = strrchr(module, '\\');
            file = slash ? slash + 1 : module;
        }
        char description[MAX_PATH + 16];
        snprintf(description, sizeof description, "a command of %s", file);
        add(g_commands[i].name, description);
    }
    ShowHelp(lines, count);
}

static bool RunBuiltIn(const char* name, const char* argument) {
    for (const BuiltIn& command : kBuiltIns) {
        if (lstrcmpiA(name, command.name) != 0) continue;
        command.run(argument);
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
        char hint[kMaxNameLength + 64];
        snprintf(hint, sizeof hint, "Unknown command %s. Type HELP for the list of commands.", name);
        Record("unknown", name);
        StatusMsg(hint);
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
