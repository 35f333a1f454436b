// Placeholders for drawing files and sample drawings until they land; each
// reports failure through the host's status word.
#include "standin/drawing.h"
#include "standin/standin.h"

bool MakeSampleFolder(const char*, int, unsigned) { return false; }

extern "C" {
HDL DLLoad(const char*, int, int* status) { if (status) *status = 1; return nullptr; }
int DLSave(HDL, const char*) { return 0; }
}
