// Command handlers of the handler table, entries 1 to 8 (FILEOPT lives with
// the settings). Each returns what its last host call returned.
#pragma once

int CmdFile();
int CmdFileM();
int CmdFilePart();
int CmdBrowse();
int CmdBrowsePart();
int CmdBrowseT();
int CmdBrowseP();
