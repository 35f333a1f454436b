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

bool HasExtension(const char* name, const char* ext) {
    int length = lstrlenA(name);
    if (length < 3) return false;
    return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, name + length - 3, 3, ext, 3) ==
           CSTR_EQUAL;
}
