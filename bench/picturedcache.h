// A browse cache of pictured entries, as a visit after Cache all finds it:
// shared by the benchmarks that fill, show or search the browse list.
#pragma once

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/state.h"

// Opens an empty cache list and makes count entries, PLAN00000.KVW on, each
// with a large picture; dress (may be null) is handed each new entry and may
// move it.
inline void MakePicturedCache(int count, void (*dress)(int index, HostEntity* entity, void* context) = nullptr,
                              void* context = nullptr) {
    ResetCommandState();
    colourTableReady = true;  // the stored pictures are drawn as they are
    CacheList = host::DLCreate("~BRINFO.KVW", 8);
    host::DLEmpty(CacheList);
    FILETIME time = {1, 1};
    char name[32];
    for (int i = 0; i < count; ++i) {
        snprintf(name, sizeof name, "PLAN%05d.KVW", i);
        HostEntity* entity = FindOrAddEntry(name, &time);
        ImageInfoRecord* entry = AsImageInfo(entity);
        if (!entry) continue;
        memset(entry->largePicture, i % 200, sizeof entry->largePicture);
        entry->state = kPictureMade;
        if (dress) dress(i, entity, context);
    }
}
