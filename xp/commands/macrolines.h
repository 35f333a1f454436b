// What a picked file becomes: one line of the host's macro language.
#pragma once

// "~LOADM %s;" after stopping running macros.
void EmitLoad(const char* path);
// "~PARTM %s;", or the Pax32 "~MPAR %s;" / "~MPARS %s;" as the options say.
void EmitPart(const char* path);
// "~TEMPLATEM %s;NEW;".
void EmitTemplate(const char* path);
