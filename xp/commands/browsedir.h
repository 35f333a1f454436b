// The current browse directory: its first value and cutting a picked path
// down to its folder.
#pragma once

// Fills an empty browseDirectory from the host's directory string, less its
// trailing backslash (a root keeps it); from the current directory's full
// path when the host has no usable one.
void EnsureBrowseDirectory();
// True when folder can be browsed; otherwise tells the user why not (a
// shell folder that is no folder on disk, a path too long for its cache)
// and returns false.
bool AcceptBrowseFolder(const char* folder);
// The folder of a path chosen in the host's path dialog into browseDirectory,
// when it can be browsed; false (told, browseDirectory unchanged) otherwise.
bool TakeChosenFolder(const char* chosenPath);
// Ends path at its last backslash (not looking at the first character), or
// just after it at a drive root; without one, path becomes empty.
void CutAtLastBackslash(char* path);
