// The display device: a stack of drawing targets (memory DCs and owner-drawn
// items), the host's fixed colour palette, rectangles, lines and text in
// pixels, and the views that map a drawing window onto a target.
#include "standin/device/device.h"
#include "standin/standin.h"

#include <math.h>
#include <string.h>

namespace {

// Deep enough for a module that draws a picture inside an owner-drawn item
// inside another; a deeper push is a module fault.
enum { kMaxTargets = 16 };

// Pushed by DevUseBitmap and DevUseOwnerDraw, popped by DevUsePrior; read by
// every drawing call. A push past kMaxTargets is only counted (`lostPushes`)
// so that its DevUsePrior still pairs with it.
struct TargetStack {
    DrawTarget targets[kMaxTargets];
    int depth;
    int lostPushes;
};
TargetStack g_stack;

COLORREF g_palette[256];   // made once, on first use
bool g_paletteReady;

void MakePalette() {
    // The classic 16 colours; 0 black and 15 white as every picture expects.
    static const COLORREF kClassic[16] = {
        RGB(0, 0, 0),       RGB(0, 0, 128),     RGB(0, 128, 0),     RGB(0, 128, 128),
        RGB(128, 0, 0),     RGB(128, 0, 128),   RGB(128, 128, 0),   RGB(192, 192, 192),
        RGB(128, 128, 128), RGB(0, 0, 255),     RGB(0, 255, 0),     RGB(0, 255, 255),
        RGB(255, 0, 0),     RGB(255, 0, 255),   RGB(255, 255, 0),   RGB(255, 255, 255),
    };
    memcpy(g_palette, kClassic, sizeof kClassic);
    // Then a 6 x 6 x 6 colour cube and a grey ramp: every number a distinct,
    // fixed colour.
    int n = 16;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) g_palette[n++] = RGB(r * 51, g * 51, b * 51);
    for (int i = 0; n < 256; ++i) {
        int level = 8 + i * 10;
        g_palette[n++] = RGB(level, level, level);
    }
    g_paletteReady = true;
}

void Push(HDC dc, const char* service) {
    if (g_stack.depth == kMaxTargets) {
        RecordError("%s: more than %d drawing targets in use", service, kMaxTargets);
        ++g_stack.lostPushes;
        return;
    }
    // A new target starts with the colours in use, so that a picture drawn
    // inside an item does not change what the item's painter set.
    const DrawTarget* outer = CurrentTarget();
    DrawTarget& target = g_stack.targets[g_stack.depth];
    target = DrawTarget{};
    target.dc = dc;
    target.colour = outer ? outer->colour : 0;
    target.bkColour = outer ? outer->bkColour : 15;
    target.view = IdentityAffine();
    ++g_stack.depth;
}

// The target of a drawing call, or null (and a recorded fault) when the
// module draws without having chosen one.
DrawTarget* TargetFor(const char* service) {
    DrawTarget* target = CurrentTarget();
    if (!target) RecordError("%s: no drawing target (DevUseBitmap or DevUseOwnerDraw first)", service);
    return target && target->dc ? target : nullptr;
}

// Fills with a solid colour without making a brush: an opaque empty text
// paints its rectangle in the background colour.
void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    COLORREF oldBk = SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    SetBkColor(dc, oldBk);
}

// Maps the window onto `pixels`: x0 to the left pixel column, x1 to the
// right one, y1 (up) to the top row and y0 to the bottom row, so that the
// extents of a drawing land on the target's outermost pixels, not just
// outside them.
void SetView(const char* service, float x0, float y0, float x1, float y1, const RECT& pixels) {
    DrawTarget* target = CurrentTarget();
    if (!target) {
        RecordError("%s: no drawing target", service);
        return;
    }
    double dx = double(x1) - x0, dy = double(y1) - y0;
    if (!isfinite(dx) || !isfinite(dy) || !isfinite(double(x0)) || !isfinite(double(y0))) {
        RecordError("%s: window is not finite", service);
        return;
    }
    if (dx == 0) dx = 1;
    if (dy == 0) dy = 1;
    int width = pixels.right - pixels.left, height = pixels.bottom - pixels.top;
    double spanX = width > 1 ? width - 1 : 1, spanY = height > 1 ? height - 1 : 1;
    double sx = spanX / dx, sy = spanY / dy;
    target->view = Affine{sx, 0, 0, -sy, pixels.left - x0 * sx, pixels.top + spanY + y0 * sy};
    target->unitsToPixels = fabs(sy);
    target->viewRect = pixels;
    target->hasView = true;
}

}  // namespace

DrawTarget* CurrentTarget() {
    return g_stack.depth > 0 ? &g_stack.targets[g_stack.depth - 1] : nullptr;
}

COLORREF HostColour(int colour) {
    if (!g_paletteReady) MakePalette();
    return g_palette[static_cast<unsigned>(colour) & 0xFF];
}

extern "C" {

void DevUseBitmap(HDC memoryDC) {
    if (!memoryDC) RecordError("DevUseBitmap: no device context");
    Push(memoryDC, "DevUseBitmap");
}

void DevUseOwnerDraw(const DRAWITEMSTRUCT* item) {
    if (!item || !item->hDC) RecordError("DevUseOwnerDraw: no owner-draw record");
    Push(item ? item->hDC : nullptr, "DevUseOwnerDraw");
}

void DevUsePrior(void) {
    if (g_stack.lostPushes > 0) {
        --g_stack.lostPushes;
    } else if (g_stack.depth == 0) {
        RecordError("DevUsePrior: no DevUseBitmap or DevUseOwnerDraw to return from");
    } else {
        --g_stack.depth;
    }
}

void DevUseColor(int colour) {
    if (DrawTarget* target = CurrentTarget()) target->colour = colour;
    else RecordError("DevUseColor: no drawing target");
}

void DevUseBkColor(int colour) {
    if (DrawTarget* target = CurrentTarget()) target->bkColour = colour;
    else RecordError("DevUseBkColor: no drawing target");
}

void DevSRect(const RECT* rect) {
    DrawTarget* target = TargetFor("DevSRect");
    if (target && rect) FillSolid(target->dc, *rect, HostColour(target->colour));
}

// A one-pixel frame just inside the rectangle, as FrameRect draws it.
void DevHRect(const RECT* rect) {
    DrawTarget* target = TargetFor("DevHRect");
    if (!target || !rect) return;
    const RECT& r = *rect;
    if (r.right <= r.left || r.bottom <= r.top) return;
    COLORREF colour = HostColour(target->colour);
    const RECT edges[4] = {
        {r.left, r.top, r.right, r.top + 1},
        {r.left, r.bottom - 1, r.right, r.bottom},
        {r.left, r.top, r.left + 1, r.bottom},
        {r.right - 1, r.top, r.right, r.bottom},
    };
    for (const RECT& edge : edges) FillSolid(target->dc, edge, colour);
}

// Both end points are drawn (LineTo alone leaves out the last one).
void DevSLine(int x0, int y0, int x1, int y1) {
    DrawTarget* target = TargetFor("DevSLine");
    if (!target) return;
    HDC dc = target->dc;
    COLORREF colour = HostColour(target->colour);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(DC_PEN));
    COLORREF oldColour = SetDCPenColor(dc, colour);
    POINT oldPosition;
    MoveToEx(dc, x0, y0, &oldPosition);
    LineTo(dc, x1, y1);
    SetPixelV(dc, x1, y1, colour);
    MoveToEx(dc, oldPosition.x, oldPosition.y, nullptr);
    SetDCPenColor(dc, oldColour);
    SelectObject(dc, oldPen);
}

// A name in its band: one line, '&' shown as it is, cut with an ellipsis
// when too long, on the background colour. Centred vertically when the
// font fits; a font taller than the band keeps its descent inside it (the
// leading above the capitals is what is cut), so underscores and the tails
// of g, p and y still show.
void DevVText(const char* text, const RECT* rect) {
    DrawTarget* target = TargetFor("DevVText");
    if (!target || !text || !rect) return;
    HDC dc = target->dc;
    RECT box = *rect;
    TEXTMETRICA metrics;
    if (GetTextMetricsA(dc, &metrics)) {
        int room = box.bottom - box.top;
        int top = box.top + (room - static_cast<int>(metrics.tmHeight)) / 2;
        if (metrics.tmHeight > room) top = box.bottom - metrics.tmHeight;
        box.top = top;
        box.bottom = top + metrics.tmHeight;
    }
    int length = static_cast<int>(strnlen(text, kMaxTextLength));
    COLORREF oldText = SetTextColor(dc, HostColour(target->colour));
    COLORREF oldBk = SetBkColor(dc, HostColour(target->bkColour));
    int oldMode = SetBkMode(dc, OPAQUE);
    // The band clips; the box only places the line within it.
    HRGN oldClip = CreateRectRgn(0, 0, 0, 0);
    int hadClip = oldClip ? GetClipRgn(dc, oldClip) : -1;
    IntersectClipRect(dc, rect->left, rect->top, rect->right, rect->bottom);
    DrawTextA(dc, text, length, &box,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_NOCLIP);
    SelectClipRgn(dc, hadClip == 1 ? oldClip : nullptr);
    if (oldClip) DeleteObject(oldClip);
    SetBkMode(dc, oldMode);
    SetBkColor(dc, oldBk);
    SetTextColor(dc, oldText);
}

HFONT DevFont(HFONT font) {
    DrawTarget* target = TargetFor("DevFont");
    if (!target || !font) return nullptr;
    return static_cast<HFONT>(SelectObject(target->dc, font));
}

void SetODView(float x0, float y0, float x1, float y1, const DRAWITEMSTRUCT* item) {
    if (!item) {
        RecordError("SetODView: no owner-draw record");
        return;
    }
    SetView("SetODView", x0, y0, x1, y1, item->rcItem);
}

void SetBMView(float x0, float y0, float x1, float y1, const RECT* target) {
    if (!target) {
        RecordError("SetBMView: no target rectangle");
        return;
    }
    SetView("SetBMView", x0, y0, x1, y1, *target);
}

}  // extern "C"
