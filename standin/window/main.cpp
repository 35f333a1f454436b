// kv32.exe, the stand-in host: loads the module, runs commands typed on its
// command line or read from a script, and keeps a transcript.
#include "standin/standin.h"

#include <commctrl.h>
#include <stdio.h>

extern bool MakeSampleFolder(const char* folder, int count, unsigned variant);

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    char error[1024];
    if (!ParseCommandLine(commandLine, error, sizeof error)) {
        MessageBoxA(nullptr, error, "kv32", MB_OK | MB_ICONERROR);
        return 2;
    }
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
