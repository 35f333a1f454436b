// The directory browser: the folder's drawings as rows of pictures, kept in
// step with the folder through the browse-info cache.
#pragma once

#include "host/hostapi.h"

enum { kFormatCount = 6 };

// The "File format:" choice, 0 to 5; the file manager's type filter is the
// same value (its filter number less one).
extern int FormatIndex;
// The file manager's type filters, the same rows as the "File format:"
// choices: label and patterns back to back, the list ended by an extra NUL.
const char* FormatFilterList();
// The extension of a type filter's first pattern ("KVW" for "CAD files"),
// which the open dialog adds to a name without one; null out of range.
const char* FormatFirstExtension(int formatIndex);

// Shows the browse dialog for browseDirectory. resultPath (500 bytes)
// receives the picked file's full path, or the folder and "\Work" on Close.
// keepCache leaves the cache open for the caller. Returns 1 for a pick.
int BrowseFiles(char* resultPath, int keepCache);
