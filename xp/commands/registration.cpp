// The registration record, with the table of every command: the top of the
// module, where each room's entry points meet.
#include "commands/registration.h"

#include "browsecache/imageinfo.h"
#include "commands/handlers.h"
#include "module/xprecord.h"
#include "settings/fileopt.h"

const char kCommandNames[] =
    "FILE\0FILEM\0FILEPART\0BROWSE\0BROWSEPART\0FILEOPT\0BROWSET\0BROWSEP\0";
static_assert(sizeof(kCommandNames) == 63, "eight names, their NULs and the closing NUL");

const CmdHandler kHandlers[kCommandCount + 1] = {
    AboutEntry,
    CmdFile,
    CmdFileM,
    CmdFilePart,
    CmdBrowse,
    CmdBrowsePart,
    CmdFileOpt,
    CmdBrowseT,
    CmdBrowseP,
};

// The host answers every event through this entry; the module only echoes it.
int NotifyEntry(int code) { return code; }

XpRecordLayout XpRecord = {
    0,                  // link
    kCommandNames,
    kHandlers,
    0,
    NotifyEntry,
    ImageInfoCallback,
    kImageInfoClass,
    nullptr,            // instance, set by the library entry
    kHostOnlyWord,
    0,
    0,
    kHostOnlyWord,
    nullptr,            // hostWindow, set by the host
    0,
    nullptr,            // hookModule
    {0, 0, 0, 0, 0, 0},
};
