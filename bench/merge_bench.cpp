// Two hosts on one folder: the cost of taking over another host's save
// before saving. A folder of N KVW and N KVD drawings; this host adds
// pictured entries for the N KVW files and closes the cache, which holds
// 2N entries at the save either way:
//  - unchanged: the file on disk is the one this host read (another host's
//    N KVD entries); the save checks the file's size and time, and writes;
//  - changed: this host read an empty cache, and the other host saved its
//    N KVD entries since; the save loads that file, takes them over, writes.
// Reported: both against a plain DLSave of the same 2N entries, and the
// changed save against the unchanged one. Best of several runs of each.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "browsecache/cache.h"
#include "host/host.h"
#include "module/state.h"
#include "standin/drawing/drawing.h"

namespace {

const int kFiles = 400, kRepetitions = 3;
char g_folder[MAX_PATH];

std::string PathOf(const char* name) { return std::string(g_folder) + "\\" + name; }

std::string NameOf(const char* kind, int i) {
    char name[32];
    snprintf(name, sizeof name, "%s%05d.%s", strcmp(kind, "KVW") == 0 ? "PLAN" : "DETAIL", i, kind);
    return name;
}

FILETIME TimeOf(const std::string& name) {
    WIN32_FILE_ATTRIBUTE_DATA file = {};
    GetFileAttributesExA(PathOf(name.c_str()).c_str(), GetFileExInfoStandard, &file);
    return file.ftLastWriteTime;
}

void MakeFolder() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    snprintf(g_folder, sizeof g_folder, "%sxp-merge-bench-%lu", temp, GetCurrentProcessId());
    CreateDirectoryA(g_folder, nullptr);
    for (const char* kind : {"KVW", "KVD"}) {
        for (int i = 0; i < kFiles; ++i) {
            HANDLE file = CreateFileA(PathOf(NameOf(kind, i).c_str()).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, 0, nullptr);
            CloseHandle(file);
        }
    }
}

// Pictured entries for the files of one kind, added to the open cache.
void AddPictured(const char* kind) {
    for (int i = 0; i < kFiles; ++i) {
        std::string name = NameOf(kind, i);
        FILETIME time = TimeOf(name);
        if (ImageInfoRecord* entry = AsImageInfo(FindOrAddEntry(name.c_str(), &time))) {
            entry->state = kPictureMade;
            memset(entry->largePicture, i & 0xFF, sizeof entry->largePicture);
        }
    }
}

// The other host's save: a cache of the KVD entries only.
void SaveOtherHostsCache() {
    HDL mine = CacheList;
    CacheList = NewList("~BRINFO.KVW");
    ForgetCacheIndex();
    AddPictured("KVD");
    DLSave(CacheList, PathOf("~BRINFO.KVW").c_str());
    DLDestroy(CacheList);
    CacheList = mine;
    ForgetCacheIndex();
}

double TimeClose() {
    double start = Now();
    CloseCache();
    return Now() - start;
}

double SaveUnchanged() {
    SaveOtherHostsCache();
    OpenCache(g_folder);
    AddPictured("KVW");
    return TimeClose();
}

double SaveChanged() {
    DeleteFileA(PathOf("~BRINFO.KVW").c_str());
    OpenCache(g_folder);
    AddPictured("KVW");
    SaveOtherHostsCache();
    return TimeClose();
}

// The same 2N entries written by the host with nothing around it.
double PlainSave() {
    SaveOtherHostsCache();
    OpenCache(g_folder);
    AddPictured("KVW");
    double start = Now();
    DLSave(CacheList, PathOf("plain.KVW").c_str());
    double took = Now() - start;
    CacheDirty = false;
    CloseCache();
    return took;
}

double Best(double (*run)()) {
    double best = 1e9;
    for (int i = 0; i < kRepetitions; ++i) best = std::min(best, run());
    return best;
}

}  // namespace

int main() {
    UseBenchSettingsKey("merge_bench");
    MakeFolder();
    double plain = Best(PlainSave), unchanged = Best(SaveUnchanged), changed = Best(SaveChanged);
    printf("save of %d entries: plain DLSave %8.1f ms\n", 2 * kFiles, plain * 1e3);
    printf("  file unchanged since read %8.1f ms   ratio to plain %5.2f\n", unchanged * 1e3, unchanged / plain);
    printf("  another host saved since  %8.1f ms   ratio to plain %5.2f   to unchanged %5.2f\n", changed * 1e3,
           changed / plain, changed / unchanged);
    RemoveFolder(g_folder);
    return 0;
}
