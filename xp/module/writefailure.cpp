#include "module/writefailure.h"

#include <string.h>

#include "module/gdi.h"
#include "module/paths.h"
#include "module/text.h"

namespace {

// Below this the folder's disk counts as full even when the host left no
// error to say so: no drawing or cache fits in less.
const ULONGLONG kNearlyFull = 64 * 1024;

// The folder part of path, without its last separator; "." for a bare name.
void FolderOf(const char* path, char* folder, size_t size) {
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/') name = p + 1;
    }
    size_t length = static_cast<size_t>(name - path);
    if (length > 1) --length;  // the separator goes, except a root's "\"
    if (length == 0 || length >= size) {
        CopyText(folder, size, ".");
        return;
    }
    memcpy(folder, path, length);
    folder[length] = '\0';
}

bool DiskIsFull(const char* folder) {
    ULARGE_INTEGER available;
    return GetDiskFreeSpaceExA(folder, &available, nullptr, nullptr) && available.QuadPart < kNearlyFull;
}

// The system's own words for an error, without the line end and full stop.
bool SystemText(DWORD error, char* text, size_t size) {
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                  text, static_cast<DWORD>(size), nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == '.' ||
                          text[length - 1] == ' ')) {
        text[--length] = '\0';
    }
    return length > 0;
}

}  // namespace

bool IsHeldOpen(const char* path) {
    if (FileHandle::Take(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr))) return false;
    DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// The holder of the file is asked first: a replace refused because another
// program has the file open is reported by some systems as access denied.
void DescribeWriteFailure(DWORD error, const char* path, char* reason, size_t size) {
    char folder[MAX_PATH];
    FolderOf(path, folder, sizeof folder);
    const char* words = nullptr;
    if (IsHeldOpen(path) || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
        words = "the file is in use by another program";
    } else if (!IsFolder(folder)) {
        words = "the folder is no longer there";
    } else if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL || DiskIsFull(folder)) {
        words = "the disk is full";
    } else if (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT) {
        words = "there is no permission to write in this folder";
    }
    if (words) {
        CopyText(reason, size, words);
    } else if (!error || !SystemText(error, reason, size)) {
        CopyText(reason, size, "the file could not be written");
    }
}

// A read-only mount lets Wine's DeleteFileA report success while the file
// stays; a file held open, or marked read-only, is refused with "access
// denied" by some systems: the file is asked before the error is read.
void DescribeDeleteFailure(DWORD error, const char* path, char* reason, size_t size) {
    char folder[MAX_PATH];
    FolderOf(path, folder, sizeof folder);
    DWORD attributes = GetFileAttributesA(path);
    const char* words = nullptr;
    if (error == 0) {
        words = "The system reported the file deleted, but it is still there: the folder or its disk may be "
                "read-only";
    } else if (IsHeldOpen(path) || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
        words = "The file is in use by another program";
    } else if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        words = "The file is read-only";
    } else if (!IsFolder(folder)) {
        words = "The folder is no longer there";
    } else if (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT) {
        words = "There is no permission to delete files in this folder";
    }
    if (words) {
        CopyText(reason, size, words);
    } else if (!SystemText(error, reason, size)) {
        FormatText(reason, size, "The system refused it (error %lu)", error);
    }
}
