// Browse-info cache benchmark. Prints, all measured in this one run:
//  1. refreshing a folder of N files against a cache of N entries
//     (FindOrAddEntry for every file, all found) at N = 1000 and N = 4000,
//     and the ratio: a lookup that walks the list grows as N squared
//     (ratio about 16), an indexed one about linearly (ratio about 4);
//     the same for filling an empty cache with N new entries;
//  2. the same refresh with the list walked (the index cannot be used on an
//     unsorted list), as the baseline the index is measured against;
//  3. saving and opening a cache of 1000 entries against writing and
//     reading the same number of bytes with plain file calls.
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "browsecache/cache.h"
#include "host/host.h"
#include "module/state.h"
#include "standin/drawing/drawing.h"

namespace {

std::vector<std::string> FileNames(int count, unsigned variant) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char name[32];
        snprintf(name, sizeof name, "PLAN%05d.KVW", i);
        names.push_back(name);
    }
    std::shuffle(names.begin(), names.end(), std::mt19937(variant));  // a listing's order
    return names;
}

FILETIME Stamp(int i) {
    FILETIME t = {static_cast<DWORD>(1000 + i), 30000000};
    return t;
}

void FreshCache() {
    if (CacheList) DLDestroy(CacheList);
    CacheList = NewList("~BRINFO.KVW");
    ForgetCacheIndex();
}

// The lookups' list belongs to no folder: closing it as a cache would save
// it nowhere, and the failure's message box would wait for a user.
void DropCache() {
    if (CacheList) DLDestroy(CacheList);
    CacheList = nullptr;
    CacheDirty = false;
    ForgetCacheIndex();
}

// FindOrAddEntry for every file, as a scan of the folder does. Into a
// fresh cache every entry is new; into a filled one every file is found
// unchanged, as when a folder is shown again.
double LookUpAll(const std::vector<std::string>& names) {
    ForgetCacheIndex();
    double start = Now();
    for (size_t i = 0; i < names.size(); ++i) {
        FILETIME t = Stamp(static_cast<int>(i));
        FindOrAddEntry(names[i].c_str(), &t);
    }
    return Now() - start;
}

double Fill(const std::vector<std::string>& names) {
    FreshCache();
    return LookUpAll(names);
}

double Refresh(const std::vector<std::string>& names) { return LookUpAll(names); }

// An entry out of name order at the front ("ZZZZ" sorts after every
// "PLAN" name): the lookup must walk the list.
void MakeUnsorted() {
    static ImageInfoRecord first;
    first = ImageInfoRecord();
    first.length = kImageInfoSize;
    first.type = 4;
    first.entityClass = kImageInfoClass;
    first.version = 3;
    lstrcpynA(first.name, "ZZZZ.KVW", sizeof first.name);
    HostEntity* entity = host::DLApnd(CacheList, &first);
    DLMoveB(entity, FirstEntity(CacheList));
}

template <typename Run>
double Best(int repeats, Run run) {
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) best = std::min(best, run());
    return best;
}

void MeasureLookups() {
    std::vector<std::string> small = FileNames(1000, 1), large = FileNames(4000, 2);
    double fillSmall = Best(3, [&] { return Fill(small); });
    double refreshSmall = Best(3, [&] { return Refresh(small); });
    double fillLarge = Best(3, [&] { return Fill(large); });
    double refreshLarge = Best(3, [&] { return Refresh(large); });
    printf("fill      N=1000 %8.2f ms   N=4000 %8.2f ms   ratio %5.2f\n", fillSmall * 1e3,
           fillLarge * 1e3, fillLarge / fillSmall);
    printf("refresh   N=1000 %8.2f ms   N=4000 %8.2f ms   ratio %5.2f\n", refreshSmall * 1e3,
           refreshLarge * 1e3, refreshLarge / refreshSmall);

    Fill(small);
    MakeUnsorted();
    double walkSmall = Best(3, [&] { return Refresh(small); });
    Fill(large);
    MakeUnsorted();
    double walkLarge = Best(1, [&] { return Refresh(large); });
    printf("walked    N=1000 %8.2f ms   N=4000 %8.2f ms   ratio %5.2f   (indexed refresh is %.0fx faster at 4000)\n",
           walkSmall * 1e3, walkLarge * 1e3, walkLarge / walkSmall, walkLarge / refreshLarge);
}

double WritePlain(const char* path, const std::vector<char>& bytes) {
    double start = Now();
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return Now() - start;
}

double ReadPlain(const char* path, std::vector<char>& bytes) {
    double start = Now();
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return Now() - start;
}

void MeasureFiles() {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    lstrcatA(folder, "xp-cache-bench");
    CreateDirectoryA(folder, nullptr);
    std::vector<std::string> names = FileNames(1000, 3);
    char cache[MAX_PATH];
    lstrcpynA(cache, folder, MAX_PATH - 16);
    lstrcatA(cache, "\\~BRINFO.KVW");
    double save = 1e30, open = 1e30;
    for (int i = 0; i < 3; ++i) {
        SetFileAttributesA(cache, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(cache);  // every round saves a new cache
        OpenCache(folder);
        for (size_t n = 0; n < names.size(); ++n) {
            FILETIME t = Stamp(static_cast<int>(n));
            FindOrAddEntry(names[n].c_str(), &t);
        }
        double start = Now();
        CloseCache();
        save = std::min(save, Now() - start);
        start = Now();
        OpenCache(folder);
        open = std::min(open, Now() - start);
        CloseCache();
    }
    std::vector<char> bytes(static_cast<size_t>(kImageInfoSize) * names.size(), 'x');
    char plain[MAX_PATH];
    lstrcpynA(plain, folder, MAX_PATH - 16);
    lstrcatA(plain, "\\plain.bin");
    double write = Best(3, [&] { return WritePlain(plain, bytes); });
    double read = Best(3, [&] { return ReadPlain(plain, bytes); });
    printf("save 1000 entries %8.2f ms  vs plain write %8.2f ms   ratio %5.2f\n", save * 1e3,
           write * 1e3, save / write);
    printf("open 1000 entries %8.2f ms  vs plain read  %8.2f ms   ratio %5.2f\n", open * 1e3,
           read * 1e3, open / read);
    SetFileAttributesA(cache, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(cache);
    DeleteFileA(plain);
    RemoveDirectoryA(folder);
}

}  // namespace

int main() {
    UseBenchSettingsKey("cache_bench");
    MeasureLookups();
    DropCache();
    MeasureFiles();
    return 0;
}
