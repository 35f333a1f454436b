// Placeholders for the drawing services until the drawing model lands; each
// reports failure through the host's status word.
#include "standin/drawing.h"
#include "standin/standin.h"

static int g_changed;
int* DrawingChangedFlag() { return &g_changed; }
void SetWorkDrawing(HDL) {}
bool MakeSampleFolder(const char*, int, unsigned) { return false; }
void PaintDrawingView(HWND view, HDC dc) {
    RECT r;
    GetClientRect(view, &r);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

static void Fail(int* status) { if (status) *status = 1; }

extern "C" {
HDL DLLoad(const char*, int, int* status) { Fail(status); return nullptr; }
HDL DLCreate(const char*, int, int* status) { Fail(status); return nullptr; }
void DLEmpty(HDL) {}
void DLDestroy(HDL) {}
int DLSave(HDL, const char*) { return 0; }
HDL DLGetWorkDL(void) { return nullptr; }
int DLScan(HDL, DLScanProc, int, intptr_t, intptr_t) { return 0; }
HostEntity* DLApnd(HDL, const void*, int* status) { Fail(status); return nullptr; }
void DLMoveB(HostEntity*, HostEntity*) {}
HostEntity* DLCopy(HDL, const HostEntity*) { return nullptr; }
void DLDelete(HostEntity*) {}
void DLSelect(HostEntity*) {}
void DLUnSelect(HostEntity*) {}
HDL DLGetSubList(HostEntity*, int* status) { Fail(status); return nullptr; }
HostEntity* DLMakeSubList(HostEntity*, int* status) { Fail(status); return nullptr; }
void* DLGetIBAdr(HDL, int, int* status) { Fail(status); return nullptr; }
void GetCStuff(void*) {}
void EDraw1(HostEntity*) {}
void EXCheck(HostEntity*) {}
void LDSymTM(const void*) {}
void TranP2(float*) {}
void XCheckP2(const float*) {}
void BgnPExtents(void) {}
void EndPExtents(float* six) { for (int i = 0; i < 6; ++i) six[i] = 0; }
int FormSt(const void*, int) { return 0; }
int ENoSupp(void) { return 0; }
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
