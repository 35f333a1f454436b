// Which files each "File format:" choice takes. The extension is a name's
// last three characters: no dot is required, so PLANKVW is a KVW drawing.
#include "browser/browser.h"
#include "browser/browserinternal.h"

#include "module/state.h"

// Written by the format combo and the file manager's type filter; read by
// every walk of the browse list.
int FormatIndex;

const char* const FormatExtensions[kFormatCount][kMaxFormatExtensions + 1] = {
    {"KVW", nullptr},
    {"KVD", nullptr},
    {"LVW", nullptr},
    {"DWG", nullptr},
    {"DXF", nullptr},
    {"KVW", "KVD", "LVW", "DWG", "DXF", nullptr},
};

const char kFormatComboItems[] =
    "Korvind KVW Drawing\0"
    "Korvind/DOS KVD Ver 2.72+ Drawing\0"
    "Linvale LVW 4.50+ Drawing\0"
    "AutoCad DWG File\0"
    "AutoCad DXF File\0"
    "CAD files\0";

// Every walk of the list asks this for every entry, and the system's
// comparison is slow under Wine. Texts of plain ASCII are equal without
// regard to case exactly when their letters match up to case; anything
// else is left to the system.
static bool SameExtension(const char* a, const char* b) {
    for (int i = 0;; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 0x80 || y >= 0x80 || (x && x < 0x20) || (y && y < 0x20)) break;
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y) return false;
        if (!x) return true;
    }
    return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a, -1, b, -1) == CSTR_EQUAL;
}

// The file manager stores its filter number back into FormatIndex, so a
// value outside the table is possible: it takes nothing rather than reading
// past the table.
bool MatchFormat(int formatIndex, const char* extension) {
    if (!extension) return false;
    if (commandMode == ModeTemplate) return SameExtension(extension, "KVT");
    if (formatIndex < 0 || formatIndex >= kFormatCount) return false;
    for (const char* const* taken = FormatExtensions[formatIndex]; *taken; ++taken) {
        if (SameExtension(extension, *taken)) return true;
    }
    return false;
}

bool NameMatchesFormat(int formatIndex, const char* name) {
    int length = name ? lstrlenA(name) : 0;
    return length >= 3 && MatchFormat(formatIndex, name + length - 3);
}

ImageInfoRecord* ShownEntry(HostEntity* entity, int formatIndex) {
    ImageInfoRecord* entry = AsImageInfo(entity);
    return entry && NameMatchesFormat(formatIndex, entry->name) ? entry : nullptr;
}
