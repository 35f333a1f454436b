// Placeholders for the display device and extents until the display device lands; each reports failure
// through the host's status word.
#include "standin/drawing.h"
#include "standin/standin.h"

void PaintDrawingView(HWND view, HDC dc) {
    RECT r;
    GetClientRect(view, &r);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

extern "C" {
void EDraw1(HostEntity*) {}
void EXCheck(HostEntity*) {}
void LDSymTM(const void*) {}
void TranP2(float*) {}
void XCheckP2(const float*) {}
void BgnPExtents(void) {}
void EndPExtents(float* six) { for (int i = 0; i < 6; ++i) six[i] = 0; }
void DevUseBitmap(HDC) {}
void DevUseOwnerDraw(const DRAWITEMSTRUCT*) {}
void DevUsePrior(void) {}
void DevUseColor(int) {}
void DevUseBkColor(int) {}
void DevSRect(const RECT*) {}
void DevHRect(const RECT*) {}
void DevSLine(int, int, int, int) {}
void DevVText(const char*, const RECT*) {}
HFONT DevFont(HFONT font) { return font; }
void SetODView(float, float, float, float, const DRAWITEMSTRUCT*) {}
void SetBMView(float, float, float, float, const RECT*) {}
}
