// Memory of a big folder: 10,000 sample files shown as "CAD files" (7,500
// entries, a cache of about 330 MB). Each phase runs in a child process of
// its own, so that its peak working set is its own:
//  - save: the cache is built from the folder (every entry with pictures)
//    and saved; peak before the save and during it;
//  - visit: a warm visit (cache load, scan, list fill) in a fresh process.
// Printed against the cache file's size: a visit should stay within
// 1.3 x size + 64 MB, a save within 1.5 x size.
#include <windows.h>
#include <psapi.h>

#include <stdio.h>
#include <string.h>

#include "bench/bench.h"
#include "browsecache/cache.h"
#include "browser/browser.h"
#include "browser/browserinternal.h"
#include "host/host.h"
#include "module/state.h"
#include "module/text.h"
#include "resources/resource.h"

namespace {

enum { kFiles = 10000, kCadFiles = 5 };

double PeakMB() {
    PROCESS_MEMORY_COUNTERS counters = {sizeof counters};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
    return counters.PeakWorkingSetSize / 1048576.0;
}

int MarkPictured(int, HostEntity* entity, intptr_t countValue, intptr_t) {
    ImageInfoRecord* entry = ShownEntry(entity, kCadFiles);
    if (!entry) return 0;
    memset(entry->largePicture, 0x0F, sizeof entry->largePicture);
    memset(entry->smallPicture, 0x0F, sizeof entry->smallPicture);
    entry->state = kPictureMade;
    entry->smallPresent = 1;
    ++*reinterpret_cast<int*>(countValue);
    return 0;
}

int CountEntries(int, HostEntity* entity, intptr_t countValue, intptr_t pictured) {
    const ImageInfoRecord* entry = ShownEntry(entity, kCadFiles);
    if (entry) ++reinterpret_cast<int*>(countValue)[entry->state == kPictureMade ? 1 : 0];
    return 0;
}

int SaveChild(const char* folder) {
    ResetCommandState();
    CopyText(browseDirectory, folder);
    if (!OpenCache(folder)) return 2;
    ScanBrowseDir(kCadFiles);
    int count = 0;
    host::DLScan(CacheList, MarkPictured, kScanAll, reinterpret_cast<intptr_t>(&count), 0);
    CacheDirty = true;
    double built = PeakMB();
    double start = Now();
    CloseCache();
    printf("save: %d entries; peak %.0f MB built, %.0f MB after the save (%.1f s)\n", count, built,
           PeakMB(), Now() - start);
    return 0;
}

int FillOnly() {
    InitBrowseList();
    EndDialog(host::GetDlgWin(), IDC_BROWSE_CLOSE);
    return kKeepOpen;
}

int VisitChild(const char* folder) {
    ResetCommandState();
    CopyText(browseDirectory, folder);
    double start = Now();
    if (!OpenCache(folder)) return 2;
    int counts[2] = {0, 0};
    host::DLScan(CacheList, CountEntries, kScanAll, reinterpret_cast<intptr_t>(counts), 0);
    double loaded = Now() - start;
    ScanBrowseDir(kCadFiles);
    FormatIndex = kCadFiles;
    static int row;
    HDLGDEF def = host::DefDlg("IDD_DLGBROWSE", FillOnly);
    host::LSTCTL(def, IDC_BROWSE_LIST, &row, "", nullptr, DrawBrowseRow);
    host::XPDlog(def, GetModuleHandleA(nullptr));
    host::RelDlg(def);
    printf("visit: %d entries loaded from the cache (%d with pictures) in %.1f s; %d shown; peak %.0f MB\n",
           counts[0] + counts[1], counts[1], loaded, Showing.FoundCount, PeakMB());
    CloseCache();
    return 0;
}

DWORD RunChild(const char* phase, const char* folder) {
    char self[MAX_PATH], line[3 * MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    snprintf(line, sizeof line, "\"%s\" %s \"%s\"", self, phase, folder);
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION process;
    fflush(stdout);
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) return 999;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (code) printf("%s: the child ended with code 0x%lX\n", phase, code);
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    UseBenchSettingsKey("memory_bench");
    if (argc == 3 && strcmp(argv[1], "save") == 0) return SaveChild(argv[2]);
    if (argc == 3 && strcmp(argv[1], "visit") == 0) return VisitChild(argv[2]);
    char base[MAX_PATH], folder[MAX_PATH], cache[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    snprintf(folder, sizeof folder, "%sxp-memory-%d", base, kFiles);
    snprintf(cache, sizeof cache, "%s\\~BRINFO.KVW", folder);
    RemoveFolder(folder);
    double start = Now();
    MakeSampleFolder(folder, kFiles, 1);
    printf("%d sample files made in %.1f s\n", kFiles, Now() - start);
    RunChild("save", folder);
    WIN32_FILE_ATTRIBUTE_DATA data;
    double size = 0;
    if (GetFileAttributesExA(cache, GetFileExInfoStandard, &data)) {
        size = (static_cast<double>(data.nFileSizeHigh) * 4294967296.0 + data.nFileSizeLow) / 1048576.0;
    }
    printf("cache file: %.1f MB; limits: visit %.0f MB (1.3 x size + 64), save %.0f MB (1.5 x size)\n", size,
           1.3 * size + 64, 1.5 * size);
    RunChild("visit", folder);
    RemoveFolder(folder);
    return 0;
}
