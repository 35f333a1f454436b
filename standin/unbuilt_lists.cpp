// Placeholder for the sample drawings until they land.
#include "standin/drawing.h"

bool MakeSampleFolder(const char*, int, unsigned) { return false; }
