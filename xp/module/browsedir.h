// The current browse directory: its first value, a new one chosen through
// the host's path dialog, and cutting a picked path down to its folder.
#pragma once

// Fills an empty browseDirectory from the host's directory string, less its
// trailing backslash (a root keeps it); empty when the host has none.
void EnsureBrowseDirectory();
// Ends path at its last backslash (not looking at the first character), or
// just after it at a drive root; without one, path becomes empty.
void CutAtLastBackslash(char* path);

// What the host's path dialog shows when a browse directory is chosen:
// presetName is proposed inside browseDirectory, the rest goes to the
// dialog as given.
struct FolderChoice {
    const char* presetName;
    const char* defaultName;
    const char* pattern;
    const char* filters;
};
// The dialog picks a file: on a pick its folder becomes browseDirectory and
// the result is true; a cancel leaves browseDirectory as it was.
bool ChooseBrowseDirectory(const FolderChoice& choice);
