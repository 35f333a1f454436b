#include "commands/browsedir.h"

#include "host/host.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"

// A host without the string counts as an empty one; a string too long for
// the buffer is not used: cut, it would name another folder.
void EnsureBrowseDirectory() {
    if (browseDirectory[0]) return;
    const char* hostDirectory = host::RscAdr(3059);
    if (!hostDirectory || !CopyText(browseDirectory, hostDirectory)) browseDirectory[0] = '\0';
    DropTrailingBackslashes(browseDirectory);
}

// A drive root keeps its backslash: "Z:" alone names the drive's current
// folder, not its root. A doubled backslash before the name goes too.
void CutAtLastBackslash(char* path) {
    for (int i = lstrlenA(path) - 1; i >= 1; --i) {
        if (path[i] == '\\') {
            bool driveRoot = i == 2 && path[1] == ':';
            path[driveRoot ? i + 1 : i] = '\0';
            DropTrailingBackslashes(path);
            return;
        }
    }
    path[0] = '\0';
}
