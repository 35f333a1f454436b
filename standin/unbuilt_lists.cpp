// Placeholders for the drawing lists until the drawing model lands; each reports failure
// through the host's status word.
#include "standin/drawing.h"
#include "standin/standin.h"

static int g_changed;
int* DrawingChangedFlag() { return &g_changed; }
void SetWorkDrawing(HDL) {}
bool MakeSampleFolder(const char*, int, unsigned) { return false; }

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
int FormSt(const void*, int) { return 0; }
int ENoSupp(void) { return 0; }
}
