// A warm visit of the browser to a folder of 4000 sample files (2000 plans
// of the shown format, KVW), whose cache holds every plan's pictures:
// opening the cache, scanning the folder, filling the list and painting the
// first rows in a shown dialog. Each step and the whole are printed as
// ratios to reading the cache file's bytes with one ReadFile, measured in
// the same run (best of several rounds, all from a warm file cache). Run
// with a display (tools/xvfb-session).
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

#include "bench/bench.h"
#include "browsecache/cache.h"
#include "browser/browser.h"
#include "browser/browserinternal.h"
#include "host/host.h"
#include "module/state.h"
#include "module/text.h"
#include "resources/resource.h"
#include "settings/settings.h"

namespace {

enum { kFiles = 4000, kRounds = 5, kKvw = 0, kMadeForReal = 12 };

struct Steps {
    double read, load, scan, fill, paint;
};

// The first rows get real pictures; every later entry a copy of the first
// one's, which costs the visit the same.
int FillPictures(int, HostEntity* entity, intptr_t countValue, intptr_t firstValue) {
    int& count = *reinterpret_cast<int*>(countValue);
    HostEntity*& first = *reinterpret_cast<HostEntity**>(firstValue);
    ImageInfoRecord* entry = ShownEntry(entity, kKvw);
    if (!entry) return 0;
    if (count++ < kMadeForReal || !first) {
        MakePictures(&entity);
        if (!first) first = entity;
        return 0;
    }
    const ImageInfoRecord* model = AsImageInfo(first);
    memcpy(entry->largePicture, model->largePicture, sizeof entry->largePicture);
    memcpy(entry->smallPicture, model->smallPicture, sizeof entry->smallPicture);
    entry->state = kPictureMade;
    entry->smallPresent = 1;
    return 0;
}

void MakeCachedFolder(const char* folder) {
    RemoveFolder(folder);
    MakeSampleFolder(folder, kFiles, 1);
    ResetCommandState();
    CopyText(browseDirectory, folder);
    OpenCache(folder);
    ScanBrowseDir(kKvw);
    int count = 0;
    HostEntity* first = nullptr;
    host::DLScan(CacheList, FillPictures, kScanAll, reinterpret_cast<intptr_t>(&count),
                 reinterpret_cast<intptr_t>(&first));
    CacheDirty = true;
    CloseCache();
}

double ReadBytes(const char* path, std::vector<char>& buffer) {
    double start = Now();
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD got = 0;
    ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr);
    CloseHandle(file);
    return Now() - start;
}

// For comparison with the load: taking as much fresh memory as the cache's
// entries need, block by block, and writing it once.
double TouchFreshMemory(size_t total) {
    std::vector<char*> blocks;
    double start = Now();
    for (size_t done = 0; done < total; done += kImageInfoSize) {
        char* block = static_cast<char*>(malloc(kImageInfoSize));
        if (!block) break;
        memset(block, 1, kImageInfoSize);
        blocks.push_back(block);
    }
    double spent = Now() - start;
    for (char* block : blocks) free(block);
    return spent;
}

Steps* g_round;

// The dialog's initialisation: fill the list as the browser does, then show
// the dialog and paint it at once, and end.
int FillAndPaint() {
    double start = Now();
    InitBrowseList();
    double filled = Now();
    HWND dialog = host::GetDlgWin();
    ShowWindow(dialog, SW_SHOW);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    double painted = Now();
    g_round->fill = filled - start;
    g_round->paint = painted - filled;
    EndDialog(dialog, IDC_BROWSE_CLOSE);
    return kKeepOpen;
}

Steps VisitOnce(const char* folder) {
    Steps steps = {};
    g_round = &steps;
    ResetCommandState();
    CopyText(browseDirectory, folder);
    double start = Now();
    OpenCache(folder);
    steps.load = Now() - start;
    start = Now();
    ScanBrowseDir(kKvw);
    steps.scan = Now() - start;
    static int row;
    HDLGDEF def = host::DefDlg("IDD_DLGBROWSE", FillAndPaint);
    host::LSTCTL(def, IDC_BROWSE_LIST, &row, "", nullptr, DrawBrowseRow);
    host::CMBCTL(def, IDC_BROWSE_FORMAT, &FormatIndex, FormatComboItems(), nullptr);
    host::XPDlog(def, GetModuleHandleA(nullptr));
    host::RelDlg(def);
    CloseCache();
    return steps;
}

}  // namespace

int main() {
    UseBenchSettingsKey("visit_bench");
    char base[MAX_PATH], folder[MAX_PATH], cache[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    snprintf(folder, sizeof folder, "%sxp-visit-%d", base, kFiles);
    snprintf(cache, sizeof cache, "%s\\~BRINFO.KVW", folder);
    FormatIndex = kKvw;
    MakeCachedFolder(folder);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(cache, GetFileExInfoStandard, &data)) {
        fprintf(stderr, "visit_bench: no cache was written\n");
        return 1;
    }
    std::vector<char> buffer(data.nFileSizeLow, 1);
    Steps best = {1e30, 1e30, 1e30, 1e30, 1e30};
    double whole = 1e30, fresh = 1e30;
    for (int round = 0; round < kRounds; ++round) {
        best.read = std::min(best.read, ReadBytes(cache, buffer));
        fresh = std::min(fresh, TouchFreshMemory(buffer.size()));
        Steps s = VisitOnce(folder);
        best.load = std::min(best.load, s.load);
        best.scan = std::min(best.scan, s.scan);
        best.fill = std::min(best.fill, s.fill);
        best.paint = std::min(best.paint, s.paint);
        whole = std::min(whole, s.load + s.scan + s.fill + s.paint);
    }
    printf("warm visit: %d files, %d shown, cache %.1f MB, read in %.2f ms\n", kFiles, Showing.FoundCount,
           data.nFileSizeLow / 1048576.0, best.read * 1e3);
    printf("  cache load %7.2f ms  %6.2fx\n", best.load * 1e3, best.load / best.read);
    printf("  scan       %7.2f ms  %6.2fx\n", best.scan * 1e3, best.scan / best.read);
    printf("  list fill  %7.2f ms  %6.2fx\n", best.fill * 1e3, best.fill / best.read);
    printf("  first paint%7.2f ms  %6.2fx\n", best.paint * 1e3, best.paint / best.read);
    printf("  whole      %7.2f ms  %6.2fx reading the cache's bytes\n", whole * 1e3, whole / best.read);
    printf("  (taking and writing as much fresh memory in entry-sized blocks: %.2f ms, %.2fx)\n", fresh * 1e3,
           fresh / best.read);
    RemoveFolder(folder);
    return 0;
}
