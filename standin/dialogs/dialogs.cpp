// The host's dialog services: modal dialogs from a module's templates with
// controls bound to the module's variables and callbacks.
#include "standin/standin.h"

#include <new>
#include <string.h>

namespace {

enum BindingKind { kRadio, kCheck, kList, kCombo, kButton };
enum { kMaxBindings = 48, kTemplateNameSize = 64 };
// This host's list notification code for a click on an item.
enum { kListClick = 19, kEndDialog = 2 };

struct Binding {
    BindingKind kind;
    int id;
    int* variable;
    int value;                  // radio value or checked value
    const char* strings;        // combo or list items: texts, NUL after each, empty last
    DlgProc onChange;           // check box, combo, button
    LstNotifyProc onNotify;     // list
    OwnerDrawProc onDraw;       // list
    HWND control;               // found when the dialog starts: the services use it for every row
};

}  // namespace

struct HostDialog {
    char templateName[kTemplateNameSize];
    DlgProc init;
    Binding bindings[kMaxBindings];
    int count;
    HWND window;
    HostDialog* outer;          // the dialog that was active when this one started
};

static HostDialog* g_active;    // innermost running dialog; set by WM_INITDIALOG

HWND ActiveHostDialog() { return g_active ? g_active->window : nullptr; }

static Binding* FindBinding(HostDialog* def, int id) {
    for (int i = 0; i < def->count; ++i) {
        if (def->bindings[i].id == id) return &def->bindings[i];
    }
    return nullptr;
}

static Binding* AddBinding(HostDialog* def, BindingKind kind, int id) {
    if (!def || def->count >= kMaxBindings) {
        RecordError("dialog binding refused for control %d", id);
        return nullptr;
    }
    Binding* b = &def->bindings[def->count++];
    memset(b, 0, sizeof *b);
    b->kind = kind;
    b->id = id;
    return b;
}

extern "C" HDLGDEF DefDlg(const char* templateName, int, int, DlgProc init, int, int, int* status) {
    *status = 1;
    if (!templateName || strlen(templateName) >= kTemplateNameSize) return nullptr;
    if (g_config.missingDialog[0] && _stricmp(templateName, g_config.missingDialog) == 0) return nullptr;
    HostDialog* def = new (std::nothrow) HostDialog();
    if (!def) return nullptr;
    strcpy(def->templateName, templateName);
    def->init = init;
    *status = 0;
    return def;
}

extern "C" void RBCTL(HDLGDEF def, int id, int, int, int* variable, int value, int) {
    if (Binding* b = AddBinding(def, kRadio, id)) {
        b->variable = variable;
        b->value = value;
    }
}

extern "C" void CHKCTL(HDLGDEF def, int id, int, int, int* variable, int checkedValue,
                       DlgProc onChange) {
    if (Binding* b = AddBinding(def, kCheck, id)) {
        b->variable = variable;
        b->value = checkedValue;
        b->onChange = onChange;
    }
}

extern "C" void LSTCTL(HDLGDEF def, int id, int, int, int* variable, const char* listData,
                       LstNotifyProc onNotify, OwnerDrawProc onDraw) {
    if (Binding* b = AddBinding(def, kList, id)) {
        b->variable = variable;
        b->strings = listData;
        b->onNotify = onNotify;
        b->onDraw = onDraw;
    }
}

extern "C" void CMBCTL(HDLGDEF def, int id, int, int, int* variable, const char* strings,
                       DlgProc onChange, int) {
    if (Binding* b = AddBinding(def, kCombo, id)) {
        b->variable = variable;
        b->strings = strings;
        b->onChange = onChange;
    }
}

extern "C" void BTNCTL(HDLGDEF def, int id, int, int, DlgProc onClick, int) {
    if (Binding* b = AddBinding(def, kButton, id)) b->onChange = onClick;
}

extern "C" void RelDlg(HDLGDEF def) {
    if (def == g_active) RecordError("RelDlg of a dialog that is still running");
    delete def;
}

extern "C" HWND GetDlgWin(void) { return ActiveHostDialog(); }

// A bound control's kind answers at once; asking the window's class costs
// more than adding a row, and a browse list adds hundreds.
static bool IsCombo(HWND control) {
    int id = GetDlgCtrlID(control);
    if (const Binding* b = g_active ? FindBinding(g_active, id) : nullptr) {
        if (b->kind == kCombo || b->kind == kList) return b->kind == kCombo;
    }
    char name[32];
    return GetClassNameA(control, name, sizeof name) && lstrcmpiA(name, "ComboBox") == 0;
}

// A bound control is known; asking the dialog for a child (GetDlgItem) is a
// trip to the window server under Wine, and the list services run per row.
static HWND ActiveControl(int id) {
    HWND dialog = ActiveHostDialog();
    const Binding* b = dialog ? FindBinding(g_active, id) : nullptr;
    HWND control = b && b->control ? b->control : dialog ? GetDlgItem(dialog, id) : nullptr;
    if (!control) RecordError("control %d used with no such control in the running dialog", id);
    return control;
}

extern "C" int AddLstStr(int id, const char* text) {
    HWND control = ActiveControl(id);
    if (!control) return -1;
    UINT message = IsCombo(control) ? CB_ADDSTRING : LB_ADDSTRING;
    return static_cast<int>(SendMessageA(control, message, 0, reinterpret_cast<LPARAM>(text)));
}

extern "C" void ClrLstStr(int id) {
    if (HWND control = ActiveControl(id)) {
        SendMessageA(control, IsCombo(control) ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
    }
}

extern "C" void SetLstDta(int id, int index, intptr_t data) {
    if (HWND control = ActiveControl(id)) {
        SendMessageA(control, IsCombo(control) ? CB_SETITEMDATA : LB_SETITEMDATA, index, data);
    }
}

// LB_ERR and CB_ERR are both -1, which is what the module tests for.
extern "C" intptr_t GetLstDta(int id, int index) {
    HWND control = ActiveControl(id);
    if (!control) return -1;
    return SendMessageA(control, IsCombo(control) ? CB_GETITEMDATA : LB_GETITEMDATA, index, 0);
}

extern "C" void UpdCtl(int id) {
    if (HWND control = ActiveControl(id)) {
        InvalidateRect(control, nullptr, TRUE);
        UpdateWindow(control);
    }
}

extern "C" void DsAbCtl(int id) {
    if (HWND control = ActiveControl(id)) EnableWindow(control, FALSE);
}

extern "C" void ForceHelp(int topic) { RecordF("help", "%d", topic); }

// ---- Running a dialog ----

static void AddItems(HWND control, const char* strings) {
    UINT message = IsCombo(control) ? CB_ADDSTRING : LB_ADDSTRING;
    for (const char* s = strings; s && *s; s += strlen(s) + 1) {
        SendMessageA(control, message, 0, reinterpret_cast<LPARAM>(s));
    }
}

static void ReadIntoControls(HostDialog* def) {
    for (int i = 0; i < def->count; ++i) {
        Binding& b = def->bindings[i];
        HWND control = b.control = GetDlgItem(def->window, b.id);
        if (!control) {
            RecordError("%s: bound control %d is not in the template", def->templateName, b.id);
            continue;
        }
        switch (b.kind) {
            case kRadio:
            case kCheck:
                CheckDlgButton(def->window, b.id, *b.variable == b.value ? BST_CHECKED : BST_UNCHECKED);
                break;
            case kCombo:
                AddItems(control, b.strings);
                SendMessageA(control, CB_SETCURSEL, *b.variable, 0);
                break;
            case kList:
                AddItems(control, b.strings);
                break;
            case kButton:
                break;
        }
    }
}

// Stores one control's state into its variable.
static void WriteBack(HostDialog* def, const Binding& b) {
    HWND control = GetDlgItem(def->window, b.id);
    if (!control || !b.variable) return;
    LRESULT index;
    switch (b.kind) {
        case kRadio:
            if (IsDlgButtonChecked(def->window, b.id) == BST_CHECKED) *b.variable = b.value;
            break;
        case kCheck:
            *b.variable = IsDlgButtonChecked(def->window, b.id) == BST_CHECKED ? b.value : 0;
            break;
        case kCombo:
            index = SendMessageA(control, CB_GETCURSEL, 0, 0);
            if (index != CB_ERR) *b.variable = static_cast<int>(index);
            break;
        case kList:
            index = SendMessageA(control, LB_GETCURSEL, 0, 0);
            if (index != LB_ERR) *b.variable = static_cast<int>(index);
            break;
        case kButton:
            break;
    }
}

static void EndHostDialog(HostDialog* def, int id) {
    for (int i = 0; i < def->count; ++i) WriteBack(def, def->bindings[i]);
    RecordF("dialog-end", "%s %d", def->templateName, id);
    EndDialog(def->window, id);
}

// The lists whose clicks the host watches, with their own procedures. The
// dialog's definition is kept in its DWLP_USER word. Both are read at every
// message, so neither is a window property: under Wine a property costs a
// trip to the window server, and a browse list of hundreds of rows takes
// several messages a row.
struct WatchedList {
    HWND list;
    WNDPROC original;
    bool down;
    bool redrawOff;             // WM_SETREDRAW FALSE was the last word
    bool painted;               // its first paint since the dialog showed was recorded
    WNDPROC stampOriginal;      // the procedure under StampPaintProc, with /stamps
    volatile LONG repaints;     // see TakeListRepaints; read by the script thread
};
enum { kMaxWatchedLists = 16 };
static WatchedList g_watched[kMaxWatchedLists];

static WatchedList* FindWatched(HWND list) {
    for (WatchedList& watched : g_watched) {
        if (watched.list == list) return &watched;
    }
    return nullptr;
}

// A row added or removed while the list is shown and redrawn costs Wine a
// repaint of its scroll bar and rows, as much as a WM_PAINT.
static void CountRepaints(WatchedList* watched, HWND list, UINT message, WPARAM wParam) {
    switch (message) {
        case WM_SETREDRAW:
            watched->redrawOff = wParam == FALSE;
            return;
        case WM_PAINT:
            break;
        case LB_ADDSTRING: case LB_INSERTSTRING: case LB_DELETESTRING: case LB_RESETCONTENT:
            if (watched->redrawOff || !IsWindowVisible(list)) return;
            break;
        default:
            return;
    }
    InterlockedIncrement(&watched->repaints);
}

int TakeListRepaints(int id) {
    for (WatchedList& watched : g_watched) {
        if (watched.list && GetDlgCtrlID(watched.list) == id) return InterlockedExchange(&watched.repaints, 0);
    }
    return -1;
}

static HostDialog* DialogOf(HWND window) {
    return reinterpret_cast<HostDialog*>(GetWindowLongPtrA(window, DWLP_USER));
}

// A list click is reported with the item under the mouse, also when that
// item was already selected (the system sends no selection change then).
static LRESULT CALLBACK ListClickProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    WatchedList* watched = FindWatched(list);
    if (!watched) return DefWindowProcA(list, message, wParam, lParam);
    WNDPROC original = watched->original;
    // A quick second click arrives as a double click: it is a click all the same.
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) watched->down = true;
    CountRepaints(watched, list, message, wParam);
    LRESULT result = CallWindowProcA(original, list, message, wParam, lParam);
    if (message == WM_LBUTTONUP && watched->down) {
        watched->down = false;
        HostDialog* def = DialogOf(GetParent(list));
        Binding* b = def ? FindBinding(def, GetDlgCtrlID(list)) : nullptr;
        LRESULT hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, lParam);
        if (b && b->kind == kList && HIWORD(hit) == 0) {
            *b->variable = LOWORD(hit);
            if (b->onNotify && b->onNotify(kListClick) == kEndDialog) EndHostDialog(def, b->id);
        }
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        *watched = WatchedList();
    }
    return result;
}

// With /stamps the benchmarks see when the list's first paint is on the
// screen. Outermost, put on after the dialog's own init: a module that
// paints the list itself (an empty one, say) never passes WM_PAINT inward.
static LRESULT CALLBACK StampPaintProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    WatchedList* watched = FindWatched(list);
    if (!watched || !watched->stampOriginal) return DefWindowProcA(list, message, wParam, lParam);
    LRESULT result = CallWindowProcA(watched->stampOriginal, list, message, wParam, lParam);
    if (message == WM_PAINT && !watched->painted) {
        watched->painted = true;
        RecordF("painted", "%d", GetDlgCtrlID(list));
    }
    return result;
}

static void StampListPaints(HostDialog* def) {
    if (!g_config.stamps) return;
    for (WatchedList& watched : g_watched) {
        if (!watched.list || GetParent(watched.list) != def->window || watched.stampOriginal) continue;
        watched.stampOriginal = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(watched.list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StampPaintProc)));
    }
}

static void HookListClicks(HostDialog* def) {
    for (int i = 0; i < def->count; ++i) {
        if (def->bindings[i].kind != kList || !def->bindings[i].onNotify) continue;
        HWND list = GetDlgItem(def->window, def->bindings[i].id);
        WatchedList* slot = list ? FindWatched(nullptr) : nullptr;
        if (!slot) continue;
        *slot = WatchedList();
        slot->list = list;
        slot->original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListClickProc)));
    }
}

static void OnCommand(HostDialog* def, int id, int code) {
    Binding* b = FindBinding(def, id);
    if (!b) {
        if (code == BN_CLICKED && (id == IDOK || id == IDCANCEL)) EndHostDialog(def, id);
        return;
    }
    int result = 0;
    switch (b->kind) {
        case kRadio:
            if (code == BN_CLICKED) WriteBack(def, *b);
            return;
        case kCheck:
            if (code != BN_CLICKED) return;
            WriteBack(def, *b);
            if (b->onChange) result = b->onChange();
            break;
        case kCombo:
            if (code != CBN_SELCHANGE) return;
            WriteBack(def, *b);
            if (b->onChange) result = b->onChange();
            break;
        case kButton:
            if (code != BN_CLICKED) return;
            result = b->onChange ? b->onChange() : 0;
            break;
        case kList:
            if (code == LBN_SELCHANGE) WriteBack(def, *b);
            return;
    }
    if (result == kEndDialog) EndHostDialog(def, id);
}

static INT_PTR DialogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    HostDialog* def = DialogOf(window);
    switch (message) {
        case WM_INITDIALOG: {
            def = reinterpret_cast<HostDialog*>(lParam);
            SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(def));
            def->window = window;
            def->outer = g_active;
            g_active = def;
            ReadIntoControls(def);
            HookListClicks(def);
            RecordF("dialog", "%s", def->templateName);
            if (def->init) def->init();
            StampListPaints(def);
            return TRUE;
        }
        case WM_COMMAND:
            if (def) OnCommand(def, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_MEASUREITEM: {
            auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            Binding* b = def ? FindBinding(def, measure->CtlID) : nullptr;
            if (!b || !b->onDraw) return FALSE;
            measure->itemHeight = b->onDraw(1, measure);
            return TRUE;
        }
        case WM_DRAWITEM: {
            auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
            Binding* b = def ? FindBinding(def, draw->CtlID) : nullptr;
            if (!b || !b->onDraw) return FALSE;
            b->onDraw(0, draw);
            return TRUE;
        }
        case WM_DESTROY:
            if (def && g_active == def) g_active = def->outer;
            SetWindowLongPtrA(window, DWLP_USER, 0);
            return FALSE;
    }
    return FALSE;
}

// Nothing may unwind into the system's dialog manager.
static INT_PTR CALLBACK HostDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return DialogMessage(window, message, wParam, lParam);
    } catch (...) {
        RecordError("exception in a dialog callback (message 0x%X)", message);
        return FALSE;
    }
}

extern "C" int XPDlog(HDLGDEF def, HINSTANCE instance, int) {
    if (!def) {
        RecordError("XPDlog without a dialog definition");
        return 0;
    }
    INT_PTR result = DialogBoxParamA(instance, def->templateName, DialogOwner(), HostDialogProc,
                                     reinterpret_cast<LPARAM>(def));
    if (result == -1) {
        RecordError("XPDlog: template %s cannot be shown (error %lu)", def->templateName,
                    GetLastError());
        return 0;
    }
    return static_cast<int>(result);
}
