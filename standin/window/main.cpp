// kv32.exe, the stand-in host: loads the module, runs commands typed on its
// command line or read from a script, and keeps a transcript.
#include "standin/standin.h"

#include <commctrl.h>
#include <stdio.h>

extern bool MakeSampleFolder(const char* folder, int count, unsigned variant);

// A display nobody looks at: none at all, or the private one that the Wine
// runner starts when there is none. A box there would wait for ever.
static bool DisplayUnseen() {
    char value[8];
    return GetEnvironmentVariableA("DISPLAY", value, sizeof value) == 0 ||
           GetEnvironmentVariableA("XP_PRIVATE_DISPLAY", value, sizeof value) != 0;
}

// /help, or an option it does not know: the usage on standard output (the
// terminal it was started from), and in a box too when someone can see it.
static int ShowUsage(const char* error) {
    if (error[0]) fprintf(stderr, "%s\n", error);
    fputs(kUsage, stdout);
    fputs("\n", stdout);
    PrintScriptActions(stdout);
    fflush(stdout);
    fflush(stderr);
    if (!DisplayUnseen()) {
        char text[2048];
        snprintf(text, sizeof text, "%s%s%s", error, error[0] ? "\n\n" : "", kUsage);
        MessageBoxA(nullptr, text, "kv32", MB_OK | (error[0] ? MB_ICONERROR : MB_ICONINFORMATION));
    }
    return 2;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    char error[1024];
    if (ParseCommandLine(error, sizeof error) != ParseResult::Run) return ShowUsage(error);
    if (g_config.workDir[0] && !SetCurrentDirectoryA(g_config.workDir)) {
        fprintf(stderr, "kv32: cannot enter %s\n", g_config.workDir);
        return 2;
    }
    OpenTranscript(g_config.transcriptPath);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    if (g_config.samplesDir[0] &&
        !MakeSampleFolder(g_config.samplesDir, g_config.sampleCount, g_config.sampleVariant)) {
        RecordError("cannot make sample drawings in %s", g_config.samplesDir);
    }
    HWND window = CreateMainWindow(instance);
    if (!window) return 2;
    CentreWindowsOnHost(GetCurrentThreadId());
    ShowWindow(window, show == SW_HIDE ? SW_SHOWNORMAL : show);
    UpdateWindow(window);
    // The module's test switch: a cache limit small enough for a test folder.
    if (g_config.mostEntries) {
        char limit[16];
        snprintf(limit, sizeof limit, "%d", g_config.mostEntries);
        SetEnvironmentVariableA("XP_MOST_CACHE_ENTRIES", limit);
    }
    LoadModule(g_config.modulePath);
    if (g_config.scriptPath[0] && !StartScript(g_config.scriptPath, GetCurrentThreadId())) {
        RecordError("cannot read script %s", g_config.scriptPath);
        PostMessageA(window, WM_APP_QUIT, 0, 0);
    }

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (ActiveCommand()) RecordError("command %s never ended", ActiveCommand());
    UnloadModules();
    int errors = TranscriptErrorCount();
    CloseTranscript();
    return errors ? 1 : 0;
}
