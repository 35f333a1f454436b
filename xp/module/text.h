// Bounded text into fixed buffers: every copy and format in the module goes
// through these, so no text can overrun its buffer.
#pragma once

#include <stddef.h>

// Copies src into dst (size bytes, terminator included), cut to fit.
// Returns false when src had to be cut.
bool CopyText(char* dst, size_t size, const char* src);

// printf-style formatting into dst, cut to fit. Returns false when cut.
bool FormatText(char* dst, size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// True when the two texts are equal without regard to case, as the system
// compares them.
bool SameIgnoringCase(const char* a, const char* b);
// True when the last three characters of name equal ext (3 letters),
// without regard to case. Names shorter than three characters never match.
bool HasExtension(const char* name, const char* ext);

template <size_t N>
inline bool CopyText(char (&dst)[N], const char* src) { return CopyText(dst, N, src); }
