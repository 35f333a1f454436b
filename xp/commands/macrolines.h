// What a picked file becomes: one line of the host's macro language.
#pragma once

// True when path may go into a macro line or variable; otherwise tells the
// user which file cannot be used and why, and returns false.
bool AcceptPickedPath(const char* path);
// "~LOADM %s;" after stopping running macros.
void EmitLoad(const char* path);
// "~PARTM %s;", or the Pax32 "~MPAR %s;" / "~MPARS %s;" as the options say.
void EmitPart(const char* path);
// "~TEMPLATEM %s;NEW;".
void EmitTemplate(const char* path);
