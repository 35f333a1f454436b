// Why a file could not be written, in words the user can act on. The host's
// services say only that a save failed; what the system last reported, and a
// look at the file and its folder, say why.
#pragma once

#include <stddef.h>
#include <windows.h>

// A reason's buffer: the clause, or the system's own words.
enum { kReasonSize = 200 };

// True when another program holds the file open: it cannot be replaced now.
bool IsHeldOpen(const char* path);

// The reason a write of path failed, as a clause ("the disk is full"):
// error is the system's last error right after the failed write (0 when
// none was left).
void DescribeWriteFailure(DWORD error, const char* path, char* reason, size_t size);

// Why a file could not be deleted, as a sentence ("The file is read-only"):
// error is the system's last error after DeleteFileA failed, or 0 when it
// reported success and the file stayed.
void DescribeDeleteFailure(DWORD error, const char* path, char* reason, size_t size);
