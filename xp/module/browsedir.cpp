#include "module/browsedir.h"

#include "host/host.h"
#include "module/names.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"

namespace {

const char kPathTitle[] = "Browse folder";

}  // namespace

// A host without the string counts as an empty one; a string too long for
// the buffer is not used: cut, it would name another folder. Nor is a shell
// folder such as "My Computer" ("::{20d04fe0-...}"). Then the current
// directory, in full: an empty folder would browse the drive's root and
// write its cache there.
void EnsureBrowseDirectory() {
    if (browseDirectory[0] && !IsShellVirtualFolder(browseDirectory)) return;
    const char* hostDirectory = host::RscAdr(kStringDefaultDirectory);
    if (!hostDirectory || !CopyText(browseDirectory, hostDirectory) || IsShellVirtualFolder(browseDirectory)) {
        browseDirectory[0] = '\0';
    }
    if (!browseDirectory[0]) {
        DWORD length = GetCurrentDirectoryA(sizeof browseDirectory, browseDirectory);
        if (length == 0 || length >= sizeof browseDirectory) browseDirectory[0] = '\0';
    }
    DropTrailingBackslashes(browseDirectory);
}

bool AcceptBrowseFolder(const char* folder, int longestFolder) {
    const char* why = nullptr;
    if (!folder[0]) {
        host::ErrorBox("No folder was chosen to browse.");
        return false;
    }
    if (IsShellVirtualFolder(folder)) {
        why = "This is not a folder on disk and cannot be browsed:\n\n%s";
    } else if (lstrlenA(folder) > longestFolder) {
        why = "The path of this folder is too long to browse:\n\n%s";
    }
    if (!why) return true;
    char text[kMessageSize];
    FormatText(text, sizeof text, why, folder);
    host::ErrorBox(text);
    return false;
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
    PathRequest request = {path, choice.defaultName, choice.pattern, choice.filters,
                           kPathRequestWord4, kPathRequestWord5, kPathRequestWord6, "Load"};
    if (!host::GetOpenPath(kPathTitle, &request)) return false;
    path[sizeof path - 1] = '\0';
    char folder[kDirSize];
    CopyText(folder, path);
    CutAtLastBackslash(folder);
    if (!AcceptBrowseFolder(folder, choice.longestFolder)) return false;
    CopyText(browseDirectory, folder);
    return true;
}
