// BROWSEP: a new default browse directory from the host's path dialog. The
// dialog picks a file, so a preset name stands for a file inside the wanted
// folder and only the folder part of the answer is kept.
#include "commands/handlers.h"

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/browsedir.h"

int CmdBrowseP() {
    EnsureBrowseDirectory();
    // A folder that cannot be browsed is told at once and the old one kept,
    // rather than taken as the default that the next BROWSE refuses.
    ChooseBrowseDirectory({"folder.dir", "folder.dir", "*", "All files\0*.*\0", kLongestCacheFolder});
    return host::CmdEnd();
}
