#include "settings/fileopt.h"

#include "host/host.h"

int CmdFileOpt() {
    host::StatusMsg("FILEOPT is not available yet.");
    return host::CmdEnd();
}
