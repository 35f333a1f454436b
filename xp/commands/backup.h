// The backup of the current drawing saved before the file manager or the
// browser opens, when "Auto-save backups" is on.
#pragma once

// Saves "FILE~BAK.KVW" in the host's current directory; a failure is told
// before the dialog opens.
void SaveBackupIfWanted();
