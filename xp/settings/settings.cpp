#include "settings/settings.h"

#include <string.h>

#include "host/host.h"
#include "module/state.h"
#include "module/text.h"
#include "module/writefailure.h"

const OptionsRecord kDefaultOptions = {kInsertPartM, 1, 0};
OptionsRecord Options = kDefaultOptions;

namespace {

enum { kKeyPathSize = 256 };
const uint32_t kCurrentUser = 0x80000001;  // HKEY_CURRENT_USER
const uint32_t kBinary = 3;                // REG_BINARY
const char kModuleTitle[] = "Kiru32 (Lumo32)";

static_assert(sizeof(ColorMapRecord::colours) == sizeof(PictureInfo.colours),
              "ColorMap holds exactly the colour table of PictureInfo");

// The key is built from the host's string at every access, so a change of
// the host's base key takes effect at the next use. A path that does not fit
// is no path at all: cut short it names another key (one losing the closing
// bracket of the title, say), and reading or writing there would mix these
// settings with whatever lives at that key. Such an access is skipped: a
// read finds nothing, a write is told as a store error is.
bool BuildKeyPath(char (&path)[kKeyPathSize]) {
    const char* base = host::RscAdr(kStringRegistryBase);
    if (!base) return false;
    return FormatText(path, sizeof path, "%s\\XP\\Vandrel\\%s\\", base, kModuleTitle);
}

StoreRequest MakeRequest(const char* keyPath, const char* valueName, void* data, uint32_t size) {
    return StoreRequest{kCurrentUser, keyPath, valueName, data, size, kBinary, size, 0};
}

// A missing value leaves data as it was: the host's store guarantees it.
// True when the value was read.
bool GetValue(const char* valueName, void* data, uint32_t size) {
    char keyPath[kKeyPathSize];
    if (!BuildKeyPath(keyPath)) return false;
    StoreRequest request = MakeRequest(keyPath, valueName, data, size);
    return host::RMGetValue(&request) != 0;
}

// A write that fails is told, with the setting and where it was to go: the
// user's choice would otherwise be gone at the next use without a word.
// The store does not say why it refused.
void TellSaveFailed(const char* valueName, const char* keyPath) {
    char text[kMessageSize];
    if (keyPath) {
        FormatText(text, sizeof text,
                   "Error: Couldn't save the setting \"%s\" in the host's settings store:\n\nHKEY_CURRENT_USER\\%s",
                   valueName, keyPath);
    } else {
        FormatText(text, sizeof text,
                   "Error: Couldn't save the setting \"%s\": the host's key for the settings is missing or too "
                   "long.",
                   valueName);
    }
    host::ErrorBox(text);
}

void SetValue(const char* valueName, void* data, uint32_t size) {
    char keyPath[kKeyPathSize];
    if (!BuildKeyPath(keyPath)) return TellSaveFailed(valueName, nullptr);
    StoreRequest request = MakeRequest(keyPath, valueName, data, size);
    if (!host::RMSetValue(&request)) TellSaveFailed(valueName, keyPath);
}

}  // namespace

// A field no control can show reads as its default: FILEOPT shows then
// exactly what OK stores, and the next save writes the repaired record
// (a backups flag of 2 showed unticked, and OK switched backups off).
void LoadOptions() {
    GetValue("Options", &Options, sizeof Options);
    if (Options.insertStyle < kInsertPartM || Options.insertStyle > kInsertMpars) Options.insertStyle = kDefaultOptions.insertStyle;
    if (Options.autoSaveBackups != 0 && Options.autoSaveBackups != 1) {
        Options.autoSaveBackups = kDefaultOptions.autoSaveBackups;
    }
    if (Options.alwaysCache != 0 && Options.alwaysCache != 1) Options.alwaysCache = kDefaultOptions.alwaysCache;
}

void SaveOptions() { SetValue("Options", &Options, sizeof Options); }

// A failed backup is told before the dialog opens, naming the host's
// current directory, where the bare name lands.
static void TellBackupFailed(DWORD error) {
    char folder[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder) CopyText(folder, "(the current folder)");
    char reason[kReasonSize];
    DescribeWriteFailure(error, kBackupFileName, reason, sizeof reason);
    char text[kMessageSize];
    FormatText(text, sizeof text, "Error: Couldn't save the backup %s of the drawing: %s.\n\n%s", kBackupFileName,
               reason, folder);
    host::ErrorBox(text);
}

void SaveBackupIfWanted() {
    LoadOptions();
    if (!Options.autoSaveBackups) return;
    SetLastError(0);
    if (host::DLSave(host::DLGetWorkDL(), kBackupFileName)) return;
    TellBackupFailed(GetLastError());
}

// A table of one colour cannot be the system's, which always holds at least
// the black of lines and the white of backgrounds: stored all zero, it drew
// every cached picture black in every folder for good. It counts as missing,
// so the pictures are made again and the system's table is stored anew.
static bool CanBeSystemTable(const RGBQUAD (&colours)[256]) {
    for (const RGBQUAD& c : colours) {
        if (memcmp(&c, &colours[0], sizeof c) != 0) return true;
    }
    return false;
}

void LoadColorMap() {
    ColorMapRecord record;
    memset(&record, 0, sizeof record);
    GetValue("ColorMap", &record, sizeof record);
    if (record.valid == 0 || !CanBeSystemTable(record.colours)) return;
    memcpy(PictureInfo.colours, record.colours, sizeof PictureInfo.colours);
    colourTableReady = true;
}

// The table counts as saved even when the store refused it: the pictures of
// this load of the module are drawn through the table in memory, and trying
// again at every conversion would gain nothing.
void SaveColorMap() {
    ColorMapRecord record;
    record.valid = kColorTableWritten;
    memcpy(record.colours, PictureInfo.colours, sizeof record.colours);
    SetValue("ColorMap", &record, sizeof record);
    colourTableReady = true;
}

// The stored value is checked like any input: a size no screen could show
// or a density no screen has is no size. It is told apart from a missing
// one so that it is repaired, as Options are: left in the store, it was
// read and ignored at every showing for good.
StoredBrowseSize LoadBrowseSize(BrowseSizeRecord& size) {
    enum { kMaxLength = 32768, kMinDpi = 48, kMaxDpi = 960 };
    BrowseSizeRecord stored = {0, 0, 0, 0};
    if (!GetValue("BrowseSize", &stored, sizeof stored)) return StoredBrowseSize::kNone;
    if (stored.width <= 0 || stored.width > kMaxLength || stored.height <= 0 || stored.height > kMaxLength ||
        stored.dpi < kMinDpi || stored.dpi > kMaxDpi) {
        return StoredBrowseSize::kBroken;
    }
    size = stored;
    return StoredBrowseSize::kLoaded;
}

void SaveBrowseSize(const BrowseSizeRecord& size) {
    BrowseSizeRecord stored = size;
    SetValue("BrowseSize", &stored, sizeof stored);
}

BrowseOrder LoadBrowseOrder() {
    int32_t stored = kOrderByName;
    GetValue("BrowseOrder", &stored, sizeof stored);
    if (stored == kOrderByName || stored == kOrderNewestFirst) return static_cast<BrowseOrder>(stored);
    SaveBrowseOrder(kOrderByName);
    return kOrderByName;
}

void SaveBrowseOrder(BrowseOrder order) {
    int32_t stored = order;
    SetValue("BrowseOrder", &stored, sizeof stored);
}
