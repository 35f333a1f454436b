// FILE, FILEM and FILEPART: the file manager, then a macro line or a
// macro variable.
#include "commands/handlers.h"

#include "commands/macrolines.h"
#include "filemanager/filemanager.h"
#include "host/host.h"
#include "module/paths.h"
#include "module/state.h"

namespace {

enum { kPartFlag = 1 };

// The FILEM prompt: "Variable:" with no value; the answer goes into
// fileVariable.
const FormatBlockText kVariablePrompt = {"Variable:", 0};

// Only a name typed at the prompt opens the file manager: after a cancel or
// an empty answer the buffer holds nothing, or the name of an earlier FILEM,
// whose variable would be overwritten.
int FileMContinuation(int status, intptr_t, intptr_t) {
    if (status != kReqAnswered || !fileVariable[0]) return host::CmdEnd();
    ResetCommandState();
    char path[kPickedPathSize];
    if (RunFileManager(path, sizeof path, 0) && AcceptPickedPath(path)) host::SetVar(fileVariable, path);
    return host::CmdEnd();
}

// The host writes a name answer of up to kAnswerNameSize bytes.
static_assert(sizeof fileVariable == kAnswerNameSize, "FILEM's answer buffer is the host's name size");
const ReqDataRecord kFileMRequest = {
    kReqDataKind, kReqDataMode, kAnswerName, kReqDataStyle, fileVariable, &kVariablePrompt, 0, FileMContinuation, {},
};

}  // namespace

int CmdFile() {
    commandMode = ModeLoad;
    ResetCommandState();
    char path[kPickedPathSize];
    if (RunFileManager(path, sizeof path, 0)) EmitLoad(path);
    return host::CmdEnd();
}

int CmdFileM() {
    commandMode = ModeLoad;
    return host::ReqData(&kFileMRequest);
}

int CmdFilePart() {
    commandMode = ModeLoad;
    ResetCommandState();
    char path[kPickedPathSize];
    if (RunFileManager(path, sizeof path, kPartFlag)) EmitPart(path);
    return host::CmdEnd();
}
