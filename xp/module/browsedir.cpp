#include "module/browsedir.h"

#include "host/host.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"

namespace {

const char kPathTitle[] = "Browse folder";

}  // namespace

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

// A directory too long for the preset starts the dialog from the current
// folder with the bare name proposed, instead of a cut, wrong folder.
bool ChooseBrowseDirectory(const FolderChoice& choice) {
    char path[kDirSize];
    static_assert(sizeof path == kAnswerPathSize, "the path dialog writes up to a host path");
    if (!JoinPath(path, browseDirectory, choice.presetName)) CopyText(path, choice.presetName);
    PathRequest request = {path, choice.defaultName, choice.pattern, choice.filters, 2048, 2048, 1, "Load"};
    if (!host::GetOpenPath(kPathTitle, &request)) return false;
    path[sizeof path - 1] = '\0';
    CopyText(browseDirectory, path);
    CutAtLastBackslash(browseDirectory);
    return true;
}
