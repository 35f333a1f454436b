// Placeholder for the DXF reader until it lands: every DXF file is refused.
#include "standin/drawing.h"

HDL ReadDxfFile(const char*) { return nullptr; }
