// The directory browser's folder scan on folders of 1000 and 4000 drawings:
// listing the folder, matching every file to its cache entry, sweeping
// vanished files and linking the view chain. Prints, measured in one run:
// the first scan (every entry new) and a rescan (every file found
// unchanged) at both sizes with their 4000/1000 ratios, against listing the
// same folder with FindFirstFile/FindNextFile alone.
#include <windows.h>

#include <stdio.h>

#include <algorithm>

#include "bench/bench.h"
#include "browser/browser.h"
#include "browser/browserinternal.h"
#include "browsecache/cache.h"
#include "module/state.h"
#include "module/text.h"

namespace {

void MakeFolder(const char* folder, int count) {
    CreateDirectoryA(folder, nullptr);
    for (int i = 0; i < count; ++i) {
        char path[MAX_PATH];
        snprintf(path, sizeof path, "%s\\PLAN%05d.KVW", folder, i);
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(file);
    }
}

void RemoveFolder(const char* folder, int count) {
    for (int i = 0; i < count; ++i) {
        char path[MAX_PATH];
        snprintf(path, sizeof path, "%s\\PLAN%05d.KVW", folder, i);
        DeleteFileA(path);
    }
    RemoveDirectoryA(folder);
}

double ListOnly(const char* folder) {
    char pattern[MAX_PATH];
    snprintf(pattern, sizeof pattern, "%s\\*.*", folder);
    double start = Now();
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    int files = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do ++files;
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return Now() - start;
}

struct Times {
    double first, rescan, list;
};

Times Measure(const char* folder) {
    Times best = {1e30, 1e30, 1e30};
    for (int round = 0; round < 3; ++round) {
        ResetCommandState();
        CopyText(browseDirectory, folder);
        CacheList = NewList("~BRINFO.KVW");
        ForgetCacheIndex();
        double start = Now();
        ScanBrowseDir(0);
        best.first = std::min(best.first, Now() - start);
        start = Now();
        ScanBrowseDir(0);
        best.rescan = std::min(best.rescan, Now() - start);
        best.list = std::min(best.list, ListOnly(folder));
        DLDestroy(CacheList);
        CacheList = nullptr;
    }
    return best;
}

}  // namespace

int main() {
    char base[MAX_PATH], small[MAX_PATH], large[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    snprintf(small, sizeof small, "%sxp-scan-1000", base);
    snprintf(large, sizeof large, "%sxp-scan-4000", base);
    MakeFolder(small, 1000);
    MakeFolder(large, 4000);
    Times a = Measure(small), b = Measure(large);
    printf("first scan  N=1000 %8.2f ms   N=4000 %8.2f ms   ratio %5.2f\n", a.first * 1e3,
           b.first * 1e3, b.first / a.first);
    printf("rescan      N=1000 %8.2f ms   N=4000 %8.2f ms   ratio %5.2f\n", a.rescan * 1e3,
           b.rescan * 1e3, b.rescan / a.rescan);
    printf("listing     N=1000 %8.2f ms   N=4000 %8.2f ms   ratio %5.2f\n", a.list * 1e3,
           b.list * 1e3, b.list / a.list);
    printf("rescan / listing at 4000: %.1f\n", b.rescan / b.list);
    RemoveFolder(small, 1000);
    RemoveFolder(large, 4000);
    return 0;
}
