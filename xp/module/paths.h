// Paths as the module forms them and hands them on: a folder joined with a
// name, a folder's trailing backslashes, and what a macro line may carry.
#pragma once

#include <stddef.h>

// folder, one backslash, name into dst (size bytes). A folder that already
// ends in a backslash (a root such as "Z:\") gets no second one. False when
// the whole path does not fit, or when name is not a plain file name (see
// IsPlainFileName): dst then holds no path.
bool JoinPath(char* dst, size_t size, const char* folder, const char* name);

// True when path names a folder that is there.
bool IsFolder(const char* path);

// The file's own name in path: what follows its last '\\', '/' or ':'.
const char* FileNamePart(const char* path);

// Drops trailing backslashes, except the one that makes a root ("Z:\", "\").
void DropTrailingBackslashes(char* folder);

// True when path can stand in a macro line or variable: no ';' and no
// control character.
bool IsMacroSafePath(const char* path);
// True when path may go into a macro line or variable; otherwise tells the
// user which file cannot be used and why, and returns false.
bool AcceptPickedPath(const char* path);

template <size_t N>
inline bool JoinPath(char (&dst)[N], const char* folder, const char* name) {
    return JoinPath(dst, N, folder, name);
}
