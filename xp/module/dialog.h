// The host's dialogs made from the module's templates.
#pragma once

#include "host/hostapi.h"

// The host's definition of a dialog from the module's template, or null
// when the host cannot make one; the user is then told which dialog it was.
HDLGDEF DefineDialog(const char* templateName, const char* title, DlgProc init);
