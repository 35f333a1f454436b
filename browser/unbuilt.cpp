// Placeholder until the browse dialog lands: no dialog, no pick.
#include "browser/browser.h"

int FormatIndex;

int BrowseFiles(char*, int) { return 0; }
