// Drawings whose pictures could not be made because the host cannot load
// them (cut short, junk, a format it does not read, a name it cannot open).
// Remembered in memory by name and last-write time, for one showing of the
// browser: the painter would otherwise load the file again at every paint,
// and a click would hand the host a load that fails. The cache file does not
// change: a later showing tries once more, as the file may have been mended.
#include "browsecache/cache.h"

#include <string>
#include <unordered_set>

#include "module/text.h"

namespace {

// Written by MakePictures and ForgetUnreadable; read by the painter and the
// click handler.
std::unordered_set<std::string> g_unreadable;

std::string UnreadableKey(const ImageInfoRecord* entry) {
    char key[kEntryNameSize + 24];
    FormatText(key, sizeof key, "%08lx%08lx|%s", entry->fileTime.dwHighDateTime, entry->fileTime.dwLowDateTime,
               entry->name);
    CharUpperBuffA(key, static_cast<DWORD>(lstrlenA(key)));
    return key;
}

}  // namespace

bool IsUnreadable(const ImageInfoRecord* entry) {
    if (!entry || g_unreadable.empty()) return false;
    try {
        return g_unreadable.count(UnreadableKey(entry)) != 0;
    } catch (...) {
        return false;
    }
}

// Without memory to remember it the file is only tried again, as before.
void RememberUnreadable(const ImageInfoRecord* entry) {
    try {
        g_unreadable.insert(UnreadableKey(entry));
    } catch (...) {
    }
}

void ForgetUnreadable() { g_unreadable.clear(); }
