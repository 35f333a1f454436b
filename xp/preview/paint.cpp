// The preview box of the file manager, and the empty-picture placeholder.
#include "preview/preview.h"

#include <utility>

#include "host/host.h"
#include "module/gdi.h"
#include "module/state.h"

Bitmap ScreenCopy;

void DropScreenCopy() { ScreenCopy.Reset(); }

void DropPreviewDrawing() {
    if (!PreviewDrawing) return;
    DropScreenCopy();
    host::DLDestroy(PreviewDrawing);
    PreviewDrawing = nullptr;
}

// The kept copy goes to the item's top-left corner at its own size, which
// may be smaller than the item (the off-screen render is 181 x 188).
static void CopyScreenCopyTo(HDC target, const RECT& item) {
    BITMAP size = {};
    if (!GetObjectA(ScreenCopy.Get(), sizeof size, &size)) return;
    DeviceContext memory = MakeMemoryDC(target);
    if (!memory) return;
    HGDIOBJ kept = SelectObject(memory.Get(), ScreenCopy.Get());
    int width = item.right - item.left < size.bmWidth ? item.right - item.left : size.bmWidth;
    int height = item.bottom - item.top < size.bmHeight ? item.bottom - item.top : size.bmHeight;
    BitBlt(target, item.left, item.top, width, height, memory.Get(), 0, 0, SRCCOPY);
    SelectObject(memory.Get(), kept);
}

// Keeps what was just drawn, so later repaints are a plain copy.
static void KeepScreenCopy(HDC source, int width, int height) {
    DropScreenCopy();
    DeviceContext memory = MakeMemoryDC(source);
    Bitmap copy = memory ? MakeBitmap(source, width, height) : Bitmap();
    if (!copy) return;
    HGDIOBJ kept = SelectObject(memory.Get(), copy.Get());
    BitBlt(memory.Get(), 0, 0, width, height, source, 0, 0, SRCCOPY);
    SelectObject(memory.Get(), kept);
    ScreenCopy = std::move(copy);
}

void PaintPreviewItem(const DRAWITEMSTRUCT* drawItem, HDL drawList, HDL layers, HWND notesWindow) {
    const RECT& item = drawItem->rcItem;
    int width = item.right - item.left, height = item.bottom - item.top;
    // The whole item takes the picture's background first: where a kept copy
    // is narrower than the item, the previous picture stayed in the strip.
    host::DevUseColor(BackgroundOf(drawList));
    host::DevSRect(&item);
    if (ScreenCopy) {
        CopyScreenCopyTo(drawItem->hDC, item);
        return;
    }
    float fitted[4];
    FitWindowToPixels(PreviewView, width, height, fitted);
    host::SetODView(fitted[0], fitted[1], fitted[2], fitted[3], drawItem);
    Region clip = MakeRectRegion(item);
    if (clip) SelectClipRgn(drawItem->hDC, clip.Get());
    DrawScan scan = {layers, notesWindow, nullptr};
    bool fillsNotes = notesWindow && NotesRequest;
    if (fillsNotes) BeginNotesFill(notesWindow);
    host::DLScan(drawList, DrawScanCallback, kScanSubLists, reinterpret_cast<intptr_t>(&scan), 0);
    if (fillsNotes) EndNotesFill(notesWindow);
    NotesRequest = false;
    ShowAllRequest = false;
    KeepScreenCopy(drawItem->hDC, width, height);
    if (clip) SelectClipRgn(drawItem->hDC, nullptr);
}

void DrawEmptyFrame(const RECT* rect) {
    RECT r = *rect;
    host::DevUseColor(host::kBackgroundColour);
    host::DevSRect(&r);
    host::DevUseColor(host::kTextColour);
    r.left += 3;
    r.top += 3;
    r.right -= 4;
    r.bottom -= 3;
    host::DevHRect(&r);
    host::DevSLine(r.left, r.top, r.right, r.bottom);
    host::DevSLine(r.right, r.top, r.left, r.bottom);
}
