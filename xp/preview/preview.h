// The drawing preview renderer: a drawing list into an off-screen picture or
// the file manager's owner-drawn preview box, through the host's device.
#pragma once

#include "host/hostapi.h"
#include "module/gdi.h"

// How the previews load a drawing: the flags of DLLoad.
enum { kPreviewLoadFlags = 46 };

// The drawing window of the preview panel: min corner then max corner.
struct PreviewWindow {
    float min[3];
    float max[3];
};
static_assert(sizeof(PreviewWindow) == 24, "six consecutive floats, as EndPExtents writes them");

// Set by the file manager's Show all; cleared by the drawing that served it.
extern bool ShowAllRequest;
// Set by the file manager on a new selection; cleared by the drawing that
// filled the notes tree.
extern bool NotesRequest;
// The picture last drawn into the preview box; dropped by DropScreenCopy.
extern Bitmap ScreenCopy;
// Written by the file manager, read by PaintPreviewItem.
extern PreviewWindow PreviewView;

// Whether drawing's layer table shows the layer; without a drawing or a
// table every layer shows.
bool LayerVisible(HDL drawing, int16_t layer);
// The extents of list's entities on the layers that drawing layers shows.
void DrawingExtents(HDL list, HDL layers, PreviewWindow* extents);
// layers: the HDL whose layer table applies.
int ExtentsScanCallback(int hostValue, HostEntity* entity, intptr_t layers, intptr_t unused);
// What a drawing walk draws with: the drawing whose layer table applies
// (the one loaded, also when a symbol's members are drawn), the dialog
// holding the notes tree or null, and the address of a variable holding a
// cache entry that receives copies of the notes, or null.
struct DrawScan {
    HDL layers;
    HWND notesWindow;
    HostEntity** noteHolder;
};
// scan: the address of a DrawScan.
int DrawScanCallback(int hostValue, HostEntity* entity, intptr_t scan, intptr_t unused);
// A new bitmap of width x height with the drawing in it; empty when none
// could be made.
Bitmap RenderToBitmap(HDL drawList, HDL headerList, int width, int height, HostEntity** noteHolder,
                      HWND notesWindow);
// RenderToBitmap in two steps, for a caller that renders one drawing at
// several sizes or many drawings: the extents once, then each picture with
// the caller's memory context (compatible with "DISPLAY") into the caller's
// bitmap of that size (making those costs more than drawing a small
// picture). False when there was no context or bitmap to draw with.
void MeasureForRender(HDL drawList, HDL headerList, PreviewWindow* window);
bool RenderMeasured(HDC memory, HBITMAP target, HDL drawList, HDL headerList, const PreviewWindow& window,
                    int width, int height, HostEntity** noteHolder, HWND notesWindow);
// Draws drawList into the owner-drawn item, layers shown as drawing layers
// says, or copies the picture kept from the last time.
void PaintPreviewItem(const DRAWITEMSTRUCT* drawItem, HDL drawList, HDL layers, HWND notesWindow);
void DropScreenCopy();
// Destroys the file manager's preview drawing and the picture made of it.
void DropPreviewDrawing();
void DrawEmptyFrame(const RECT* rect);
// What a preview of the file name shows of drawing: a symbol library (a
// name ending in KVS) the members of its first symbol definition; any other
// drawing, or a library without one, itself.
HDL ListToDraw(HDL drawing, const char* name);
// The host colour a drawing's background takes.
int BackgroundOf(HDL list);
// Around a walk that fills the notes tree of notesWindow: the tree is not
// redrawn until the walk is done.
void BeginNotesFill(HWND notesWindow);
void EndNotesFill(HWND notesWindow);
// False once the tree is full: a walk of notes stops there.
bool AddNoteToTree(HWND notesWindow, const HostEntity* note);
// A note entity's heading and body text, bounded by its record (neither
// ends in a NUL); false when the entity is no note or too short to be one.
struct NoteText {
    const char* heading;
    size_t headingLength;
    const char* body;
    size_t bodyLength;
};
bool ReadNoteText(const HostEntity* note, NoteText* text);
// Copies of notes into the member list of the cache entry that holder holds;
// the entry moves when its member list is made, and holder follows it.
void CollectNote(HostEntity** holder, const HostEntity* note);
void CollectNotes(HDL list, HostEntity** holder);

// The minimum window and the fit to a pixel size, shared by both renders.
// A window narrower or lower than kMinimumSpan drawing units is widened.
constexpr double kMinimumSpan = 0.1;
bool SpansMinimum(const PreviewWindow& window);
void ApplyMinimumSize(PreviewWindow* window);
void FitWindowToPixels(const PreviewWindow& window, int width, int height, float fitted[4]);
