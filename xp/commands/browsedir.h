// The current browse directory: its first value and cutting a picked path
// down to its folder.
#pragma once

// Fills an empty browseDirectory from the host's directory string, less its
// trailing backslash (a root keeps it); empty when the host has none.
void EnsureBrowseDirectory();
// Ends path at its last backslash (not looking at the first character), or
// just after it at a drive root; without one, path becomes empty.
void CutAtLastBackslash(char* path);
