// "Cache all" on folders of 1000 and 4000 sample files shown as "CAD files":
// pictures made per second through the browser's own batch (then the save
// of the cache), and the time per picture split into its steps, measured
// again on the same drawings one step at a time: loading the drawing,
// its extents, the large and the small render (EDraw1 of every entity), the
// copy into 8-bit rows, appending the notes to the entry, and the share of
// the save.
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "browsecache/cache.h"
#include "browser/browser.h"
#include "browser/browserinternal.h"
#include "host/host.h"
#include "host/records.h"
#include "module/gdi.h"
#include "module/state.h"
#include "module/text.h"
#include "preview/preview.h"

namespace {

enum { kCadFiles = 5 };

struct Split {
    double load, extents, large, small, copy, append, save;
    int pictures;
};

int CollectShown(int, HostEntity* entity, intptr_t out, intptr_t) {
    if (ShownEntry(entity, kCadFiles)) reinterpret_cast<std::vector<std::string>*>(out)->push_back(AsImageInfo(entity)->name);
    return 0;
}

int CountMade(int, HostEntity* entity, intptr_t count, intptr_t) {
    const ImageInfoRecord* entry = ShownEntry(entity, kCadFiles);
    if (entry && entry->state == kPictureMade) ++*reinterpret_cast<int*>(count);
    return 0;
}

// The browser's batch on a fresh cache, then the save: seconds, and the
// pictures made.
double CacheAllOnce(const char* folder, int* made, double* saveTime) {
    char cache[MAX_PATH];
    snprintf(cache, sizeof cache, "%s\\~BRINFO.KVW", folder);
    SetFileAttributesA(cache, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(cache);
    ResetCommandState();
    CopyText(browseDirectory, folder);
    OpenCache(folder);
    ScanBrowseDir(kCadFiles);
    double start = Now();
    CacheMissingPictures(kCadFiles);
    double batch = Now() - start;
    *made = 0;
    host::DLScan(CacheList, CountMade, kScanAll, reinterpret_cast<intptr_t>(made), 0);
    start = Now();
    CloseCache();
    *saveTime = Now() - start;
    return batch + *saveTime;
}

template <typename Step>
double Timed(Step step) {
    double start = Now();
    step();
    return Now() - start;
}

// The same work one step at a time, on a scratch entry per drawing, with
// one set of device contexts and bitmaps for all, as the batch has.
Split MeasureSteps(const char* folder, const std::vector<std::string>& names) {
    Split split = {};
    static ImageInfoRecord scratch;
    HDL entries = NewList("SCRATCH");
    DeviceContext info = MakeDisplayInfo();
    DeviceContext memoryContext = MakeMemoryDC(info.Get());
    Bitmap largeOwner = MakeBitmap(info.Get(), kLargeWidth, kLargeHeight);
    Bitmap smallOwner = MakeBitmap(info.Get(), kSmallWidth, kSmallHeight);
    HDC memory = memoryContext.Get();
    HBITMAP largeBitmap = largeOwner.Get(), smallBitmap = smallOwner.Get();
    for (const std::string& name : names) {
        char path[MAX_PATH];
        snprintf(path, sizeof path, "%s\\%s", folder, name.c_str());
        HDL drawing = nullptr;
        split.load += Timed([&] { drawing = host::DLLoad(path, 46); });
        if (!drawing) continue;
        PreviewWindow window;
        split.extents += Timed([&] { MeasureForRender(drawing, drawing, &window); });
        split.large += Timed([&] {
            RenderMeasured(memory, largeBitmap, drawing, drawing, window, kLargeWidth, kLargeHeight, nullptr, nullptr);
        });
        split.small += Timed([&] {
            RenderMeasured(memory, smallBitmap, drawing, drawing, window, kSmallWidth, kSmallHeight, nullptr, nullptr);
        });
        split.copy += Timed([&] {
            GetDIBits(memory, largeBitmap, 0, kLargeHeight, scratch.largePicture,
                      reinterpret_cast<BITMAPINFO*>(&PictureInfo), DIB_RGB_COLORS);
            PictureInfo.header.biWidth = kSmallWidth;
            PictureInfo.header.biHeight = kSmallHeight;
            GetDIBits(memory, smallBitmap, 0, kSmallHeight, scratch.smallPicture,
                      reinterpret_cast<BITMAPINFO*>(&PictureInfo), DIB_RGB_COLORS);
            PictureInfo.header.biWidth = kLargeWidth;
            PictureInfo.header.biHeight = kLargeHeight;
        });
        split.append += Timed([&] {
            scratch.length = kImageInfoSize;
            scratch.type = 4;
            scratch.entityClass = kImageInfoClass;
            HostEntity* entry = host::DLApnd(entries, &scratch);
            for (HostEntity* e = FirstEntity(drawing); e && entry; e = NextEntity(e)) {
                if (EntityType(e) != rec::kTypeNote) continue;
                HDL members = host::DLGetSubList(entry);
                if (!members) {
                    entry = host::DLMakeSubList(entry);
                    members = entry ? host::DLGetSubList(entry) : nullptr;
                }
                if (members) host::DLCopy(members, e);
            }
        });
        host::DLDestroy(drawing);
        ++split.pictures;
    }
    DLDestroy(entries);
    return split;
}

void Measure(const char* base, int count) {
    char folder[MAX_PATH];
    snprintf(folder, sizeof folder, "%sxp-cacheall-%d", base, count);
    RemoveFolder(folder);
    MakeSampleFolder(folder, count, 1);
    int made = 0;
    double save = 0;
    CacheAllOnce(folder, &made, &save);  // warms the file cache and the colour table
    double best = 1e30, bestSave = 1e30;
    for (int round = 0; round < 2; ++round) {
        double saveTime = 0;
        best = std::min(best, CacheAllOnce(folder, &made, &saveTime));
        bestSave = std::min(bestSave, saveTime);
    }
    ResetCommandState();
    CopyText(browseDirectory, folder);
    OpenCache(folder);
    ScanBrowseDir(kCadFiles);
    std::vector<std::string> names;
    host::DLScan(CacheList, CollectShown, kScanAll, reinterpret_cast<intptr_t>(&names), 0);
    CloseCache();
    Split split = MeasureSteps(folder, names);
    split.save = bestSave;
    double per = 1e3 / std::max(1, split.pictures);
    printf("cache all %4d files: %d pictures in %.2f s, %.0f pictures/s\n", count, made, best, made / best);
    printf("  per picture (ms): load %.2f  extents %.2f  large %.2f  small %.2f  copy %.2f  append %.2f  save %.2f\n",
           split.load * per, split.extents * per, split.large * per, split.small * per, split.copy * per,
           split.append * per, split.save * 1e3 / std::max(1, made));
    RemoveFolder(folder);
}

}  // namespace

int main() {
    UseBenchSettingsKey("cacheall_bench");
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    Measure(base, 1000);
    Measure(base, 4000);
    return 0;
}
