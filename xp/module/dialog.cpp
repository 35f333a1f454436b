#include "module/dialog.h"

#include "host/host.h"
#include "module/state.h"
#include "module/text.h"

// The host makes a definition only in memory; without one the command would
// end as if the user had closed a dialog that never showed.
HDLGDEF DefineDialog(const char* templateName, const char* title, DlgProc init) {
    HDLGDEF def = host::DefDlg(templateName, init);
    if (def) return def;
    char text[kMessageSize];
    FormatText(text, sizeof text, "Error: Couldn't make the dialog \"%s\" from its template %s.", title,
               templateName);
    host::ErrorBox(text);
    return nullptr;
}
