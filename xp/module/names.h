// File names as a listing gives them and as the module may use them: spelt
// in the code page letter for letter, naming one file of one folder, never a
// device, and reaching that very file when opened.
#pragma once

#include <stddef.h>

// The wide name in the system's code page into name (size bytes). False when
// a character would be replaced or best-fit mapped ("Ω" to "O"), or when it
// does not fit: the result would name another file.
bool SpellInCodePage(const wchar_t* wide, char* name, size_t size);

// The code page's text as wide characters (size of them); false when a
// byte is no character of the code page or the text does not fit.
bool WidenFromCodePage(const char* text, wchar_t* wide, int size);

// True when name can only name a file inside its folder: not empty, not "."
// or "..", and no '\', '/' or ':'.
bool IsPlainFileName(const char* name);

// True when name holds a character that no file name on the system may
// hold: ? * < > " | (a Linux file system allows them all).
bool HoldsReservedCharacter(const char* name);

// True when the system takes the name for a device: "CON.KVW" opens the
// console, "NUL.DXF" nothing at all.
bool IsDeviceName(const char* name);

// True for a shell folder that is no folder on disk ("::{20d04fe0-...}").
bool IsShellVirtualFolder(const char* path);
