// The main window's drawing view: the work drawing zoomed to its extents,
// drawn off-screen through the display device and copied in one piece.
#include "standin/device/device.h"
#include "standin/standin.h"

namespace {

// A little room around the extents, so lines on the edge show whole.
const double kMarginShare = 0.03;

// Frames and symbol references show on every layer.
bool Shown(HDL list, const HostEntity* entity) {
    const EntityHead* head = CheckedHead(entity);
    if (!head) return false;
    return head->type == kFrame || head->type == kSymbolRef || !LayerHidden(list, head->layer);
}

void DrawWorkDrawing(HDL list, const RECT& client) {
    Box box = EmptyBox();
    for (HostEntity* e = FirstEntity(list); e; e = NextEntity(e))
        if (Shown(list, e)) AddEntityBounds(&box, e, IdentityAffine());
    if (box.empty) return;
    double dx = box.maxX - box.minX, dy = box.maxY - box.minY;
    if (dx < 0.1) dx = 0.1;
    if (dy < 0.1) dy = 0.1;
    double x0 = box.minX - dx * kMarginShare, x1 = box.minX + dx * (1 + kMarginShare);
    double y0 = box.minY - dy * kMarginShare, y1 = box.minY + dy * (1 + kMarginShare);
    // Equal scales in x and y: widen the window in the direction that has room.
    double width = client.right, height = client.bottom;
    dx = x1 - x0, dy = y1 - y0;
    if (height / dy < width / dx) {
        double d = width * dy / height - dx;
        x0 -= d / 2, x1 += d / 2;
    } else {
        double d = height * dx / width - dy;
        y0 -= d / 2, y1 += d / 2;
    }
    SetBMView(static_cast<float>(x0), static_cast<float>(y0), static_cast<float>(x1), static_cast<float>(y1),
              &client);
    for (HostEntity* e = FirstEntity(list); e; e = NextEntity(e))
        if (Shown(list, e)) EDraw1(e);
}

}  // namespace

void PaintDrawingView(HWND view, HDC dc) {
    RECT client;
    GetClientRect(view, &client);
    if (client.right <= 0 || client.bottom <= 0) return;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(dc, client.right, client.bottom) : nullptr;
    if (!bitmap) {
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        if (memory) DeleteDC(memory);
        return;
    }
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    HDL list = DLGetWorkDL();
    const HeaderBlock* header = list ? HeaderOf(list) : nullptr;
    DevUseBitmap(memory);
    DevUseColor(header ? header->background : 15);
    DevSRect(&client);
    if (header) DrawWorkDrawing(list, client);
    DevUsePrior();
    BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
}
