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

static void SetDefaults() {
    char exe[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, exe, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) exe[0] = '\0';
    char* slash = strrchr(exe, '\\');
    if (slash) slash[1] = '\0';
    snprintf(g_config.modulePath, MAX_PATH, "%sxp.dll", exe);
    strcpy(g_config.rsc3025, "NONAME.KVW");
    strcpy(g_config.rsc3053, "Software\\Korvind");
    DWORD cwd = GetCurrentDirectoryA(MAX_PATH - 2, g_config.rsc3059);
    if (cwd == 0 || cwd >= MAX_PATH - 2) strcpy(g_config.rsc3059, "C:\\");
    else if (g_config.rsc3059[cwd - 1] != '\\') strcat(g_config.rsc3059, "\\");
    g_config.sampleCount = 24;
    g_config.sampleVariant = 1;
    g_config.timeoutMs = 20000;
}

// One option "/name:value"; false when unknown or too long.
static bool ApplyOption(const char* arg) {
    struct Text { const char* name; char* dst; size_t size; };
    const Text texts[] = {
        {"/module:", g_config.modulePath, MAX_PATH},     {"/script:", g_config.scriptPath, MAX_PATH},
        {"/transcript:", g_config.transcriptPath, MAX_PATH}, {"/work:", g_config.workDir, MAX_PATH},
        {"/rsc3025:", g_config.rsc3025, kHostStringSize}, {"/rsc3053:", g_config.rsc3053, kHostStringSize},
        {"/rsc3059:", g_config.rsc3059, kHostStringSize}, {"/samples:", g_config.samplesDir, MAX_PATH},
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

bool ParseCommandLine(const char* /*commandLine*/, char* error, int errorSize) {
    SetDefaults();
    for (int i = 1; i < __argc; ++i) {
        if (!ApplyOption(__argv[i])) {
            snprintf(error, errorSize,
                     "Unknown or malformed option: %s\n\nOptions: /script:file /transcript:file "
                     "/module:dll /work:dir /samples:dir /count:N /variant:N /timeout:seconds "
                     "/rsc3025:text /rsc3053:text /rsc3059:dir\\ /nostring:N /ids:header",
                     __argv[i]);
            return false;
        }
    }
    return true;
}
