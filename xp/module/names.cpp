#include "module/names.h"

#include <windows.h>

#include <string.h>

#include "module/text.h"

namespace {

bool EqualWide(const wchar_t* a, const wchar_t* b) { return lstrcmpW(a, b) == 0; }

}  // namespace

bool WidenFromCodePage(const char* text, wchar_t* wide, int size) {
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, wide, size) > 0;
}

// Wine and Windows map letters the code page lacks to look-alikes unless
// told not to: FindFirstFileA lists "Ω.KVW" as "O.KVW", which opens another
// file. Converting back must give the same wide name, or the spelling is not
// the file's.
bool SpellInCodePage(const wchar_t* wide, char* name, size_t size) {
    if (size == 0) return false;
    name[0] = '\0';
    BOOL usedDefault = FALSE;
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, name, static_cast<int>(size),
                                     nullptr, &usedDefault);
    wchar_t back[MAX_PATH + 1];
    if (length <= 0 || usedDefault || !WidenFromCodePage(name, back, MAX_PATH + 1) || !EqualWide(back, wide)) {
        name[0] = '\0';
        return false;
    }
    return true;
}

// A Linux file may be called "..\UP.KVW": Wine lists it so, and joined to
// its folder that name opens the parent's UP.KVW.
bool IsPlainFileName(const char* name) {
    if (!name[0] || lstrcmpA(name, ".") == 0 || lstrcmpA(name, "..") == 0) return false;
    return !strpbrk(name, "\\/:");
}

// Wine lists such a Linux name as it is, but opening it fails: '?' and '*'
// are wildcards to the system, the others are refused outright.
bool HoldsReservedCharacter(const char* name) { return strpbrk(name, "?*<>\"|") != nullptr; }

// The system reads the part before the first dot, less trailing blanks, as
// the device: "con .kvw" is the console as much as "CON.KVW". Every file of
// a listing is asked, so the lengths no device has are answered at once.
bool IsDeviceName(const char* name) {
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    char base[16];
    size_t length = strcspn(name, ".");
    while (length > 0 && name[length - 1] == ' ') --length;
    if (length < 3 || length > 7 || length == 5) return false;
    memcpy(base, name, length);
    base[length] = '\0';
    for (const char* device : kDevices) {
        if (SameIgnoringCase(base, device)) return true;
    }
    bool numbered = length == 4 && base[3] >= '1' && base[3] <= '9';
    base[3] = '\0';
    return numbered && (SameIgnoringCase(base, "COM") || SameIgnoringCase(base, "LPT"));
}

bool IsShellVirtualFolder(const char* path) { return strstr(path, "::{") != nullptr; }
