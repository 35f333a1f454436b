// The module's dialog templates as the test program's own resources hold
// them: the template read as it stands (caption, frame, font and each
// control's id, class, style and text), and the dialog the system makes of
// it, whose controls are asked what a user meets: which take Tab in which
// order, which the arrow keys step through, what is hidden, what covers
// what.
#pragma once

#include <windows.h>

#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

namespace testtemplate {

struct TemplateItem {
    int id;
    DWORD style;
    WORD classAtom;         // 0 when the class is given by name
    std::string className;
    std::string text;
    short x, y, cx, cy;
};
struct DialogTemplate {
    DWORD style = 0;
    short cx = 0, cy = 0;
    std::string caption, font;
    WORD pointSize = 0;
    std::vector<TemplateItem> items;
};

class TemplateReader {
public:
    TemplateReader(const BYTE* data, size_t size) : p_(data), end_(data + size) {}
    template <typename T> T Take() {
        T value{};
        if (p_ + sizeof(T) <= end_) memcpy(&value, p_, sizeof(T));
        p_ += sizeof(T);
        return value;
    }
    std::string Text() {
        std::string text;
        for (WORD c; (c = Take<WORD>()) != 0 && p_ <= end_;) text += static_cast<char>(c);
        return text;
    }
    // A name or an ordinal (0xFFFF then the number); returns the ordinal.
    WORD NameOrOrdinal(std::string* name) {
        WORD first;
        memcpy(&first, p_, 2);
        if (first == 0xFFFF) {
            Take<WORD>();
            return Take<WORD>();
        }
        *name = Text();
        return 0;
    }
    void AlignDword(const BYTE* base) {
        while ((p_ - base) % 4) ++p_;
    }
    bool Ok() const { return p_ <= end_; }

private:
    const BYTE* p_;
    const BYTE* end_;
};

inline DialogTemplate LoadDialogTemplate(const char* name) {
    DialogTemplate dialog;
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(5));
    if (!found) return dialog;
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    TemplateReader r(data, SizeofResource(module, found));
    if (r.Take<WORD>() != 1 || r.Take<WORD>() != 0xFFFF) return dialog;
    r.Take<DWORD>();  // help id
    r.Take<DWORD>();  // extended style
    dialog.style = r.Take<DWORD>();
    WORD count = r.Take<WORD>();
    r.Take<short>();
    r.Take<short>();
    dialog.cx = r.Take<short>();
    dialog.cy = r.Take<short>();
    std::string ignored;
    r.NameOrOrdinal(&ignored);  // menu
    r.NameOrOrdinal(&ignored);  // class
    dialog.caption = r.Text();
    dialog.pointSize = r.Take<WORD>();
    r.Take<WORD>();   // weight
    r.Take<WORD>();   // italic, character set
    dialog.font = r.Text();
    for (WORD i = 0; i < count && r.Ok(); ++i) {
        r.AlignDword(data);
        TemplateItem item;
        r.Take<DWORD>();  // help id
        r.Take<DWORD>();  // extended style
        item.style = r.Take<DWORD>();
        item.x = r.Take<short>();
        item.y = r.Take<short>();
        item.cx = r.Take<short>();
        item.cy = r.Take<short>();
        item.id = r.Take<int32_t>();
        item.classAtom = r.NameOrOrdinal(&item.className);
        r.NameOrOrdinal(&item.text);
        WORD extra = r.Take<WORD>();
        for (WORD b = 0; b < extra; ++b) r.Take<BYTE>();
        dialog.items.push_back(item);
    }
    return dialog;
}

// The frame and font of every module dialog: a modal pop-up with caption
// and system menu, in "MS Sans Serif" 8.
inline bool HasModuleFrame(const DialogTemplate& dialog) {
    const DWORD frame = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    return (dialog.style & frame) == frame && dialog.font == "MS Sans Serif" && dialog.pointSize == 8;
}

// A dialog made (not shown) from the test program's resources, with a
// procedure that answers each owner-drawn row's measure and counts them.
class MadeDialog {
public:
    explicit MadeDialog(const char* name)
        : window_(CreateDialogParamA(GetModuleHandleA(nullptr), name, nullptr, Procedure, 0)) {
        Measured() = 0;
    }
    ~MadeDialog() {
        if (window_) DestroyWindow(window_);
    }
    MadeDialog(const MadeDialog&) = delete;
    MadeDialog& operator=(const MadeDialog&) = delete;

    HWND Window() const { return window_; }
    HWND Control(int id) const { return GetDlgItem(window_, id); }
    // Rows measured by WM_MEASUREITEM since the dialog was made.
    static int& Measured() {
        static int count;
        return count;
    }
    std::string Text(int id) const {
        char text[256] = "";
        GetDlgItemTextA(window_, id, text, sizeof text);
        return text;
    }
    std::string ClassOf(int id) const {
        char name[64] = "";
        GetClassNameA(Control(id), name, sizeof name);
        return name;
    }
    DWORD Style(int id) const { return static_cast<DWORD>(GetWindowLongA(Control(id), GWL_STYLE)); }

    // The controls Tab visits, from the first, each once.
    std::vector<int> TabOrder() const {
        std::vector<int> ids;
        HWND first = GetNextDlgTabItem(window_, nullptr, FALSE);
        for (HWND at = first; at && ids.size() < 64;) {
            ids.push_back(GetDlgCtrlID(at));
            at = GetNextDlgTabItem(window_, at, FALSE);
            if (at == first) break;
        }
        return ids;
    }
    // The controls the arrow keys step through from id, id first.
    std::vector<int> Group(int id) const {
        std::vector<int> ids;
        HWND first = Control(id);
        for (HWND at = first; at && ids.size() < 64;) {
            ids.push_back(GetDlgCtrlID(at));
            at = GetNextDlgGroupItem(window_, at, FALSE);
            if (at == first) break;
        }
        return ids;
    }
    // What a user would find wrong with where the shown controls lie: one
    // that reaches out of the dialog, two that overlap (a group box and the
    // controls it frames excepted). Empty when nothing is.
    std::string LayoutFaults() const {
        std::vector<HWND> shown;
        for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE) shown.push_back(child);
        }
        RECT client;
        GetClientRect(window_, &client);
        std::string faults;
        for (size_t i = 0; i < shown.size(); ++i) {
            RECT a = RectOf(shown[i]), inside;
            if (!IntersectRect(&inside, &a, &client) || !EqualRect(&inside, &a)) faults += Name(shown[i]) + " is cut; ";
            for (size_t j = i + 1; j < shown.size(); ++j) {
                RECT b = RectOf(shown[j]), both;
                if (IntersectRect(&both, &a, &b) && !Frames(shown[i], shown[j]) && !Frames(shown[j], shown[i])) {
                    faults += Name(shown[i]) + " overlaps " + Name(shown[j]) + "; ";
                }
            }
        }
        return faults;
    }

private:
    static INT_PTR CALLBACK Procedure(HWND, UINT message, WPARAM, LPARAM lParam) {
        if (message == WM_MEASUREITEM) {
            ++Measured();
            reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 20;
            return TRUE;
        }
        return message == WM_INITDIALOG;
    }
    RECT RectOf(HWND control) const {
        RECT rect;
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    // A group box frames a control that lies wholly inside it.
    bool Frames(HWND box, HWND control) const {
        if ((GetWindowLongA(box, GWL_STYLE) & BS_TYPEMASK) != BS_GROUPBOX) return false;
        char name[16] = "";
        GetClassNameA(box, name, sizeof name);
        RECT outer = RectOf(box), inner = RectOf(control), both;
        return lstrcmpiA(name, "Button") == 0 && IntersectRect(&both, &outer, &inner) && EqualRect(&both, &inner);
    }
    static std::string Name(HWND control) {
        char text[64] = "";
        GetWindowTextA(control, text, sizeof text);
        return std::to_string(GetDlgCtrlID(control)) + " \"" + text + "\"";
    }

    HWND window_;
};

}  // namespace testtemplate
