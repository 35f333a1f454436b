#include "module/gdi.h"

static int g_live;  // made minus dropped; read by tests

int LiveGdiObjects() { return g_live; }

template <typename Handle>
static Handle Counted(Handle handle) {
    if (handle) ++g_live;
    return handle;
}

HDC MakeDisplayInfo() { return Counted(CreateICA("DISPLAY", nullptr, nullptr, nullptr)); }
HDC MakeMemoryDC(HDC compatible) { return Counted(CreateCompatibleDC(compatible)); }
HBITMAP MakeBitmap(HDC compatible, int width, int height) {
    return Counted(CreateCompatibleBitmap(compatible, width, height));
}
HRGN MakeRectRegion(const RECT* rect) { return Counted(CreateRectRgnIndirect(rect)); }

void DropDC(HDC dc) {
    if (dc && DeleteDC(dc)) --g_live;
}

void DropObject(HGDIOBJ object) {
    if (object && DeleteObject(object)) --g_live;
}
