// FILE, FILEM and FILEPART: the file manager, then a macro line or a
// macro variable.
#include "commands/handlers.h"

#include "commands/macrolines.h"
#include "filemanager/filemanager.h"
#include "host/host.h"
#include "module/state.h"

namespace {

enum { kPartFlag = 1 };

// The FILEM prompt: "Variable:" with no value; the answer goes into
// fileVariable.
const FormatBlockText kVariablePrompt = {"Variable:", 0};

int FileMContinuation(int, intptr_t, intptr_t) {
    ResetCommandState();
    char path[kPickedPathSize];
    if (RunFileManager(path, sizeof path, 0)) host::SetVar(fileVariable, path);
    return host::CmdEnd();
}

const ReqDataRecord kFileMRequest = {
    49, 2, kAnswerName, 2, fileVariable, &kVariablePrompt, 0, FileMContinuation, {},
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
