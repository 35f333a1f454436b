#include "module/text.h"

#include <stdarg.h>
#include <stdio.h>
#include <windows.h>

bool CopyText(char* dst, size_t size, const char* src) {
    if (size == 0) return false;
    size_t i = 0;
    for (; i + 1 < size && src[i]; ++i) dst[i] = src[i];
    dst[i] = '\0';
    return src[i] == '\0';
}

bool FormatText(char* dst, size_t size, const char* format, ...) {
    if (size == 0) return false;
    va_list args;
    va_start(args, format);
    int needed = vsnprintf(dst, size, format, args);
    va_end(args);
    dst[size - 1] = '\0';  // msvcrt's vsnprintf leaves a cut text unterminated
    return needed >= 0 && static_cast<size_t>(needed) < size;
}

// Every walk of the browse list and every file of a listing ask this, and
// the system's comparison is slow under Wine. Texts of plain ASCII are equal
// without regard to case exactly when their letters match up to case;
// anything else is left to the system.
bool SameIgnoringCase(const char* a, const char* b) {
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

bool HasExtension(const char* name, const char* ext) {
    int length = lstrlenA(name);
    return length >= 3 && SameIgnoringCase(name + length - 3, ext);
}
