// The file manager: the system's open dialog extended by a preview panel.
#pragma once

// Shows the dialog; buffer (size bytes) receives the chosen file's full
// path. partFlag: 1 when the file is to be inserted as a part. Returns
// non-zero when a file was chosen.
int RunFileManager(char* buffer, int size, int partFlag);
