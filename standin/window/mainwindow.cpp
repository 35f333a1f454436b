// The main window: drawing view, prompt, command line and status line.
#include "standin/standin.h"
#include "standin/window/standin_res.h"

#include <initializer_list>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static HWND g_main;        // created once at start
static HWND g_view, g_prompt, g_commandLine, g_status;
static WNDPROC g_editProc; // the command line's own procedure

HWND MainWindow() { return g_main; }

// Written by SetStatusLine on the user-interface thread, read by the script's.
static struct StatusText {
    CRITICAL_SECTION lock;
    char text[1024];
    StatusText() { InitializeCriticalSection(&lock); }
} g_statusText;

void SetStatusLine(const char* text) {
    EnterCriticalSection(&g_statusText.lock);
    snprintf(g_statusText.text, sizeof g_statusText.text, "%s", text);
    LeaveCriticalSection(&g_statusText.lock);
    if (g_status) SetWindowTextA(g_status, text);
}

void CopyStatusLine(char* text, int size) {
    EnterCriticalSection(&g_statusText.lock);
    snprintf(text, size, "%s", g_statusText.text);
    LeaveCriticalSection(&g_statusText.lock);
}

void ShowDrawingName(const char* path) {
    const char* name = path && path[0] ? path : "NONAME";
    for (const char* p = name; *p; ++p) {
        if ((*p == '\\' || *p == '/' || *p == ':') && p[1]) name = p + 1;
    }
    char title[MAX_PATH + 32];
    snprintf(title, sizeof title, "%s - Korvind/Linvale", name);
    if (g_main) SetWindowTextA(g_main, title);
}

void SetPromptLine(const char* text) {
    if (g_prompt) SetWindowTextA(g_prompt, text);
}

void RedrawDrawingView() {
    if (g_view) InvalidateRect(g_view, nullptr, TRUE);
}

// Enter submits the line, Escape cancels a pending prompt.
static LRESULT CALLBACK CommandLineProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR && (wParam == VK_RETURN || wParam == VK_ESCAPE)) return 0;
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
        char text[kAnswerPathSize + 64];
        GetWindowTextA(edit, text, sizeof text);
        SetWindowTextA(edit, "");
        SubmitCommandLine(text);
        return 0;
    }
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
        CancelPrompt();
        return 0;
    }
    return CallWindowProcA(g_editProc, edit, message, wParam, lParam);
}

static void LayOut(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    const int line = 22;
    int width = client.right, height = client.bottom;
    MoveWindow(g_view, 0, 0, width, height - 3 * line, TRUE);
    MoveWindow(g_prompt, 4, height - 3 * line + 3, width - 8, line - 4, TRUE);
    MoveWindow(g_commandLine, 4, height - 2 * line, width - 8, line - 2, TRUE);
    MoveWindow(g_status, 0, height - line, width, line, TRUE);
}

extern void PaintDrawingView(HWND view, HDC dc);

static LRESULT CALLBACK ViewProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(view, &paint);
        PaintDrawingView(view, dc);
        EndPaint(view, &paint);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcA(view, message, wParam, lParam);
}

// A timer message comes only when nothing else, paint included, is waiting
// for the thread: its arrival proves that every pending paint has been done.
static HANDLE g_paintedEvent;  // set by WM_APP_SYNC_PAINTED, signalled by the timer
enum { kPaintedTimer = 0x5150 };

static void CALLBACK SignalPainted(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    if (g_paintedEvent) SetEvent(g_paintedEvent);
    g_paintedEvent = nullptr;
}

static void RunPosted(UINT message, LPARAM lParam) {
    switch (message) {
        case WM_APP_SUBMIT: {
            char* text = reinterpret_cast<char*>(lParam);
            SubmitCommandLine(text);
            free(text);
            break;
        }
        case WM_APP_CANCEL:
            CancelPrompt();
            break;
        case WM_APP_SYNC:
            SetEvent(reinterpret_cast<HANDLE>(lParam));
            break;
        case WM_APP_SYNC_PAINTED:
            g_paintedEvent = reinterpret_cast<HANDLE>(lParam);
            SetTimer(g_main, kPaintedTimer, 0, SignalPainted);
            break;
        case WM_APP_SCREENSHOT: {
            char* path = reinterpret_cast<char*>(lParam);
            HWND target = ActiveHostDialog();
            HWND foreground = GetForegroundWindow();
            if (foreground) target = foreground;
            if (!target) target = g_main;
            if (SaveScreenshot(target, path)) RecordF("screenshot", "%s", ScriptRelative(path));
            else RecordError("screenshot %s failed", path);
            free(path);
            break;
        }
        case WM_APP_QUIT:
            DestroyWindow(g_main);
            break;
    }
}

static LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            LayOut(window);
            return 0;
        case WM_SETFOCUS:
            SetFocus(g_commandLine);
            return 0;
        case WM_APP_SUBMIT:
        case WM_APP_CANCEL:
        case WM_APP_SYNC:
        case WM_APP_SYNC_PAINTED:
        case WM_APP_SCREENSHOT:
        case WM_APP_QUIT:
            RunPosted(message, lParam);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateMainWindow(HINSTANCE instance) {
    WNDCLASSA mainClass = {};
    mainClass.lpfnWndProc = MainProc;
    mainClass.hInstance = instance;
    mainClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    mainClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    mainClass.lpszClassName = "KV32Main";
    WNDCLASSA viewClass = mainClass;
    viewClass.lpfnWndProc = ViewProc;
    viewClass.hbrBackground = nullptr;
    viewClass.lpszClassName = "KV32View";
    if (!RegisterClassA(&mainClass) || !RegisterClassA(&viewClass)) return nullptr;

    g_main = CreateWindowA("KV32Main", "Korvind/Linvale", WS_OVERLAPPEDWINDOW,
                           0, 0, 900, 680, nullptr, nullptr, instance, nullptr);
    if (!g_main) return nullptr;
    auto child = [&](const char* cls, DWORD style, int id) {
        return CreateWindowA(cls, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, g_main,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    };
    g_view = child("KV32View", WS_BORDER, IDC_VIEW);
    g_prompt = child("STATIC", SS_LEFT, IDC_PROMPT);
    g_commandLine = child("EDIT", WS_BORDER | ES_AUTOHSCROLL, IDC_CMDLINE);
    g_status = child("STATIC", SS_LEFT | SS_SUNKEN, IDC_STATUS);
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (HWND w : {g_prompt, g_commandLine, g_status}) SendMessageA(w, WM_SETFONT, (WPARAM)font, 0);
    g_editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(g_commandLine, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CommandLineProc)));
    SetPromptLine("Command:");
    ShowDrawingName(nullptr);
    LayOut(g_main);
    return g_main;
}
