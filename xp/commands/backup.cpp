#include "commands/backup.h"

#include <windows.h>

#include "host/host.h"
#include "module/text.h"
#include "module/writefailure.h"
#include "settings/settings.h"

namespace {

// A bare name: the host saves it in its current directory.
const char kBackupName[] = "FILE~BAK.KVW";
enum { kMessageSize = 600, kReasonSize = 200 };

void TellBackupFailed(DWORD error) {
    char folder[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder) CopyText(folder, "(the current folder)");
    char reason[kReasonSize];
    DescribeWriteFailure(error, kBackupName, reason, sizeof reason);
    char text[kMessageSize];
    FormatText(text, sizeof text, "Error: Couldn't save the backup %s of the drawing: %s.\n\n%s", kBackupName,
               reason, folder);
    host::ErrorBox(text);
}

}  // namespace

// Options are read by the caller just before.
void SaveBackupIfWanted() {
    if (!Options.autoSaveBackups) return;
    SetLastError(0);
    if (host::DLSave(host::DLGetWorkDL(), kBackupName)) return;
    TellBackupFailed(GetLastError());
}
