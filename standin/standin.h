// Internal interface of the stand-in host kv32.exe, shared among its files.
// The services it exports to modules are declared in host/hostapi.h.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <stdio.h>

#include <vector>

#include "host/hostapi.h"

// ---- Configuration (standin/window/config.cpp) ----
enum { kHostStringSize = 1024, kMaxIdHeaders = 4 };
struct StandinConfig {
    char modulePath[MAX_PATH];
    char scriptPath[MAX_PATH];
    char transcriptPath[MAX_PATH];
    char workDir[MAX_PATH];        // made current at start; shown as <work> in the transcript
    // Host strings may be longer than a module's buffers, as a real host's can.
    char rsc3025[kHostStringSize]; // default file name
    char rsc3053[kHostStringSize]; // registry base key
    char rsc3059[kHostStringSize]; // a directory path ending in a backslash
    int missingString;             // /nostring:N: RscAdr answers null for N
    char missingDialog[64];        // /nodialog:NAME: DefDlg makes no definition of that template
    char samplesDir[MAX_PATH];     // /samples: make sample drawings there, then go on
    int sampleCount;
    unsigned sampleVariant;
    int timeoutMs;                 // every wait of a script run
    int stamps;                    // /stamps: milliseconds before every transcript line (benchmarks)
    int mostEntries;               // /mostentries:N: the module's test switch for its cache limit
    // /ids: resource headers whose control names scripts may use
    char idHeaders[kMaxIdHeaders][MAX_PATH];
    int idHeaderCount;
};
extern StandinConfig g_config;
// Parses the command line into g_config: Run, Help (asked for), or Wrong
// (an unknown or malformed option, with a message in error).
enum class ParseResult { Run, Help, Wrong };
ParseResult ParseCommandLine(char* error, int errorSize);
extern const char kUsage[];

// ---- Transcript (standin/window/transcript.cpp) ----
void OpenTranscript(const char* path);
void CloseTranscript();
// One line "kind text"; newlines in text are written as \n.
void Record(const char* kind, const char* text);
void RecordF(const char* kind, const char* format, ...) __attribute__((format(printf, 2, 3)));
// A fault of a module found by the host; counted, and the run fails.
void RecordError(const char* format, ...) __attribute__((format(printf, 1, 2)));
int TranscriptErrorCount();

// Runs the body of an exported service. Whatever it throws (an allocation
// the host could not make) stops at this boundary and the service reports
// its ordinary failure: nothing unwinds into a module or out of the host.
template <typename Result, typename Body>
Result Guarded(Result failed, Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return failed;
    }
}
template <typename Body>
void Guarded(Body body) noexcept {
    try {
        body();
    } catch (...) {
    }
}

// ---- Main window (standin/window/mainwindow.cpp) ----
enum {
    WM_APP_SUBMIT = WM_APP + 1,    // lParam: heap text typed on the command line
    WM_APP_CANCEL,                 // Escape on the command line
    WM_APP_SYNC,                   // lParam: event to set once reached
    WM_APP_SCREENSHOT,             // lParam: heap path
    WM_APP_QUIT,
    WM_APP_SYNC_PAINTED,           // lParam: event to set once every window has painted
};
HWND CreateMainWindow(HINSTANCE instance);
HWND MainWindow();
void SetStatusLine(const char* text);
// The status line's text as last set, for the script thread (which cannot
// ask the window while the user-interface thread is busy).
void CopyStatusLine(char* text, int size);
// The title names the current drawing (its file name; "NONAME" for none).
void ShowDrawingName(const char* path);
void SetPromptLine(const char* text);
void RedrawDrawingView();

// ---- Commands and prompts (standin/window/commands.cpp, standin/window/prompt.cpp) ----
bool LoadModule(const char* path);
void UnloadModules();
// Text entered on the command line: a prompt's answer, or a command.
void SubmitCommandLine(const char* text);
void CancelPrompt();
bool PromptPending();
const char* ActiveCommand();     // null when no command runs
void FinishCommandCall();        // after a handler or continuation returns
void BeginCommand(const char* name);
// The registered records, in registration slots (null where free).
const XpRecordLayout* RegisteredRecord(int slot);
// The registered module whose entity entry serves entityType, or null.
EntityProc FindEntityProc(unsigned entityType);

// ---- HELP (standin/window/commands.cpp, standin/window/help.cpp) ----
struct HelpLine {
    char name[32];
    char description[MAX_PATH + 16];
};

// ---- Message boxes (standin/dialogs/messages.cpp) ----
// Answers that QuestBox and ErrorBox take instead of showing a box (unit tests).
void QueueBoxAnswer(int answer);
HWND DialogOwner();

// ---- Dialog services (standin/dialogs/dialogs.cpp, standin/dialogs/placement.cpp) ----
HWND ActiveHostDialog();
// Paints of a bound list since the last call, which starts the count again:
// its WM_PAINTs, and every row added or removed while it is shown and
// redrawn (Wine repaints its scroll bar and rows for each). -1: no such list.
int TakeListRepaints(int id);
// From now on every window of that thread opens centred on the host window.
void CentreWindowsOnHost(DWORD uiThreadId);

// ---- Macros (standin/window/macros.cpp) ----
const char* MacroVariable(const char* name);

// ---- Script runs (standin/script/script.cpp, standin/script/screenshot.cpp) ----
bool StartScript(const char* path, DWORD uiThreadId);
// The actions a script may take, one a line, as kv32.exe /help prints them.
void PrintScriptActions(FILE* out);
// Control names (standin/script/controlnames.cpp): the "#define NAME NUMBER"
// lines of a resource header; false, with error filled, when it cannot be read.
bool LoadControlNames(const char* headerPath, char* error, int errorSize);
// The number of a control name from the headers read, or of a system control.
bool FindControlName(const char* name, int* id);
// The text of a tree view's item, into text (size bytes).
void TreeItemText(HWND tree, HTREEITEM item, char* text, int size);
// A path under the run's start folder as the script wrote it (relative).
const char* ScriptRelative(const char* path);
bool SaveScreenshot(HWND window, const char* path);
bool WritePng(const char* path, int width, int height, const unsigned char* rgbRows);
// A zlib stream of the bytes (standin/script/deflate.cpp).
std::vector<unsigned char> ZlibCompress(const unsigned char* data, size_t size);

// ---- Drawings (standin/drawing/, standin/samples/) ----
// The drawing shown in the main window; replaced by ~LOADM and ~TEMPLATEM.
void SetWorkDrawing(HDL list);
int* DrawingChangedFlag();
