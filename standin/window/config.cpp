// The stand-in's command line: /name:value options, each optional.
#include "standin/standin.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

StandinConfig g_config;

static bool CopyOption(char* dst, size_t size, const char* value) {
    size_t length = strlen(value);
    if (length >= size) return false;
    memcpy(dst, value, length + 1);
    return true;
}

// The folder of kv32.exe, with a trailing backslash; empty when unknown.
static void ExeFolder(char* out, size_t size) {
    DWORD length = GetModuleFileNameA(nullptr, out, static_cast<DWORD>(size));
    if (length == 0 || length >= size) out[0] = '\0';
    char* slash = strrchr(out, '\\');
    if (slash) slash[1] = '\0';
}

static void SetDefaults() {
    char exe[MAX_PATH];
    ExeFolder(exe, sizeof exe);
    snprintf(g_config.modulePath, MAX_PATH, "%sxp.dll", exe);
    strcpy(g_config.rsc3025, "NONAME.KVW");
    strcpy(g_config.rsc3053, "Software\\Korvind");
    g_config.sampleCount = 24;
    g_config.sampleVariant = 1;
    g_config.timeoutMs = 20000;
}

// Unless named, the host works in the folder "work" beside kv32.exe (in the
// build folder), not wherever it was started: its backups and the browser's
// cache of the default folder would otherwise land in the user's clone.
// The default folder to browse is the work folder.
static bool SetWorkDefaults() {
    if (!g_config.workDir[0]) {
        char exe[MAX_PATH];
        ExeFolder(exe, sizeof exe);
        int written = snprintf(g_config.workDir, MAX_PATH, "%swork", exe);
        if (written < 0 || written >= MAX_PATH) return false;
        CreateDirectoryA(g_config.workDir, nullptr);
    }
    if (!g_config.rsc3059[0]) {
        DWORD length = GetFullPathNameA(g_config.workDir, kHostStringSize - 1, g_config.rsc3059, nullptr);
        if (length == 0 || length >= kHostStringSize - 1) return false;
        if (g_config.rsc3059[length - 1] != '\\') strcat(g_config.rsc3059, "\\");
    }
    return true;
}

// One option "/name:value"; false when unknown or too long.
static bool ApplyOption(const char* arg) {
    struct Text { const char* name; char* dst; size_t size; };
    const Text texts[] = {
        {"/module:", g_config.modulePath, MAX_PATH},     {"/script:", g_config.scriptPath, MAX_PATH},
        {"/transcript:", g_config.transcriptPath, MAX_PATH}, {"/work:", g_config.workDir, MAX_PATH},
        {"/rsc3025:", g_config.rsc3025, kHostStringSize}, {"/rsc3053:", g_config.rsc3053, kHostStringSize},
        {"/rsc3059:", g_config.rsc3059, kHostStringSize}, {"/samples:", g_config.samplesDir, MAX_PATH},
        {"/nodialog:", g_config.missingDialog, sizeof g_config.missingDialog},
    };
    for (const Text& t : texts) {
        size_t n = strlen(t.name);
        if (_strnicmp(arg, t.name, n) == 0) return CopyOption(t.dst, t.size, arg + n);
    }
    if (_strnicmp(arg, "/ids:", 5) == 0) {
        if (g_config.idHeaderCount >= kMaxIdHeaders) return false;
        return CopyOption(g_config.idHeaders[g_config.idHeaderCount++], MAX_PATH, arg + 5);
    }
    struct Number { const char* name; long low, high; int* dst; };
    int timeoutSeconds = -1, variant = -1;
    const Number numbers[] = {
        {"/count:", 1, 100000, &g_config.sampleCount},
        {"/variant:", 0, 0x7fffffff, &variant},
        {"/timeout:", 1, 3600, &timeoutSeconds},
        {"/nostring:", 1, 0x7fffffff, &g_config.missingString},
        {"/mostentries:", 1, 0x7fffffff, &g_config.mostEntries},
    };
    for (const Number& o : numbers) {
        size_t n = strlen(o.name);
        if (_strnicmp(arg, o.name, n) != 0) continue;
        char* end = nullptr;
        long value = strtol(arg + n, &end, 10);
        if (end == arg + n || *end || value < o.low || value > o.high) return false;
        *o.dst = static_cast<int>(value);
        if (timeoutSeconds > 0) g_config.timeoutMs = timeoutSeconds * 1000;
        if (variant >= 0) g_config.sampleVariant = static_cast<unsigned>(variant);
        return true;
    }
    return false;
}

const char kUsage[] =
    "Usage: kv32.exe [options]\n"
    "The stand-in host: loads the module, runs the commands typed on its command\n"
    "line (HELP lists them) or read from a script, and keeps a transcript.\n"
    "  /script:FILE      play a script, then close (its actions: below)\n"
    "  /transcript:FILE  write the transcript there\n"
    "  /work:DIR         current folder (default: the folder work beside kv32.exe)\n"
    "  /samples:DIR      make sample drawings in DIR first\n"
    "  /count:N          how many sample drawings (default 24)\n"
    "  /variant:N        which set of sample drawings (default 1)\n"
    "  /rsc3025:TEXT     host string 3025, the default file name (default NONAME.KVW)\n"
    "  /rsc3053:TEXT     host string 3053, the registry base key (default Software\\Korvind)\n"
    "  /rsc3059:DIR\\     host string 3059, the default folder (default: the work folder)\n"
    "  /nostring:N       the host has no string N\n"
    "  /nodialog:NAME    the host makes no dialog of the template NAME\n"
    "  /module:DLL       the module to load (default: xp.dll beside kv32.exe)\n"
    "  /timeout:SECONDS  how long a script waits for anything (default 20)\n"
    "  /ids:HEADER       a header whose #defines name the controls in scripts (repeatable)\n"
    "  /mostentries:N    test switch: a browse cache keeps at most N entries\n"
    "  /stamps           milliseconds before every transcript line (benchmarks)\n"
    "  /help             this text\n";

static bool AsksForHelp(const char* arg) {
    return !lstrcmpiA(arg, "/help") || !strcmp(arg, "/?") || !lstrcmpiA(arg, "-h") || !lstrcmpiA(arg, "--help");
}

ParseResult ParseCommandLine(char* error, int errorSize) {
    SetDefaults();
    error[0] = '\0';
    for (int i = 1; i < __argc; ++i) {
        if (_stricmp(__argv[i], "/stamps") == 0) {
            g_config.stamps = 1;
            continue;
        }
        if (AsksForHelp(__argv[i])) return ParseResult::Help;
        if (!ApplyOption(__argv[i])) {
            snprintf(error, errorSize, "kv32: unknown or malformed option: %s", __argv[i]);
            return ParseResult::Wrong;
        }
    }
    if (!SetWorkDefaults()) {
        snprintf(error, errorSize, "kv32: the work folder's path is too long: %s", g_config.workDir);
        return ParseResult::Wrong;
    }
    return ParseResult::Run;
}
