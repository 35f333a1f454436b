// Module-wide state shared by every subsystem. Each variable lives as long
// as the library is loaded; nothing here is saved.
#pragma once

#include "host/hostapi.h"

enum { ModeLoad = 0, ModePart = 1, ModeTemplate = 2 };
enum { kDirSize = 260, kVariableSize = 128, kPickedPathSize = 500, kMacroLineSize = 520 };
// A message to the user: a picked path at the most, and a sentence or two
// saying what happened to it.
enum { kMessageSize = kPickedPathSize + 200 };

// The two sizes of the pictures the module makes and keeps.
enum { kLargeWidth = 181, kLargeHeight = 188, kSmallWidth = 90, kSmallHeight = 94 };
enum PictureSize { kLargePicture, kSmallPicture };

// The 8-bit picture description: header, then the colour table that the
// settings store keeps as "ColorMap".
struct PictureDescription {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};
static_assert(sizeof(PictureDescription) == 40 + 1024, "header then 256 colours");

// The description of one picture size: that size's own header with the
// colour table of PictureInfo. A conversion or copy at either size goes
// through its own description, never by resizing the shared one.
PictureDescription DescribePicture(PictureSize size);

// Set by the command handlers, read by the browse continuation and browser.
extern int commandMode;
// Current browse directory without trailing backslash; written by the browse
// prompts, BROWSEP and the browser, read by the browser, panel and cache.
extern char browseDirectory[kDirSize];
// Macro variable named at FILEM's prompt.
extern char fileVariable[kVariableSize];
// Last file picked for part insertion in the file manager.
extern char lastPartFile[kPickedPathSize];
// Set by the panel's Browse button, cleared by the file manager and Close.
extern bool browseRequested;
// The colour table every cached picture is converted through and drawn
// from, with the large picture's header.
extern PictureDescription PictureInfo;
// Set once the colour table was loaded from or saved to "ColorMap".
extern bool colourTableReady;
// The file manager's preview drawing; borrowed by each off-screen render.
extern HDL PreviewDrawing;
// The open browse-info cache list.
extern HDL CacheList;

// Start of every command path that opens the file manager or the browser.
void ResetCommandState();
// Tells the host around the module's dialogs.
void NotifyHost();
