// BROWSE, BROWSEPART and BROWSET: the browse directory asked on the command
// line, then the directory browser, then a macro line.
#include "commands/handlers.h"

#include "browsecache/cache.h"
#include "browser/browser.h"
#include "commands/macrolines.h"
#include "host/host.h"
#include "module/browsedir.h"
#include "module/names.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"
#include "settings/settings.h"

namespace {

// The browse folder before the prompt's answer replaced it; written by
// StartBrowse, put back when the answer is no folder on disk.
char g_previousDirectory[kDirSize];

// "!01" shows the current browse directory; the answer replaces it.
const FormatBlockValue kDirectoryPrompt = {
    "Browse directory [!01]: ", {browseDirectory, {0, 0, 5, 3}}, 0,
};

void EmitByMode(const char* path) {
    switch (commandMode) {
        case ModeLoad: EmitLoad(path); break;
        case ModePart: EmitPart(path); break;
        case ModeTemplate: EmitTemplate(path); break;
        default: break;
    }
}

// The drawing's changed state after the browser is the one it had before:
// the backup save and the browser must not change it. It is put back before
// the line goes out, as a host may run the line at once, and a part it
// inserts leaves the drawing changed.
void RunBrowseSequence() {
    ResetCommandState();
    char path[kPickedPathSize];
    CopyText(path, browseDirectory);
    host::FullFileName(path, browseDirectory);
    // "drawings\" answered would otherwise give "...\drawings\\PLAN.KVW".
    DropTrailingBackslashes(browseDirectory);
    if (IsShellVirtualFolder(browseDirectory) && !AcceptBrowseFolder(browseDirectory, kLongestCacheFolder)) {
        CopyText(browseDirectory, g_previousDirectory);
        return;
    }
    int* changedFlag = nullptr;
    int wasChanged = host::MarkChanged(&changedFlag);
    SaveBackupIfWanted();
    NotifyHost();
    int picked = BrowseFiles(path, 0);
    CloseCache();
    NotifyHost();
    if (changedFlag) *changedFlag = wasChanged;
    if (picked) EmitByMode(path);
}

// Status 0 is an answer, 1 the default taken; anything else is a cancel.
int BrowseContinuation(int status, intptr_t, intptr_t) {
    if (status == kReqAnswered || status == kReqDefault) RunBrowseSequence();
    return host::CmdEnd();
}

// The host writes a path answer of up to kAnswerPathSize bytes.
static_assert(sizeof browseDirectory == kAnswerPathSize, "the browse prompt's answer buffer is the host's path size");
const ReqDataRecord kBrowseRequest = {
    kReqDataKind, kReqDataMode, kAnswerPath, kReqDataStyle, browseDirectory, &kDirectoryPrompt, 1, BrowseContinuation, {},
};

int StartBrowse(int mode) {
    commandMode = mode;
    EnsureBrowseDirectory();
    CopyText(g_previousDirectory, browseDirectory);
    return host::ReqData(&kBrowseRequest);
}

}  // namespace

int CmdBrowse() { return StartBrowse(ModeLoad); }
int CmdBrowsePart() { return StartBrowse(ModePart); }
int CmdBrowseT() { return StartBrowse(ModeTemplate); }
