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

}  // namespace

void PreviewSelectedFile(HWND panel) {
    DropPreviewDrawing();
    char path[kDialogTextSize];
    if (!GetSelectedPath(panel, path)) return;
    PreviewDrawing = host::DLLoad(path, kPreviewLoadFlags);
    if (!PreviewDrawing) return;
    SetViewFromHeader();
    HDL drawList = ListToDraw(PreviewDrawing, path);
    NotesRequest = 1;
    DropScreenCopy();
    ScreenCopy = RenderToBitmap(drawList, PreviewDrawing, kLargeWidth, kLargeHeight, nullptr, panel);
    RepaintPreviewBox(panel);
}

void ClearPreview(HWND panel) {
    DropPreviewDrawing();
    RepaintPreviewBox(panel);
}

// The whole file is measured, a symbol library included.
void ZoomAllPreview(HWND panel) {
    if (!PreviewDrawing) return;
    DrawingExtents(PreviewDrawing, PreviewDrawing, &PreviewView);
    ApplyMinimumSize(&PreviewView);
    RepaintPreviewBox(panel);
}

// The selected file's last-write time is read by attribute query on its
// path in the folder shown, which the caller has just put into
// browseDirectory (the system dialog runs with OFN_NOCHANGEDIR, so the
// process's current directory need not be that folder). The file is not
// opened: opening it for writing without sharing locked the drawing against
// every other program for that moment, and kept read-only drawings and
// read-only shares out of the cache.
void LookUpSelectedFile(HWND panel) {
    char name[kDialogTextSize];
    if (!GetSelectedName(panel, name) || !IsCacheableName(name)) return;
    char path[kDirSize + kDialogTextSize];
    if (!JoinPath(path, browseDirectory, name)) return;
    WIN32_FILE_ATTRIBUTE_DATA file;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &file)) return;
    if (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
    currentEntry = FindOrAddEntry(name, &file.ftLastWriteTime);
}

// Stops the walk once the tree is full.
int NoteScanCallback(int, HostEntity* entity, intptr_t panel, intptr_t) {
    if (EntityType(entity) == rec::kTypeNote && !AddNoteToTree(reinterpret_cast<HWND>(panel), entity)) return 1;
    return 0;
}
