// BROWSEP: a new default browse directory from the host's path dialog. The
// dialog picks a file, so a preset name stands for a file inside the wanted
// folder and only the folder part of the answer is kept.
#include "commands/handlers.h"

#include "commands/browsedir.h"
#include "host/host.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"

int CmdBrowseP() {
    EnsureBrowseDirectory();
    char path[kDirSize];
    // A directory too long for the preset starts the dialog from the
    // current folder instead of a cut, wrong one.
    if (!JoinPath(path, browseDirectory, "folder.dir")) {
        CopyText(path, "folder.dir");
    }
    PathRequest request = {path, "folder.dir", "*", "All files\0*.*\0", 2048, 2048, 1, "Load"};
    // A folder that cannot be browsed is told at once and the old one kept,
    // rather than taken as the default that the next BROWSE refuses.
    if (host::GetOpenPath("Browse folder", &request)) {
        path[sizeof path - 1] = '\0';
        TakeChosenFolder(path);
    }
    return host::CmdEnd();
}
