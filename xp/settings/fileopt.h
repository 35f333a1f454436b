// The FILEOPT command: the settings dialog.
#pragma once

int CmdFileOpt();
