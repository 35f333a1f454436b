// Commands whose dialogs are still being built: they say so on the status
// line and end, so the host's command line is never left waiting.
#include "commands/handlers.h"

#include "host/host.h"
#include "module/text.h"

static int EndUnavailable(const char* name) {
    char text[64];
    FormatText(text, sizeof text, "%s is not available yet.", name);
    host::StatusMsg(text);
    return host::CmdEnd();
}

int CmdFile() { return EndUnavailable("FILE"); }
int CmdFileM() { return EndUnavailable("FILEM"); }
int CmdFilePart() { return EndUnavailable("FILEPART"); }
int CmdBrowse() { return EndUnavailable("BROWSE"); }
int CmdBrowsePart() { return EndUnavailable("BROWSEPART"); }
int CmdBrowseT() { return EndUnavailable("BROWSET"); }
int CmdBrowseP() { return EndUnavailable("BROWSEP"); }
