// The panel's preview of the selected file: load, extents, render, and the
// lookup of the file's entry in the folder's browse-info cache.
#include "filemanager/panel.h"

#include "browsecache/cache.h"
#include "host/host.h"
#include "host/records.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"
#include "preview/preview.h"
#include "resources/resource.h"

namespace {

void RepaintPreviewBox(HWND panel) { InvalidateRect(GetDlgItem(panel, IDC_FILE_PREVIEW), nullptr, FALSE); }

// The header's stored extents serve when they are marked valid and current
// and span at least the minimum in both directions; otherwise the drawing is
// measured and the header marked current, as the host does after a regen.
void SetViewFromHeader() {
    unsigned char* header = static_cast<unsigned char*>(host::DLGetIBAdr(PreviewDrawing, 0));
    if (header) memcpy(&PreviewView, header + rec::kHeaderExtents, sizeof PreviewView);
    bool stale = !header || header[rec::kHeaderExtentsValid] == 0 ||
                 (ReadField<uint16_t>(header, rec::kHeaderFlags) & rec::kHeaderExtentsStale) != 0 ||
                 !SpansMinimum(PreviewView);
    if (stale) {
        DrawingExtents(PreviewDrawing, PreviewDrawing, &PreviewView);
        if (header) {
            header[rec::kHeaderExtentsValid] = 1;
            uint16_t flags = ReadField<uint16_t>(header, rec::kHeaderFlags);
            WriteField<uint16_t>(header, rec::kHeaderFlags, flags & ~rec::kHeaderExtentsStale);
        }
    }
    ApplyMinimumSize(&PreviewView);
}

// A name the cache can hold: no folder part, and a three-character extension.
bool IsCacheableName(const char* name) {
    int length = lstrlenA(name);
    if (length < 4 || name[length - 4] != '.') return false;
    for (const char* c = name; *c; ++c) {
        if (*c == '\\' || *c == '/' || *c == ':') return false;
    }
    return true;
}

// The showing's previewPath is the file loaded, whose name says what is
// drawn; its pictureSource is written by the preview and the buttons and
// read by RefitPreview.
bool LoadSelectedDrawing(HWND panel) {
    if (!GetSelectedFile(panel, ShownPanel.previewPath)) return false;
    PreviewDrawing = host::DLLoad(ShownPanel.previewPath, kPreviewLoadFlags);
    if (!PreviewDrawing) return false;
    SetViewFromHeader();
    return true;
}

// notesWindow: the panel when the render is to fill the notes tree.
void RenderPreview(HWND panel, HWND notesWindow) {
    SIZE size = PreviewPictureSize(panel);
    DropScreenCopy();
    HDL list = ListToDraw(PreviewDrawing, ShownPanel.previewPath);
    ScreenCopy = RenderToBitmap(list, PreviewDrawing, size.cx, size.cy, nullptr, notesWindow);
    ShownPanel.pictureSource = kRendered;
}

// Zoom all and Show all redraw the drawing. A file served from its stored
// picture has not been loaded: it is loaded now, once (its notes are in the
// tree already), and the stored picture still serves its next selection.
bool HavePreviewDrawing(HWND panel) {
    if (!PreviewDrawing && StoredPictureServes()) LoadSelectedDrawing(panel);
    return PreviewDrawing != nullptr;
}

}  // namespace

void PreviewSelectedFile(HWND panel) {
    DropPreviewDrawing();
    ShownPanel.pictureSource = kNothingDrawn;
    if (!LoadSelectedDrawing(panel)) return;
    NotesRequest = true;
    RenderPreview(panel, panel);
    RepaintPreviewBox(panel);
}

void ClearPreview(HWND panel) {
    DropPreviewDrawing();
    ShownPanel.pictureSource = kNothingDrawn;
    RepaintPreviewBox(panel);
}

// The whole file is measured, a symbol library included.
void ZoomAllPreview(HWND panel) {
    if (!PreviewDrawing) return;
    DrawingExtents(PreviewDrawing, PreviewDrawing, &PreviewView);
    ApplyMinimumSize(&PreviewView);
    RepaintPreviewBox(panel);
}

void PressZoomAll(HWND panel) {
    HavePreviewDrawing(panel);
    DropScreenCopy();
    ZoomAllPreview(panel);
    if (PreviewDrawing) ShownPanel.pictureSource = kDrawnFromView;
}

// Show all frames what it draws: the list drawn, hidden layers included (no
// layer table hides a layer), where it once kept the header's extents and a
// drawing whose every entity lay on hidden layers showed as a sliver.
void PressShowAll(HWND panel) {
    if (HavePreviewDrawing(panel)) {
        DrawingExtents(ListToDraw(PreviewDrawing, ShownPanel.previewPath), nullptr, &PreviewView);
        ApplyMinimumSize(&PreviewView);
        ShownPanel.pictureSource = kShownAll;
    }
    DropScreenCopy();
    ShowAllRequest = true;
    RepaintPreviewBox(panel);
}

// A rendered preview is rendered again at the box's new size (without the
// notes, which are in the tree); a picture drawn from the view is drawn from
// it again, with the hidden layers when Show all drew it.
void RefitPreview(HWND panel) {
    if (PreviewDrawing && ShownPanel.pictureSource == kRendered) {
        RenderPreview(panel, nullptr);
    } else {
        DropScreenCopy();
        if (PreviewDrawing && ShownPanel.pictureSource == kShownAll) ShowAllRequest = true;
    }
    RepaintPreviewBox(panel);
}

// The selected file's last-write time is read by attribute query on its
// path, which must lie in the folder shown, which the caller has just put
// into browseDirectory (the system dialog runs with OFN_NOCHANGEDIR, so the
// process's current directory need not be that folder). The file is not
// opened: opening it for writing without sharing locked the drawing against
// every other program for that moment, and kept read-only drawings and
// read-only shares out of the cache. The name is the file Open would take,
// so the starting name, proposed without its extension, is looked up too.
void LookUpSelectedFile(HWND panel) {
    char file[kDialogTextSize];
    if (!GetSelectedFile(panel, file)) return;
    const char* name = FileNamePart(file);
    char path[kDirSize + kDialogTextSize];
    if (!IsCacheableName(name) || !JoinPath(path, browseDirectory, name) || lstrcmpiA(path, file) != 0) return;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
    currentEntry = FindOrAddEntry(name, &data.ftLastWriteTime);
}
