// The registration record through which the host learns the module's
// commands, entry points and custom entity type. It is defined with the
// command table (commands/registration.h), the one place that knows every
// command; the rooms below read only its instance and window.
#pragma once

#include "host/hostapi.h"

// Registered with the host while the library is attached. The host fills in
// hostWindow; the library entry fills in instance. Read by every dialog.
extern XpRecordLayout XpRecord;

// Entry 0 of the command table: the About box.
int AboutEntry();
