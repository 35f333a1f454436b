// The drawing preview renderer: a drawing list into an off-screen picture or
// the file manager's owner-drawn preview box, through the host's device.
#pragma once

#include "host/hostapi.h"

// The drawing window of the preview panel: min corner then max corner.
struct PreviewWindow {
    float min[3];
    float max[3];
};
static_assert(sizeof(PreviewWindow) == 24, "six consecutive floats, as EndPExtents writes them");

// Set by the file manager's Show all; cleared by the drawing that served it.
extern int ShowAllRequest;
// Set by the file manager on a new selection; cleared by the drawing that
// filled the notes tree.
extern int NotesRequest;
// The picture last drawn into the preview box; dropped by DropScreenCopy.
extern HBITMAP ScreenCopy;
// Written by the file manager, read by PaintPreviewItem.
extern PreviewWindow PreviewView;

bool LayerVisible(int16_t layer);
void DrawingExtents(HDL list, PreviewWindow* extents);
int ExtentsScanCallback(int hostValue, HostEntity* entity, intptr_t unused1, intptr_t unused2);
// notesWindow: HWND of the dialog holding the notes tree, or 0; noteHolder:
// address of a variable holding a cache entry (HostEntity**), or 0.
int DrawScanCallback(int hostValue, HostEntity* entity, intptr_t notesWindow, intptr_t noteHolder);
HBITMAP RenderToBitmap(HDL drawList, HDL headerList, int width, int height,
                       HostEntity** noteHolder, HWND notesWindow);
// RenderToBitmap in two steps, for a caller that renders one drawing at
// several sizes or many drawings: the extents once, then each picture with
// the caller's information context for "DISPLAY" and memory context, and
// into the caller's bitmap of that size when target is given (making those
// costs more than drawing a small picture). Returns the bitmap drawn into.
void MeasureForRender(HDL drawList, HDL headerList, PreviewWindow* window);
HBITMAP RenderMeasured(HDC info, HDC memory, HBITMAP target, HDL drawList, HDL headerList,
                       const PreviewWindow& window, int width, int height, HostEntity** noteHolder,
                       HWND notesWindow);
void PaintPreviewItem(const DRAWITEMSTRUCT* drawItem, HDL drawList, HDC paintDC, HWND notesWindow);
void DropScreenCopy();
void DrawEmptyFrame(const RECT* rect);
// Around a walk that fills the notes tree of notesWindow: the tree is not
// redrawn until the walk is done.
void BeginNotesFill(HWND notesWindow);
void EndNotesFill(HWND notesWindow);
// False once the tree is full: a walk of notes stops there.
bool AddNoteToTree(HWND notesWindow, const HostEntity* note);
// Copies of notes into the member list of the cache entry that holder holds;
// the entry moves when its member list is made, and holder follows it.
void CollectNote(HostEntity** holder, const HostEntity* note);
void CollectNotes(HDL list, HostEntity** holder);

// The minimum window and the fit to a pixel size, shared by both renders.
void ApplyMinimumSize(PreviewWindow* window);
void FitWindowToPixels(const PreviewWindow& window, int width, int height, float fitted[4]);
