// The host's DLSave writes a drawing into a temporary file beside its target,
// "~kv32-PID-N.tmp" (whose it is, and which process wrote it), and moves it
// over the target. A host killed while saving leaves its temporary behind:
// the host clears such leftovers before each save, the module also when it
// opens a folder's cache, since a folder whose cache is complete is never
// saved again (the browser while it lists the folder anyway). All go through
// this one definition of the pattern and of what counts as a leftover.
#pragma once

#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "module/gdi.h"

namespace savetemp {

const char kPrefix[] = "~kv32-";
const char kPattern[] = "~kv32-*.tmp";
// A save in progress writes all the time: a temporary untouched for a minute
// belongs to no running save.
const uint64_t kStaleAge = 60ull * 10000000ull;

inline uint64_t TicksOf(const FILETIME& time) {
    return (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Whether a name of a folder's listing is one of the pattern, as the
// system's pattern match takes it: without regard to case.
inline bool IsTemporaryName(const char* name) {
    size_t length = strlen(name), prefix = sizeof kPrefix - 1, suffix = sizeof ".tmp" - 1;
    return length >= prefix + suffix && _strnicmp(name, kPrefix, prefix) == 0 &&
           _stricmp(name + length - suffix, ".tmp") == 0;
}

// Deletes one temporary of folder if nobody holds it open and it was last
// written over a minute before now. Opening for deletion without sharing
// fails while any other process has the file open, so a save that is still
// writing keeps its file.
inline void RemoveIfStale(const char* folder, const char* name, const FILETIME& written, const FILETIME& now) {
    if (TicksOf(written) + kStaleAge > TicksOf(now)) return;
    char path[MAX_PATH];
    int length = snprintf(path, sizeof path, "%s\\%s", folder, name);
    if (length < 0 || length >= static_cast<int>(sizeof path)) return;
    FileHandle::Take(CreateFileA(path, DELETE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
}

// Deletes the stale temporaries of the pattern in folder.
inline void RemoveStale(const char* folder) {
    char pattern[MAX_PATH];
    int written = snprintf(pattern, sizeof pattern, "%s\\%s", folder, kPattern);
    if (written < 0 || written >= static_cast<int>(sizeof pattern)) return;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    WIN32_FIND_DATAA found;
    FindHandle search = FindHandle::Take(FindFirstFileA(pattern, &found));
    if (!search) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            RemoveIfStale(folder, found.cFileName, found.ftLastWriteTime, now);
        }
    } while (FindNextFileA(search.Get(), &found));
}

}  // namespace savetemp
