// Whether a name joined to its folder still reaches that folder's own file.
#pragma once

// True when folder\name, opened, is the file of that name in that folder
// itself, not a file elsewhere that a symbolic link leads to.
bool NamesFileInFolder(const char* folder, const char* name);

// True when the folder holds no file of exactly this name any more.
bool IsNameGone(const char* folder, const char* name);
