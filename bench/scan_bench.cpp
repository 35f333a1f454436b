// The directory browser's folder scan on folders of 1000 and 4000 drawings:
// listing the folder, matching every file to its cache entry, sweeping
// vanished files and linking the view chain. Prints, measured in one run:
// the first scan (every entry new) and a rescan (every file found
// unchanged) at both sizes, each per file and as a ratio to the smaller
// size's time per file, against listing the same folder with
// FindFirstFile/FindNextFile alone.
#include <windows.h>

#include <stdio.h>

#include <stdlib.h>

#include <algorithm>
#include <vector>

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

// Sizes given as arguments replace 1000 and 4000; each is compared with
// the first.
int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(atoi(argv[i]));
    if (sizes.empty()) sizes = {1000, 4000};
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    std::vector<Times> times;
    for (int size : sizes) {
        char folder[MAX_PATH];
        snprintf(folder, sizeof folder, "%sxp-scan-%d", base, size);
        MakeFolder(folder, size);
        times.push_back(Measure(folder));
        RemoveFolder(folder, size);
    }
    const Times& a = times[0];
    for (size_t i = 0; i < sizes.size(); ++i) {
        const Times& b = times[i];
        double per = 1e6 / sizes[i];
        printf("N=%6d  first scan %8.2f ms (%5.2f us a file, %4.2fx N=%d's)  rescan %8.2f ms (%5.2f us, %4.2fx)"
               "  listing %7.2f ms (%5.2f us, %4.2fx)\n",
               sizes[i], b.first * 1e3, b.first * per, b.first / a.first * sizes[0] / sizes[i], sizes[0],
               b.rescan * 1e3, b.rescan * per, b.rescan / a.rescan * sizes[0] / sizes[i], b.list * 1e3,
               b.list * per, b.list / a.list * sizes[0] / sizes[i]);
    }
    return 0;
}
