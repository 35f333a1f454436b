// Scripted runs: a second thread acts as the user. It types on the command
// line, clicks controls and points through the system's real input, answers
// boxes and file dialogs, and waits for windows; the user-interface thread
// runs exactly as it does for a person. Every wait has a timeout, so a stuck
// dialog fails the run instead of hanging it.
//
// The actions a script line may take are one table, kScriptVerbs, below:
// kv32.exe /help prints them from there.
#include "standin/standin.h"

#include <commctrl.h>
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "standin/drawing/drawing.h"

namespace {

enum { kLineSize = 1024 };

struct ScriptRun {
    FILE* file;
    DWORD uiThread;
    int lineNumber;
    char line[kLineSize];
    bool ended;       // set by end and stay-open
};

ScriptRun g_run;  // owned by the script thread
bool g_stayOpen;  // set by stay-open, read when the script ends

// The folder the run started in, with a trailing backslash. Relative paths
// of a script are taken from here: the system's file dialog moves the
// current directory while it shows a folder.
char g_startFolder[MAX_PATH];

// path made absolute against the start folder; false when it does not fit.
bool FromStartFolder(const char* path, char* out, size_t size) {
    bool absolute = path[0] == '\\' || (path[0] && path[1] == ':');
    int written = absolute ? snprintf(out, size, "%s", path)
                           : snprintf(out, size, "%s%s", g_startFolder, path);
    return written >= 0 && static_cast<size_t>(written) < size;
}

// Mouse button messages the user-interface thread has taken from its queue;
// counted by a hook there, read by the script thread. Posted messages are
// handed out before input, so a sync alone could overtake a click.
volatile LONG g_buttonMessages;
HHOOK g_counterHook;

LRESULT CALLBACK CountButtons(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam != WM_MOUSEMOVE && wParam != WM_NCMOUSEMOVE) {
        InterlockedIncrement(&g_buttonMessages);
    }
    return CallNextHookEx(g_counterHook, code, wParam, lParam);
}

// Key messages the user-interface thread has taken from its queue, counted
// the same way.
volatile LONG g_keyMessages;
HHOOK g_keyCounterHook;

LRESULT CALLBACK CountKeys(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) InterlockedIncrement(&g_keyMessages);
    return CallNextHookEx(g_keyCounterHook, code, wParam, lParam);
}

[[noreturn]] void Fail(const char* format, const char* detail) {
    char text[kLineSize + 128];
    snprintf(text, sizeof text, format, detail);
    if (g_run.lineNumber == 0) RecordError("script: %s", text);  // before the first line
    else RecordError("script line %d (%s): %s", g_run.lineNumber, g_run.line, text);
    CloseTranscript();
    ExitProcess(3);
}

// Waits until the user-interface thread has handled everything posted so far.
void Sync() {
    HANDLE reached = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    PostMessageA(MainWindow(), WM_APP_SYNC, 0, reinterpret_cast<LPARAM>(reached));
    DWORD waited = WaitForSingleObject(reached, g_config.timeoutMs);
    CloseHandle(reached);
    if (waited != WAIT_OBJECT_0) Fail("%s", "the host did not answer in time");
}

HWND ActiveWindow() {
    GUITHREADINFO info = {sizeof info};
    if (!GetGUIThreadInfo(g_run.uiThread, &info)) return nullptr;
    return info.hwndActive;
}

// Polls until test() holds for the active window, or fails the run.
template <typename Test>
HWND WaitForActive(const char* what, Test test) {
    for (DWORD waited = 0;; waited += 20) {
        HWND window = ActiveWindow();
        if (window && IsWindowVisible(window) && test(window)) return window;
        if (waited >= static_cast<DWORD>(g_config.timeoutMs)) Fail("no %s showed", what);
        Sleep(20);
    }
}

// A control as the script names it, with its number once resolved.
struct ControlRef {
    int id;
    char label[96];  // "NAME (number)", for messages
};

// An unknown name fails the run with that name: a control renamed or gone
// from the headers is never clicked by a number left behind.
ControlRef ResolveControl(const char* name) {
    ControlRef control = {0, ""};
    if (!name || !*name) Fail("%s", "a control name was expected");
    if (isdigit(static_cast<unsigned char>(name[0]))) {
        Fail("a control is named as its resource header names it (IDC_...), not by its number %s", name);
    }
    if (!FindControlName(name, &control.id)) Fail("unknown control name %s", name);
    snprintf(control.label, sizeof control.label, "%s (%d)", name, control.id);
    return control;
}

HWND ActiveControl(const ControlRef& ref) {
    HWND window = WaitForActive("window", [](HWND) { return true; });
    HWND control = GetDlgItem(window, ref.id);
    if (!control) Fail("the active window has no control %s", ref.label);
    return control;
}

void PostText(UINT message, const char* text) {
    char* copy = _strdup(text);
    PostMessageA(MainWindow(), message, 0, reinterpret_cast<LPARAM>(copy));
    Sync();
}

void ClickButton(HWND button) {
    PostMessageA(button, BM_CLICK, 0, 0);
    Sync();
}

void SyncPainted();

// Sends the input and waits until the user-interface thread has taken
// `messages` more from its queue, as the counter tells.
void SendAndWait(INPUT* inputs, UINT count, volatile LONG* counter, LONG messages) {
    LONG before = *counter;
    SendInput(count, inputs, sizeof *inputs);
    for (DWORD waited = 0; *counter - before < messages; waited += 5) {
        if (waited >= static_cast<DWORD>(g_config.timeoutMs)) Fail("%s", "the input never arrived");
        Sleep(5);
    }
    // The hook may see the message before it is handled, and a posted sync
    // would be handed out before queued input: wait for the timer, which
    // comes only once input and paint are done.
    SyncPainted();
}

// Each button event carries its own absolute position: a pointer motion
// that Wine takes from the X server after SetCursorPos could otherwise move
// the cursor back before the button is pressed. For a wheel event data is
// the turn.
void MouseButton(DWORD flags, POINT at, int data = 0) {
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (at.x * 65536 + width - 1) / width;
    input.mi.dy = (at.y * 65536 + height - 1) / height;
    input.mi.mouseData = static_cast<DWORD>(data);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendAndWait(&input, 1, &g_buttonMessages, 1);
}

// A key's press and release. The navigation keys are extended keys on a
// real keyboard.
void MakeKeyInputs(INPUT (&inputs)[2], WORD key, bool extended) {
    for (int i = 0; i < 2; ++i) {
        inputs[i] = INPUT();
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = key;
        inputs[i].ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
        inputs[i].ki.dwFlags = (extended ? KEYEVENTF_EXTENDEDKEY : 0) | (i ? KEYEVENTF_KEYUP : 0);
    }
}

void PressKey(char* name) {
    static const struct { const char* name; WORD key; bool extended; } kKeys[] = {
        {"Right", VK_RIGHT, true}, {"Left", VK_LEFT, true},   {"Up", VK_UP, true},
        {"Down", VK_DOWN, true},   {"Home", VK_HOME, true},   {"End", VK_END, true},
        {"Prior", VK_PRIOR, true}, {"Next", VK_NEXT, true},   {"Return", VK_RETURN, false},
        {"Space", VK_SPACE, false}, {"Escape", VK_ESCAPE, false}, {"Tab", VK_TAB, false},
        {"Delete", VK_DELETE, true}, {"Back", VK_BACK, false}, {"F5", VK_F5, false},
        {"F3", VK_F3, false},
    };
    WaitForActive("window", [](HWND) { return true; });
    // A key held around another: Alt+Up, or Ctrl with a letter.
    bool alt = !strcmp(name, "Alt+Up");
    bool control = !strncmp(name, "Ctrl+", 5) && isalnum(static_cast<unsigned char>(name[5])) && !name[6];
    if (alt || control) {
        INPUT held[2], key[2];
        MakeKeyInputs(held, alt ? VK_MENU : VK_CONTROL, false);
        MakeKeyInputs(key, alt ? VK_UP : static_cast<WORD>(toupper(static_cast<unsigned char>(name[5]))), alt);
        INPUT inputs[4] = {held[0], key[0], key[1], held[1]};
        SendAndWait(inputs, 4, &g_keyMessages, 4);
        return;
    }
    for (const auto& key : kKeys) {
        if (strcmp(name, key.name)) continue;
        INPUT inputs[2];
        MakeKeyInputs(inputs, key.key, key.extended);
        SendAndWait(inputs, 2, &g_keyMessages, 2);
        return;
    }
    Fail("unknown key %s", name);
}

int Number(const char* text);
char* NextWord(char** rest);

// Each character's key as the keyboard layout gives it, Shift held where
// the layout needs it ("_" is Shift and the minus key on a US layout).
// "/pace:MS " before the text waits that long between keys, as a person
// typing at that pace (the type-ahead's window is timed by the messages).
void TypeText(char* text) {
    int paceMs = 0;
    if (strncmp(text, "/pace:", 6) == 0) {
        char* rest = text + 6;
        paceMs = Number(NextWord(&rest));
        text = rest;
    }
    WaitForActive("window", [](HWND) { return true; });
    for (const char* c = text; *c; ++c) {
        SHORT scan = VkKeyScanA(*c);
        BYTE modifiers = HIBYTE(scan);
        if (scan == -1 || (modifiers & ~1)) Fail("type cannot type \"%s\" on this keyboard layout", text);
        if (c != text && paceMs > 0) Sleep(static_cast<DWORD>(paceMs));
        INPUT key[2], shift[2];
        MakeKeyInputs(key, LOBYTE(scan), false);
        if (!(modifiers & 1)) {
            SendAndWait(key, 2, &g_keyMessages, 2);
            continue;
        }
        MakeKeyInputs(shift, VK_SHIFT, false);
        INPUT inputs[4] = {shift[0], key[0], key[1], shift[1]};
        SendAndWait(inputs, 4, &g_keyMessages, 4);
    }
}

// Each notch is an event of its own, as a wheel sends them.
void TurnWheel(const ControlRef& ref, int notches) {
    HWND control = ActiveControl(ref);
    RECT client;
    GetClientRect(control, &client);
    POINT centre = {client.right / 2, client.bottom / 2};
    ClientToScreen(control, &centre);
    SetCursorPos(centre.x, centre.y);
    Sync();
    for (int i = 0; i < abs(notches); ++i) {
        MouseButton(MOUSEEVENTF_WHEEL, centre, notches < 0 ? -WHEEL_DELTA : WHEEL_DELTA);
    }
}

// The corner is dragged as a user drags it: pressed, moved, released. The
// system sizes the window in its own loop, which the waits here pass through.
void ResizeActive(int width, int height) {
    HWND window = WaitForActive("window", [](HWND) { return true; });
    RECT rect;
    GetWindowRect(window, &rect);
    POINT corner = {rect.right - 2, rect.bottom - 2};
    POINT target = {corner.x + width - (rect.right - rect.left), corner.y + height - (rect.bottom - rect.top)};
    SetCursorPos(corner.x, corner.y);
    Sync();
    MouseButton(MOUSEEVENTF_LEFTDOWN, corner);
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    enum { kSteps = 4 };
    for (int step = 1; step <= kSteps; ++step) {
        INPUT move = {};
        move.type = INPUT_MOUSE;
        POINT at = {corner.x + (target.x - corner.x) * step / kSteps, corner.y + (target.y - corner.y) * step / kSteps};
        move.mi.dx = (at.x * 65536 + screenWidth - 1) / screenWidth;
        move.mi.dy = (at.y * 65536 + screenHeight - 1) / screenHeight;
        move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        SendInput(1, &move, sizeof move);
        Sleep(50);
    }
    MouseButton(MOUSEEVENTF_LEFTUP, target);
    GetWindowRect(window, &rect);
    if (rect.right - rect.left != width || rect.bottom - rect.top != height) {
        char size[64];
        snprintf(size, sizeof size, "%ldx%ld", rect.right - rect.left, rect.bottom - rect.top);
        Fail("the window could only be sized to %s", size);
    }
}

BOOL CALLBACK FindShownTip(HWND window, LPARAM found) {
    char kind[64] = "";
    GetClassNameA(window, kind, sizeof kind);
    if (lstrcmpiA(kind, TOOLTIPS_CLASSA) || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// One pixel right and back, as real input.
void NudgePointer(INPUT move) {
    INPUT aside = move;
    aside.mi.dx += 65536 / GetSystemMetrics(SM_CXSCREEN) + 1;
    SendInput(1, &aside, sizeof aside);
    Sleep(50);
    SendInput(1, &move, sizeof move);
}

// The tip shown is the one for the point when its current tool's
// rectangle holds the point: under load the tip of the last hover was
// still up when the pointer had moved on, and its text was taken.
bool TipIsForPoint(const TOOLINFOA& tool, POINT screenPoint) {
    POINT inTool = screenPoint;
    if (!tool.hwnd || !ScreenToClient(tool.hwnd, &inTool)) return false;
    if (tool.uFlags & TTF_IDISHWND) return WindowFromPoint(screenPoint) == reinterpret_cast<HWND>(tool.uId);
    return PtInRect(&tool.rect, inTool) != 0;
}

// The text of the tooltip showing now, asked of the tooltip itself (this
// thread shares the process), its line ends written as \n; empty when none
// shows, or when a point is given and the tip's tool does not hold it.
void ShownTipText(char* line, size_t size, const POINT* point = nullptr) {
    line[0] = '\0';
    HWND tip = nullptr;
    EnumThreadWindows(g_run.uiThread, FindShownTip, reinterpret_cast<LPARAM>(&tip));
    TOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    char text[kLineSize] = "";
    if (tip && SendMessageA(tip, TTM_GETCURRENTTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) &&
        (!point || TipIsForPoint(tool, *point))) {
        tool.lpszText = text;
        SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    }
    size_t used = 0;
    for (const char* c = text; *c && used + 2 < size; ++c) {
        if (*c == '\n') { line[used++] = '\\'; line[used++] = 'n'; }
        else if (*c != '\r') line[used++] = *c;
    }
    line[used] = '\0';
}

// A tooltip left standing where the pointer has not moved: it must name what
// is under the pointer now.
void RecordShownTip(char*) {
    SyncPainted();
    char line[2 * kLineSize];
    ShownTipText(line, sizeof line);
    Record("tooltip", line[0] ? line : "(none)");
}

// The screen point of X,Y in a control of the active window, with the
// pointer put there.
POINT PutPointer(const ControlRef& ref, int x, int y) {
    HWND control = ActiveControl(ref);
    POINT point = {x, y};
    ClientToScreen(control, &point);
    SetCursorPos(point.x, point.y);
    return point;
}

void HoverAndRecordTip(const ControlRef& ref, int x, int y) {
    POINT point = PutPointer(ref, x, y);
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    INPUT move = {};
    move.type = INPUT_MOUSE;
    move.mi.dx = (point.x * 65536 + screenWidth - 1) / screenWidth;
    move.mi.dy = (point.y * 65536 + screenHeight - 1) / screenHeight;
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &move, sizeof move);
    // The tooltip of where the pointer was shows until the move is taken:
    // under load it was read before, and recorded for the new place.
    SyncPainted();
    for (DWORD waited = 0;; waited += 20) {
        // A move that lands where the pointer already is, or reaches the list
        // before the dialog has made its tool, starts no tooltip under load:
        // a user would move the mouse a little, and so does the script.
        if (waited > 0 && waited % 1000 == 0) NudgePointer(move);
        char line[2 * kLineSize];
        ShownTipText(line, sizeof line, &point);
        if (line[0]) {
            Record("tooltip", line);
            return;
        }
        if (waited >= static_cast<DWORD>(g_config.timeoutMs)) Fail("%s", "no tooltip showed");
        Sleep(20);
    }
}

// Both clicks go to the system at once, as a quick user's: whatever the
// first one starts has not happened yet when the second comes.
void DoubleClickAt(const ControlRef& ref, int x, int y) {
    POINT point = PutPointer(ref, x, y);
    Sync();
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[4] = {};
    for (int i = 0; i < 4; ++i) {
        inputs[i].type = INPUT_MOUSE;
        inputs[i].mi.dx = (point.x * 65536 + width - 1) / width;
        inputs[i].mi.dy = (point.y * 65536 + height - 1) / height;
        DWORD button = i % 2 ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
        inputs[i].mi.dwFlags = button | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    }
    SendAndWait(inputs, 4, &g_buttonMessages, 4);
}

void ClickAt(const ControlRef& ref, int x, int y) {
    POINT point = PutPointer(ref, x, y);
    Sync();
    MouseButton(MOUSEEVENTF_LEFTDOWN, point);
    MouseButton(MOUSEEVENTF_LEFTUP, point);
}

// Waits until the user-interface thread has also painted whatever the last
// action left invalid: a sync alone lets paint messages wait, and the next
// action could overtake them.
void SyncPainted() {
    Sync();
    HANDLE reached = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    PostMessageA(MainWindow(), WM_APP_SYNC_PAINTED, 0, reinterpret_cast<LPARAM>(reached));
    DWORD waited = WaitForSingleObject(reached, g_config.timeoutMs);
    if (waited != WAIT_OBJECT_0) Fail("%s", "the host did not paint in time");
    CloseHandle(reached);
}

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchControl(HWND child, LPARAM data) {
    ControlSearch* search = reinterpret_cast<ControlSearch*>(data);
    if (GetDlgCtrlID(child) != search->id) return TRUE;
    search->found = child;
    return FALSE;
}

// The first descendant of the active window with this id.
HWND DescendantControl(const ControlRef& ref) {
    HWND window = WaitForActive("window", [](HWND) { return true; });
    ControlSearch search = {ref.id, nullptr};
    EnumChildWindows(window, MatchControl, reinterpret_cast<LPARAM>(&search));
    if (!search.found) Fail("the active window holds no control %s", ref.label);
    return search.found;
}

bool HasControl(HWND window, int id) { return GetDlgItem(window, id) != nullptr; }

void AnswerBox(char* answer) {
    bool enter = lstrcmpiA(answer, "enter") == 0;
    int id = lstrcmpiA(answer, "yes") == 0 ? IDYES : lstrcmpiA(answer, "no") == 0 ? IDNO
           : lstrcmpiA(answer, "ok") == 0 || enter ? IDOK : 0;
    if (!id) Fail("unknown box answer %s", answer);
    // A question box has Yes and No, no OK: enter waits for any box.
    HWND box = WaitForActive("message box", [id, enter](HWND w) {
        return (HasControl(w, id) || (enter && HasControl(w, IDYES))) && HasControl(w, 0xFFFF);
    });
    if (!enter) {
        ClickButton(GetDlgItem(box, id));
        return;
    }
    // The box closes in the host's own loop: wait for the window, not a sync.
    INPUT keys[2];
    MakeKeyInputs(keys, VK_RETURN, false);
    SendInput(2, keys, sizeof keys[0]);
    for (DWORD waited = 0; IsWindow(box); waited += 20) {
        if (waited >= static_cast<DWORD>(g_config.timeoutMs)) Fail("%s", "Enter did not close the box");
        Sleep(20);
    }
    Sync();
}

// The last action's sync returned once the user-interface thread was idle,
// or inside the loop of a box that the action showed: no wait is needed.
void AnswerBoxIfShown(char* answer) {
    Sync();
    HWND window = ActiveWindow();
    if (window && HasControl(window, 0xFFFF) && (HasControl(window, IDOK) || HasControl(window, IDYES))) {
        AnswerBox(answer);
    }
}

// "centred" when the active window's centre lies within a pixel of the host
// window's; else how far off it is.
void RecordPlacement(char*) {
    HWND window = WaitForActive("window", [](HWND) { return true; });
    SyncPainted();  // the line comes after whatever showing the window recorded
    RECT own, host;
    GetWindowRect(window, &own);
    GetWindowRect(MainWindow(), &host);
    char title[256] = "";
    GetWindowTextA(window, title, sizeof title);
    // A maximised window covers the work area, its frame off the edges.
    RECT area;
    bool zoomed = IsZoomed(window) && SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    if (zoomed) host = area;
    int dx = (own.left + own.right - host.left - host.right) / 2;
    int dy = (own.top + own.bottom - host.top - host.bottom) / 2;
    bool centred = abs(dx) <= 1 && abs(dy) <= 1;
    if (zoomed && centred) RecordF("placement", "%s: maximised over the work area", title);
    else if (zoomed) RecordF("placement", "%s: maximised, %+d,%+d from the work area's centre", title, dx, dy);
    else if (centred) RecordF("placement", "%s: centred on the host", title);
    else RecordF("placement", "%s: %+d,%+d from the host's centre", title, dx, dy);
}

// The controls a user sees side by side: the active window's shown children
// and those of its child dialogs (a file dialog's panel), without the child
// dialogs themselves, group boxes and stc32, the empty place the file
// dialog's own controls are put in.
struct ShownControls {
    HWND window[128];
    int count;
};

bool IsSideBySideControl(HWND control) {
    char kind[32] = "";
    GetClassNameA(control, kind, sizeof kind);
    LONG style = GetWindowLongA(control, GWL_STYLE);
    if (!strcmp(kind, "#32770") || GetDlgCtrlID(control) == 0x45f) return false;
    return !(lstrcmpiA(kind, "Button") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX);
}

void CollectShownControls(HWND parent, ShownControls* shown) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        char kind[32] = "";
        GetClassNameA(child, kind, sizeof kind);
        if (!strcmp(kind, "#32770")) CollectShownControls(child, shown);
        if (IsSideBySideControl(child) && shown->count < 128) shown->window[shown->count++] = child;
    }
}

void DescribeControl(HWND control, char* text, size_t size) {
    char kind[32] = "", caption[64] = "";
    GetClassNameA(control, kind, sizeof kind);
    GetWindowTextA(control, caption, sizeof caption);
    snprintf(text, size, "%d %s \"%s\"", GetDlgCtrlID(control), kind, caption);
}

void RecordOverlaps(char*) {
    HWND window = WaitForActive("window", [](HWND) { return true; });
    SyncPainted();
    ShownControls shown = {};
    CollectShownControls(window, &shown);
    int found = 0;
    for (int i = 0; i < shown.count; ++i) {
        for (int j = i + 1; j < shown.count; ++j) {
            RECT a, b, common;
            GetWindowRect(shown.window[i], &a);
            GetWindowRect(shown.window[j], &b);
            if (!IntersectRect(&common, &a, &b)) continue;
            char first[128], second[128];
            DescribeControl(shown.window[i], first, sizeof first);
            DescribeControl(shown.window[j], second, sizeof second);
            RecordF("overlap", "%s and %s", first, second);
            ++found;
        }
    }
    if (!found) Record("overlap", "none");
}

void RecordRect(const ControlRef& ref) {
    HWND window = WaitForActive("window", [](HWND) { return true; });
    SyncPainted();
    HWND control = DescendantControl(ref);
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    RecordF("rect", "%d %ld,%ld %ldx%ld", ref.id, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

void RecordTreeItems(HWND tree, HTREEITEM item, int depth) {
    for (; item; item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT,
                                                                  reinterpret_cast<LPARAM>(item)))) {
        char text[256];
        TreeItemText(tree, item, text, sizeof text);
        RecordF("tree", "%*s%s", depth * 2, "", text);
        LRESULT child = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item));
        if (depth < 8) RecordTreeItems(tree, reinterpret_cast<HTREEITEM>(child), depth + 1);
    }
}

void RecordTree(const ControlRef& ref) {
    SyncPainted();
    HWND tree = DescendantControl(ref);
    LRESULT root = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    if (!root) Record("tree", "(empty)");
    RecordTreeItems(tree, reinterpret_cast<HTREEITEM>(root), 0);
}

// The system file dialog's name field: the combo's edit (cmb13) or edt1.
HWND FileNameField(HWND dialog) {
    HWND field = GetDlgItem(dialog, 0x47c);
    return field ? field : GetDlgItem(dialog, 0x480);
}

// Script lines are UTF-8, so that a script can name files the code page
// cannot spell ("Ω.KVW"); plain ASCII reads the same either way.
std::wstring WideFromUtf8(const char* text) {
    wchar_t wide[kLineSize];
    if (MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, kLineSize) <= 0) wide[0] = L'\0';
    return wide;
}

void AnswerFileDialog(char* path) {
    HWND dialog = WaitForActive("file dialog", [](HWND w) { return FileNameField(w) != nullptr; });
    if (lstrcmpiA(path, "cancel") == 0) {
        ClickButton(GetDlgItem(dialog, IDCANCEL));
        return;
    }
    std::wstring wide = WideFromUtf8(path);
    SendMessageW(FileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    ClickButton(GetDlgItem(dialog, IDOK));
}

// The shell view's list in the file dialog: a SysListView32 inside
// SHELLDLL_DefView. Selecting an item through the list itself makes the view
// tell the dialog, which sends CDN_SELCHANGE to the hook, as for a click.
void SelectFileInDialog(char* name) {
    HWND dialog = WaitForActive("file dialog", [](HWND w) { return FileNameField(w) != nullptr; });
    HWND view = FindWindowExA(dialog, nullptr, "SHELLDLL_DefView", nullptr);
    HWND list = view ? FindWindowExA(view, nullptr, WC_LISTVIEWA, nullptr) : nullptr;
    if (!list) Fail("%s", "the file dialog shows no file list");
    std::wstring wide = WideFromUtf8(name);
    LVFINDINFOW find = {};
    find.flags = LVFI_STRING;
    find.psz = wide.c_str();
    int index = static_cast<int>(SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(&find)));
    if (index < 0) Fail("the file list holds no %s", name);
    LVITEMA clear = {};
    clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&clear));
    LVITEMA item = {};
    item.state = item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
    SyncPainted();
}

// A dialog shows before it has handled what it posted to itself as it
// opened (the browser moves the focus to its pictures so): a key sent at
// once went to the control that had the focus first, and under load an
// Alt+Up was lost. So the window is also waited for until it is idle.
void WaitForTitle(char* title) {
    WaitForActive("window titled as asked", [title](HWND w) {
        char text[256];
        GetWindowTextA(w, text, sizeof text);
        return strcmp(text, title) == 0;
    });
    SyncPainted();
}

// What a list box or combo box shows, one transcript line an item; the
// selected item is marked with a star.
void RecordListItems(HWND control) {
    char kind[32] = "";
    GetClassNameA(control, kind, sizeof kind);
    bool combo = lstrcmpiA(kind, "ComboBox") == 0;
    UINT countMessage = combo ? CB_GETCOUNT : LB_GETCOUNT;
    UINT lengthMessage = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
    UINT textMessage = combo ? CB_GETLBTEXT : LB_GETTEXT;
    LRESULT selected = SendMessageA(control, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
    LRESULT count = SendMessageA(control, countMessage, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[kLineSize];
        LRESULT length = SendMessageA(control, lengthMessage, i, 0);
        if (length < 0 || length >= static_cast<LRESULT>(sizeof text)) {
            RecordF("item", "%ld (too long)", static_cast<long>(i));
            continue;
        }
        SendMessageA(control, textMessage, i, reinterpret_cast<LPARAM>(text));
        RecordF("item", "%s%s", combo && i == selected ? "* " : "", text);
    }
}

// The attributes that matter to a module's files, by name; "missing" when
// there is no such file.
void RecordAttributes(const char* path) {
    char full[MAX_PATH];
    DWORD attributes = FromStartFolder(path, full, sizeof full) ? GetFileAttributesA(full)
                                                                 : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        RecordF("attributes", "%s missing", path);
        return;
    }
    static const struct { DWORD bit; const char* name; } kNames[] = {
        {FILE_ATTRIBUTE_READONLY, "read-only"}, {FILE_ATTRIBUTE_HIDDEN, "hidden"},
        {FILE_ATTRIBUTE_SYSTEM, "system"},     {FILE_ATTRIBUTE_ARCHIVE, "archive"},
        {FILE_ATTRIBUTE_DIRECTORY, "directory"},
    };
    char text[kLineSize + 96];
    int used = snprintf(text, sizeof text, "%s", path);
    for (const auto& entry : kNames) {
        if ((attributes & entry.bit) && used >= 0 && used < static_cast<int>(sizeof text)) {
            used += snprintf(text + used, sizeof text - used, " %s", entry.name);
        }
    }
    if (attributes == FILE_ATTRIBUTE_NORMAL && used >= 0 && used < static_cast<int>(sizeof text)) {
        snprintf(text + used, sizeof text - used, " normal");
    }
    Record("attributes", text);
}

void SaveLoop(char* arguments) {
    char source[MAX_PATH], target[MAX_PATH], relative[2][MAX_PATH];
    int count = 0;
    if (sscanf(arguments, "%259s %259s %d", relative[0], relative[1], &count) != 3 ||
        !FromStartFolder(relative[0], source, sizeof source) || !FromStartFolder(relative[1], target, sizeof target)) {
        Fail("%s", "save-loop needs SOURCE TARGET COUNT");
    }
    Sync();
    HDL drawing = DLLoad(source, 8, nullptr);
    if (!drawing) Fail("cannot load %s", relative[0]);
    int saved = 0;
    for (int i = 0; i < count; ++i) {
        if (GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES) {
            HDL seen = DLLoad(target, 8, nullptr);
            if (!seen) RecordError("save-loop: %s did not load whole", relative[1]);
            if (seen) DLDestroy(seen);
        }
        saved += DLSave(drawing, target);
    }
    DLDestroy(drawing);
    RecordF("saved", "%s %d of %d", relative[1], saved, count);
}

// What a user does beside the host while a dialog shows, in the system's
// file manager: a file or folder renamed, a folder made.
void DoRename(char* arguments) {
    char source[MAX_PATH], target[MAX_PATH], relative[2][MAX_PATH];
    if (sscanf(arguments, "%259s %259s", relative[0], relative[1]) != 2 ||
        !FromStartFolder(relative[0], source, sizeof source) || !FromStartFolder(relative[1], target, sizeof target)) {
        Fail("%s", "rename needs OLD NEW");
    }
    Sync();
    if (!MoveFileA(source, target)) {
        char why[3 * MAX_PATH];
        snprintf(why, sizeof why, "%s to %s (error %lu)", relative[0], relative[1], GetLastError());
        Fail("cannot rename %s", why);
    }
    RecordF("renamed", "%s to %s", relative[0], relative[1]);
}

void DoMakeFolder(char* argument) {
    char full[MAX_PATH];
    if (!FromStartFolder(argument, full, sizeof full)) Fail("%s", "make-folder: the path is too long");
    Sync();
    if (!CreateDirectoryA(full, nullptr)) Fail("cannot make the folder %s", argument);
    RecordF("made-folder", "%s", argument);
}

void WaitForStatus(char* text) {
    for (DWORD waited = 0;; waited += 10) {
        char status[1024];
        CopyStatusLine(status, sizeof status);
        if (strstr(status, text)) return;
        if (waited >= static_cast<DWORD>(g_config.timeoutMs)) Fail("the status line never showed %s", text);
        Sleep(10);
    }
}

// A count that depends on timing is recorded only as within its bound.
void RecordRepaints(int id, int most) {
    SyncPainted();
    int repaints = TakeListRepaints(id);
    if (repaints < 0) Fail("%s", "the list is not watched");
    if (most < 0) return;
    if (repaints <= most) RecordF("repaints", "%d at most %d", id, most);
    else RecordF("repaints", "%d %d, more than %d", id, repaints, most);
}

// The browse cache's entries (type 4, class 0xA005) and their state byte
// (offset 35: 1 once the pictures are made), read as the test's own check.
void RecordPictured(char* path) {
    char full[MAX_PATH];
    Sync();
    HDL cache = FromStartFolder(path, full, sizeof full) ? DLLoad(full, 8, nullptr) : nullptr;
    if (!cache) Fail("cannot load the cache %s", path);
    int entries = 0, pictured = 0;
    for (HostEntity* entity = FirstEntity(cache); entity; entity = NextEntity(entity)) {
        uint32_t length;
        uint16_t entityClass;
        memcpy(&length, entity, sizeof length);
        if (entity[4] != kCustom || length < 36) continue;
        memcpy(&entityClass, entity + 28, sizeof entityClass);
        if (entityClass != 0xA005) continue;
        ++entries;
        if (entity[35] == 1) ++pictured;
    }
    DLDestroy(cache);
    RecordF("pictured", "%s: %s of %d entries", path,
            pictured == 0 ? "none" : pictured == entries ? "all" : "some", entries);
}

void WaitForFile(char* path) {
    char full[MAX_PATH];
    if (!FromStartFolder(path, full, sizeof full)) Fail("%s", "wait-file: the path is too long");
    enum { kPollMs = 50 };
    for (int waited = 0; GetFileAttributesA(full) == INVALID_FILE_ATTRIBUTES; waited += kPollMs) {
        if (waited >= g_config.timeoutMs) Fail("%s never came", path);
        Sleep(kPollMs);
    }
}

int Number(const char* text) {
    char* end = nullptr;
    long value = text ? strtol(text, &end, 10) : 0;
    if (!text || end == text) Fail("a number was expected at \"%s\"", text ? text : "");
    return static_cast<int>(value);
}

// The next word of *rest, ended in place; null when none is left.
char* NextWord(char** rest) {
    char* word = *rest;
    while (*word == ' ' || *word == '\t') ++word;
    if (!*word) return nullptr;
    char* end = word;
    while (*end && *end != ' ' && *end != '\t') ++end;
    if (*end) *end++ = '\0';
    *rest = end;
    return word;
}

ControlRef NextControl(char** rest) { return ResolveControl(NextWord(rest)); }
int NextNumber(char** rest) { return Number(NextWord(rest)); }

// ---- The actions: one handler each, and the table of them ----

void DoCommand(char* argument) { PostText(WM_APP_SUBMIT, argument); }

void DoAnswer(char* argument) {
    if (!PromptPending()) Fail("%s", "no prompt is pending");
    PostText(WM_APP_SUBMIT, argument);
}

void DoCancel(char*) {
    PostMessageA(MainWindow(), WM_APP_CANCEL, 0, 0);
    Sync();
}

void DoClick(char* argument) { ClickButton(ActiveControl(NextControl(&argument))); }

void DoClickIn(char* argument) {
    ClickButton(DescendantControl(NextControl(&argument)));
    SyncPainted();
}

// A user's choice in a drop-down list sends both: the system's file dialog
// takes a new file type only on the second.
void DoSelect(char* argument) {
    ControlRef ref = NextControl(&argument);
    int row = NextNumber(&argument);
    HWND combo = ActiveControl(ref);
    SendMessageA(combo, CB_SETCURSEL, row, 0);
    LPARAM from = reinterpret_cast<LPARAM>(combo);
    PostMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(ref.id, CBN_SELCHANGE), from);
    PostMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(ref.id, CBN_SELENDOK), from);
    Sync();
}

// "ID X Y": a control and a point in it.
struct ControlPoint {
    ControlRef ref;
    int x, y;
};
ControlPoint NextControlPoint(char** argument) {
    ControlPoint at;
    at.ref = NextControl(argument);
    at.x = NextNumber(argument);
    at.y = NextNumber(argument);
    return at;
}

void DoClickAt(char* argument) {
    ControlPoint at = NextControlPoint(&argument);
    ClickAt(at.ref, at.x, at.y);
}

void DoDoubleClickAt(char* argument) {
    ControlPoint at = NextControlPoint(&argument);
    DoubleClickAt(at.ref, at.x, at.y);
}

void DoResize(char* argument) {
    int width, height;
    if (sscanf(argument, "%d %d", &width, &height) != 2) Fail("%s", "resize needs W H");
    ResizeActive(width, height);
}

void DoHover(char* argument) {
    ControlPoint at = NextControlPoint(&argument);
    HoverAndRecordTip(at.ref, at.x, at.y);
}

void DoWheel(char* argument) {
    ControlRef ref = NextControl(&argument);
    TurnWheel(ref, NextNumber(&argument));
}

void DoScreenshot(char* argument) {
    Sync();
    char full[MAX_PATH];
    if (!FromStartFolder(argument, full, sizeof full)) Fail("%s", "the path is too long");
    PostText(WM_APP_SCREENSHOT, full);
}

void DoItems(char* argument) { RecordListItems(ActiveControl(NextControl(&argument))); }

// A control's window text as it is once what the last action left has been
// painted (a count, a note, what an empty list says).
void DoText(char* argument) {
    ControlRef ref = NextControl(&argument);
    SyncPainted();
    char text[kLineSize] = "";
    GetWindowTextA(DescendantControl(ref), text, sizeof text);
    std::string line;
    for (const char* c = text; *c; ++c) {
        if (*c == '\n') line += "\\n";
        else if (*c != '\r') line += *c;
    }
    RecordF("text", "%d %s", ref.id, line.c_str());
}

void DoAttributes(char* argument) {
    Sync();
    RecordAttributes(argument);
}

void DoPixel(char* argument) {
    ControlPoint at = NextControlPoint(&argument);
    SyncPainted();
    HWND control = DescendantControl(at.ref);
    HDC dc = GetDC(control);
    COLORREF colour = GetPixel(dc, at.x, at.y);
    ReleaseDC(control, dc);
    RecordF("pixel", "%d %d %d #%02X%02X%02X", at.ref.id, at.x, at.y, GetRValue(colour), GetGValue(colour),
            GetBValue(colour));
}

void DoCwd(char*) {
    SyncPainted();
    char folder[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
    Record("cwd", length && length < sizeof folder ? folder : "(too long)");
}

void DoChanged(char*) {
    Sync();
    RecordF("changed", "%d", *DrawingChangedFlag());
}

void DoSleep(char* argument) {
    Sleep(Number(argument));
    Sync();
}

void DoExpand(char* argument) {
    HWND tree = DescendantControl(NextControl(&argument));
    LRESULT first = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    if (!first) Fail("%s", "the tree is empty");
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, first);
    SyncPainted();
}

void DoTitle(char*) {
    Sync();
    char title[256] = "";
    GetWindowTextA(MainWindow(), title, sizeof title);
    Record("title", title);
}

void DoPress(char* argument) { PostMessageA(ActiveControl(NextControl(&argument)), BM_CLICK, 0, 0); }

void DoRepaints(char* argument) {
    ControlRef ref = NextControl(&argument);
    const char* most = NextWord(&argument);
    RecordRepaints(ref.id, most ? Number(most) : -1);
}

void DoEnd(char*) { g_run.ended = true; }

void DoStayOpen(char*) {
    g_stayOpen = true;
    g_run.ended = true;
}

// Every action a script line can take, as the host's own commands are one
// table: its word, how it is written and what it does (continuation lines of
// the description start after a line break), and its handler. The usage
// that kv32.exe /help prints comes from here.
struct ScriptVerb {
    const char* verb;
    const char* arguments;
    const char* description;
    void (*run)(char* argument);
};
const ScriptVerb kScriptVerbs[] = {
    {"command", "NAME", "type a command and press Enter", DoCommand},
    {"answer", "[TEXT]", "answer the pending prompt (empty: take the default)", DoAnswer},
    {"cancel", "", "press Escape on the pending prompt", DoCancel},
    {"wait-window", "TITLE", "wait until a window of this title is active", WaitForTitle},
    {"click", "ID", "click a button (or check box) of the active window", DoClick},
    {"click-in", "ID",
     "the same for a control anywhere inside the active\nwindow, child dialogs included (a file dialog's panel)",
     DoClickIn},
    {"select", "ID INDEX", "choose a row of a combo box of the active window", DoSelect},
    {"click-at", "ID X Y", "press and release the left button at X,Y of a control", DoClickAt},
    {"double-click-at", "ID X Y", "the same twice at once, as a double click", DoDoubleClickAt},
    {"key", "NAME",
     "press and release a key through the system's real input,\nto the active window: Right, Left, Up, Down, "
     "Home, End,\nPrior, Next, Return, Space, Escape, Tab, Delete, Back,\nF3, F5, Alt+Up (Up with Alt held), or "
     "Ctrl+ a letter",
     PressKey},
    {"type", "[/pace:MS] TEXT",
     "press and release the key of each character of TEXT in\nturn (Shift held where needed), as a user typing it;\n"
     "with a pace, MS milliseconds between keys",
     TypeText},
    {"resize", "W H",
     "drag the active window's bottom right corner with the\nreal mouse until the window is W x H pixels", DoResize},
    {"hover", "ID X Y",
     "move the real pointer to X,Y of a control of the active\nwindow and record the tooltip that shows there",
     DoHover},
    {"tooltip", "", "record the tooltip showing now, without moving the\npointer (none: (none))", RecordShownTip},
    {"wheel", "ID N", "turn the mouse wheel N notches over a control of the\nactive window (negative: down)", DoWheel},
    {"box", "yes|no|ok|enter",
     "answer the message box that is showing (enter: press\nthe Enter key, which takes the box's default button)",
     AnswerBox},
    {"box-if-shown", "ANSWER",
     "the same when a box is showing, else nothing: a box the\nlast action may or may not have shown (a save that failed)",
     AnswerBoxIfShown},
    {"file-dialog", "PATH|cancel",
     "type PATH (UTF-8) into the file dialog that is showing and\npress Open, or cancel the file dialog",
     AnswerFileDialog},
    {"select-file", "NAME",
     "select NAME (UTF-8) in the file list of the file dialog that is\nshowing, as a click would (the dialog reports "
     "the change)",
     SelectFileInDialog},
    {"screenshot", "PATH", "save the active window as a PNG", DoScreenshot},
    {"items", "ID",
     "record the texts of a list or combo box of the active\nwindow (a combo's selected row marked with *)", DoItems},
    {"text", "ID", "record the window text of a control of the active window\n(line ends as \\n)", DoText},
    {"attributes", "PATH", "record a file's attributes (hidden, read-only, ...)", DoAttributes},
    {"rename", "OLD NEW", "rename a file or folder, as a user beside the host does", DoRename},
    {"make-folder", "PATH", "make a folder, as a user beside the host does", DoMakeFolder},
    {"pixel", "ID X Y", "record the colour painted at X,Y of a control anywhere\ninside the active window", DoPixel},
    {"cwd", "", "record the host's current directory", DoCwd},
    {"changed", "", "record the drawing-changed flag (0 or 1)", DoChanged},
    {"sleep", "MS", "wait (for what no window shows)", DoSleep},
    {"expand", "ID", "open the first item of a tree view inside the active window", DoExpand},
    {"title", "", "record the host window's title", DoTitle},
    {"placement", "", "record where the active window sits over the host window\n(a maximised one: over the work area)",
     RecordPlacement},
    {"rect", "ID",
     "record where a control of the active window (child\ndialogs included) lies in the window's client area",
     [](char* argument) { RecordRect(NextControl(&argument)); }},
    {"tree", "ID", "record the items of a tree view inside the active\nwindow, children indented",
     [](char* argument) { RecordTree(NextControl(&argument)); }},
    {"overlaps", "",
     "record every two shown controls of the active window\n(a file dialog's panel included) that overlap",
     RecordOverlaps},
    {"save-loop", "SRC DST N",
     "load drawing SRC, then N times load DST (when it\nexists it must load whole) and save SRC's drawing\nas DST, "
     "on this thread while the host waits: another\nhost sharing the folder, or one killed mid-save",
     SaveLoop},
    {"press", "ID", "click a button of the active window and go on at once,\nwhile what it starts still runs (then "
     "wait-status)",
     DoPress},
    {"wait-status", "TEXT", "wait until the status line's text contains TEXT",
     WaitForStatus},
    {"repaints", "ID [MAX]",
     "record whether a list was painted at most MAX times since\nthe last such line (without MAX: only start "
     "counting)",
     DoRepaints},
    {"pictured", "PATH",
     "record how many entries of a browse cache file have\npictures: none, some or all, and how many entries",
     RecordPictured},
    {"wait-file", "PATH",
     "wait until a file of that name exists (another program,\nor the test around the run, says it may go on)",
     WaitForFile},
    {"end", "", "close the host", DoEnd},
    {"stay-open", "", "end the script and leave the host, and any dialog\nshowing, to the user (tools/run.sh DIR)",
     DoStayOpen},
};

// Runs one script line; false once the script has ended.
bool RunLine(char* line) {
    char* verb = line;
    while (*verb == ' ' || *verb == '\t') ++verb;
    if (!*verb || *verb == '#') return true;
    char* argument = verb;
    while (*argument && *argument != ' ') ++argument;
    if (*argument) *argument++ = '\0';
    for (const ScriptVerb& action : kScriptVerbs) {
        if (strcmp(verb, action.verb) != 0) continue;
        action.run(argument);
        return !g_run.ended;
    }
    Fail("unknown action %s", verb);
}

DWORD WINAPI ScriptThread(void*) {
    Sync();  // the main window is up and the module loaded
    for (int i = 0; i < g_config.idHeaderCount; ++i) {
        char error[MAX_PATH + 64];
        if (!LoadControlNames(g_config.idHeaders[i], error, sizeof error)) Fail("%s", error);
    }
    while (fgets(g_run.line, sizeof g_run.line, g_run.file)) {
        ++g_run.lineNumber;
        g_run.line[strcspn(g_run.line, "\r\n")] = '\0';
        char work[kLineSize];
        strcpy(work, g_run.line);
        if (!RunLine(work)) break;
    }
    fclose(g_run.file);
    if (g_stayOpen) return 0;
    if (ActiveWindow() && ActiveWindow() != MainWindow()) {
        Fail("%s", "the script ended with a dialog still open");
    }
    PostMessageA(MainWindow(), WM_APP_QUIT, 0, 0);
    return 0;
}

}  // namespace

// The column of the descriptions, as kUsage has it for the options.
void PrintScriptActions(FILE* out) {
    enum { kColumn = 22 };
    fputs("Script actions (/script:FILE): one a line, # starts a comment. A control (ID) is\n"
          "named as its resource header names it: IDC_... from the headers given with /ids:,\n"
          "or IDOK, IDCANCEL, cmb1.\n",
          out);
    for (const ScriptVerb& action : kScriptVerbs) {
        char written[64];
        snprintf(written, sizeof written, "%s%s%s", action.verb, action.arguments[0] ? " " : "", action.arguments);
        fprintf(out, "  %-*s", kColumn, written);
        if (strlen(written) >= kColumn) fprintf(out, "\n  %*s", kColumn, "");
        for (const char* line = action.description; *line;) {
            const char* end = strchr(line, '\n');
            size_t length = end ? static_cast<size_t>(end - line) : strlen(line);
            fprintf(out, "%.*s\n", static_cast<int>(length), line);
            if (!end) break;
            line = end + 1;
            fprintf(out, "  %*s", kColumn, "");
        }
    }
}

void TreeItemText(HWND tree, HTREEITEM item, char* text, int size) {
    text[0] = '\0';
    TVITEMA data = {};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = size;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
}

const char* ScriptRelative(const char* path) {
    size_t length = strlen(g_startFolder);
    return length && _strnicmp(path, g_startFolder, length) == 0 ? path + length : path;
}

bool StartScript(const char* path, DWORD uiThreadId) {
    g_run.file = fopen(path, "rb");
    if (!g_run.file) return false;
    g_run.uiThread = uiThreadId;
    DWORD length = GetCurrentDirectoryA(MAX_PATH - 1, g_startFolder);
    if (length == 0 || length >= MAX_PATH - 1) g_startFolder[0] = '\0';
    else if (g_startFolder[length - 1] != '\\') lstrcatA(g_startFolder, "\\");
    g_counterHook = SetWindowsHookExA(WH_MOUSE, CountButtons, nullptr, uiThreadId);
    g_keyCounterHook = SetWindowsHookExA(WH_KEYBOARD, CountKeys, nullptr, uiThreadId);
    HANDLE thread = CreateThread(nullptr, 0, ScriptThread, nullptr, 0, nullptr);
    if (!thread) return false;
    CloseHandle(thread);
    return true;
}
