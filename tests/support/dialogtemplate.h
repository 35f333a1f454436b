// Reads a dialog template (DLGTEMPLATEEX) from the test program's own
// resources, which are the module's: caption, frame, font and each control's
// id, class, style, text and place.
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

}  // namespace testtemplate
