// The open cache's state, which every file of the cache reads or sets: its
// path and whether the list differs from the file are written by opening
// and closing (cachefile.cpp), the dirty flag also by every change of an
// entry (lookup.cpp, pictures.cpp, the file manager's preview).
#include "browsecache/cache.h"

char CachePath[kCachePathSize];
bool CacheDirty;
HostEntity* currentEntry;
