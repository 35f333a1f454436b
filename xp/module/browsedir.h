// The current browse directory: its first value, a new one chosen through
// the host's path dialog, and cutting a picked path down to its folder.
#pragma once

// Fills an empty browseDirectory from the host's directory string, less its
// trailing backslash (a root keeps it); from the current directory's full
// path when the host has no usable one.
void EnsureBrowseDirectory();
// True when folder can be browsed; otherwise tells the user why not (a
// shell folder that is no folder on disk, a path longer than longestFolder)
// and returns false.
bool AcceptBrowseFolder(const char* folder, int longestFolder);
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
    int longestFolder;   // a longer folder cannot be browsed (its cache path)
};
// The dialog picks a file: on a pick its folder becomes browseDirectory and
// the result is true; a cancel leaves browseDirectory as it was, and so does
// a folder that cannot be browsed (told, see AcceptBrowseFolder).
bool ChooseBrowseDirectory(const FolderChoice& choice);
