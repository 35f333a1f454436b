// The preview box of the file manager, and the empty-picture placeholder.
#include "preview/preview.h"

#include "host/host.h"
#include "host/records.h"
#include "module/gdi.h"

HBITMAP ScreenCopy;

void DropScreenCopy() {
    DropObject(ScreenCopy);
    ScreenCopy = nullptr;
}

static void CopyScreenCopyTo(HDC target, int width, int height) {
    HDC memory = MakeMemoryDC(target);
    if (!memory) return;
    HGDIOBJ kept = SelectObject(memory, ScreenCopy);
    BitBlt(target, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, kept);
    DropDC(memory);
}

// Keeps what was just drawn, so later repaints are a plain copy.
static void KeepScreenCopy(HDC source, int width, int height) {
    DropScreenCopy();
    HDC memory = MakeMemoryDC(source);
    HBITMAP copy = memory ? MakeBitmap(source, width, height) : nullptr;
    if (copy) {
        HGDIOBJ kept = SelectObject(memory, copy);
        BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
        SelectObject(memory, kept);
        ScreenCopy = copy;
    }
    DropDC(memory);
}

void PaintPreviewItem(const DRAWITEMSTRUCT* drawItem, HDL drawList, HDC paintDC, HWND notesWindow) {
    const RECT& item = drawItem->rcItem;
    int width = item.right - item.left, height = item.bottom - item.top;
    if (ScreenCopy) {
        CopyScreenCopyTo(drawItem->hDC, width, height);
        return;
    }
    const void* header = host::DLGetIBAdr(drawList, 0);
    host::DevUseColor(header ? ReadField<int16_t>(header, rec::kHeaderBackground) : 15);
    host::DevSRect(&item);
    float fitted[4];
    FitWindowToPixels(PreviewView, width, height, fitted);
    host::SetODView(fitted[0], fitted[1], fitted[2], fitted[3], drawItem);
    HRGN clip = MakeRectRegion(&item);
    if (clip) SelectClipRgn(paintDC, clip);
    host::DLScan(drawList, DrawScanCallback, kScanSubLists, reinterpret_cast<intptr_t>(notesWindow), 0);
    NotesRequest = 0;
    ShowAllRequest = 0;
    KeepScreenCopy(drawItem->hDC, width, height);
    if (clip) {
        SelectClipRgn(paintDC, nullptr);
        DropObject(clip);
    }
}

void DrawEmptyFrame(const RECT* rect) {
    RECT r = *rect;
    host::DevUseColor(15);
    host::DevSRect(&r);
    host::DevUseColor(0);
    r.left += 3;
    r.top += 3;
    r.right -= 4;
    r.bottom -= 3;
    host::DevHRect(&r);
    host::DevSLine(r.left, r.top, r.right, r.bottom);
    host::DevSLine(r.right, r.top, r.left, r.bottom);
}
