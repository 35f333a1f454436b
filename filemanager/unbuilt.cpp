// Placeholder until the file manager lands: no dialog, nothing chosen.
#include "filemanager/filemanager.h"

int RunFileManager(char*, int, int) { return 0; }
