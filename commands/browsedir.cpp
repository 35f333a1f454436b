#include "commands/browsedir.h"

#include "host/host.h"
#include "module/state.h"
#include "module/text.h"

void EnsureBrowseDirectory() {
    if (browseDirectory[0]) return;
    CopyText(browseDirectory, host::RscAdr(3059));
    int length = lstrlenA(browseDirectory);
    if (length > 0) browseDirectory[length - 1] = '\0';
}

void CutAtLastBackslash(char* path) {
    for (int i = lstrlenA(path) - 1; i >= 1; --i) {
        if (path[i] == '\\') {
            path[i] = '\0';
            return;
        }
    }
    path[0] = '\0';
}
