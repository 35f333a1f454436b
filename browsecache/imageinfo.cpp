#include "browsecache/imageinfo.h"

#include "host/host.h"

int ImageInfoCallback(int, HostEntity*, int, const char**) { return host::ENoSupp(); }
