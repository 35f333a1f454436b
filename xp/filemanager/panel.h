// Shared among the file manager's files: the preview panel that sits inside
// the system's open dialog, and the pieces of RunFileManager that tests reach.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include "host/hostapi.h"

// ---- panelstate.cpp ----
// The panel's options; they keep their values from one file manager to the
// next. Written by the panel's check boxes, read by the panel and, for
// useBrowseFile, by RunFileManager (the browser's keepCache).
extern int autoPreview;
extern int autoZoomAll;
extern int useBrowseFile;

// The record of one showing of the panel: everything that lives for one
// showing of the file dialog, reset in one statement when the panel is made
// (WM_INITDIALOG).

// What the picture in the box was made from, so that a box of another size
// gets the same picture again (panelpreview.cpp).
enum PictureSource { kNothingDrawn, kRendered, kDrawnFromView, kShownAll };
// A control as the dialog first placed it, and the edges it keeps its
// distance to (panellayout.cpp).
struct PlacedControl {
    HWND window;
    RECT atTemplate;     // before the dialog moved it
    RECT start;
    bool followsRight;   // right of the system's controls
    bool followsBottom;  // below them
};
enum { kMaxPanelControls = 16 };
// The panel as arranged at CDN_INITDONE: written there, read at every
// WM_SIZE of that panel.
struct PanelLayout {
    HWND panel;
    SIZE start;    // the panel's client size then
    SIZE picture;  // the picture size the box was last fitted to
    PlacedControl controls[kMaxPanelControls];
    int count;
};
enum { kDialogTextSize = 260 };
struct PanelShowing {
    char previewedFile[kDialogTextSize];  // panel.cpp: the file the preview stands for ("" for none)
    bool selectionTold;                   // panel.cpp: the dialog has told its first selection
    PictureSource pictureSource;          // panelpreview.cpp
    char previewPath[kDialogTextSize];    // panelpreview.cpp: the loaded file, whose name says what is drawn
    PanelLayout layout;                   // panellayout.cpp
};
// Reset by the panel's WM_INITDIALOG; each field's file writes and reads it.
extern PanelShowing ShownPanel;

// ---- panel.cpp ----
// The system calls this with the panel's messages; the panel's parent is the
// system's file dialog. Returns 1 after WM_MEASUREITEM, else 0.
UINT_PTR CALLBACK FileManagerHook(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);

// ---- panelpreview.cpp ----
void PreviewSelectedFile(HWND panel);
void ClearPreview(HWND panel);
void ZoomAllPreview(HWND panel);
// The Zoom all and Show all buttons.
void PressZoomAll(HWND panel);
void PressShowAll(HWND panel);
// The box changed size: the picture is made again at the new size.
void RefitPreview(HWND panel);
// The cache entry of the selected file (CDN_SELCHANGE with Use browse file).
void LookUpSelectedFile(HWND panel);

// ---- panellayout.cpp ----
// The panel's controls kept beside the system's at every size and DPI. NotePanelTemplate at WM_INITDIALOG, ArrangePanel at
// CDN_INITDONE, FollowPanelSize at WM_SIZE; the last two are true when the
// picture the box holds changed its size (RefitPreview makes it again).
bool ArrangePanel(HWND panel);
bool FollowPanelSize(HWND panel);
void NotePanelTemplate(HWND panel);
// The picture the box holds: 181 x 188, or the box's own size where the box
// is clearly larger.
SIZE PreviewPictureSize(HWND panel);
// Where a picture of width x height sits in the item: centred where the item
// is clearly larger, else at its top-left corner.
POINT PictureOffset(const RECT& item, int width, int height);

// ---- paneldraw.cpp ----
// True when the box shows the selected file's stored picture (Use browse
// file, an entry with a picture, the colour table ready) while nothing is
// loaded.
bool StoredPictureServes();
// WM_DRAWITEM of the preview box.
void DrawPreviewBox(HWND panel, const DRAWITEMSTRUCT* drawItem);
// DLScan callback: notes into the panel's tree.
int NoteScanCallback(int hostValue, HostEntity* entity, intptr_t panel, intptr_t unused);

// ---- dialogrequests.cpp ----
// Requests to the system dialog (the panel's parent). Each fills a 260-byte
// buffer and returns false when nothing was delivered.
bool GetSelectedPath(HWND panel, char (&path)[kDialogTextSize]);
// The file the selection names, as Open would take it (a name without an
// extension gets the file type's when that names a file).
bool GetSelectedFile(HWND panel, char (&path)[kDialogTextSize]);
// The folder shown, into browseDirectory.
bool GetShownFolder(HWND panel);

// ---- filedialog.cpp ----
// RunFileManager's steps that need no dialog. filterRow: the file type
// shown, FormatIndex.
void MakeStartingName(char* buffer, int size, int partFlag, int filterRow);
// The message for an extended error of the file dialog, or null for none.
const char* FileDialogErrorText(DWORD code);

// ---- choice.cpp ----
// True when the name in the dialog's file-name field can be spelt in the
// code page letter for letter (the dialog's own spelling may be best fit).
bool IsChosenNameSpelt(HWND panel);
// At CDN_FILEOK: a choice whose name or folder cannot be spelt, or whose
// path cannot stand in a macro line (a ';'), is told and refused, and the
// dialog stays open. True when refused.
bool RefuseUnusableChoice(HWND panel, const OFNOTIFYA* notify);
