// The current browse directory: its first value and cutting a picked path
// down to its folder.
#pragma once

// Fills an empty browseDirectory from the host's directory string, less its
// trailing backslash.
void EnsureBrowseDirectory();
// Ends path at its last backslash (not looking at the first character);
// without one, path becomes empty.
void CutAtLastBackslash(char* path);
