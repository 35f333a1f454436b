// The command table of the registration record: every command the module
// registers and the handler that runs it.
#pragma once

#include "host/hostapi.h"

enum { kCommandCount = 8 };

// The eight command names, a NUL after each and one more after the last.
extern const char kCommandNames[];
// Entry 0 is the About entry, entries 1 to 8 the commands in name order.
extern const CmdHandler kHandlers[kCommandCount + 1];

int NotifyEntry(int code);
