// The registration record through which the host learns the module's
// commands, entry points and custom entity type.
#pragma once

#include "host/hostapi.h"

enum { kEntityType = 0xA005, kCommandCount = 8 };

// Registered with the host while the library is attached. The host fills in
// hostWindow; the library entry fills in instance. Read by every dialog.
extern XpRecordLayout XpRecord;

// The eight command names, a NUL after each and one more after the last.
extern const char kCommandNames[];
// Entry 0 is the About entry, entries 1 to 8 the commands in name order.
extern const CmdHandler kHandlers[kCommandCount + 1];

int AboutEntry();
int NotifyEntry(int code);
