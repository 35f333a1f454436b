// The module's settings in the host's registry store: the options and the
// colour table of the 8-bit pictures. Every reader loads anew at each use.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <windows.h>

// The automatic backup of the current drawing, a bare name: it lands in the
// host's current directory.
constexpr char kBackupFileName[] = "FILE~BAK.KVW";

// Which macro line inserts a part: "~PARTM", "~MPAR" or "~MPARS". A stored
// value outside these acts as kInsertPartM.
enum InsertStyle : int32_t { kInsertPartM = 0, kInsertMpar = 1, kInsertMpars = 2 };

// Value "Options", 12 bytes, read into in place.
struct OptionsRecord {
    int32_t insertStyle;      // an InsertStyle; bound to FILEOPT's radio buttons
    int32_t autoSaveBackups;  // non-zero: save kBackupFileName before the file dialogs
    int32_t alwaysCache;      // non-zero: the browser makes every picture at once
};
static_assert(sizeof(OptionsRecord) == 12, "the stored Options value is 12 bytes");
static_assert(offsetof(OptionsRecord, autoSaveBackups) == 4, "");
static_assert(offsetof(OptionsRecord, alwaysCache) == 8, "");

// Value "ColorMap", 1028 bytes: the colour table of PictureInfo.
enum { kColorTableWritten = 1 };
struct ColorMapRecord {
    int32_t valid;            // kColorTableWritten when written by the module; 0 means no table
    RGBQUAD colours[256];
};
static_assert(sizeof(ColorMapRecord) == 1028, "the stored ColorMap value is 1028 bytes");
static_assert(offsetof(ColorMapRecord, colours) == 4, "");

// Defaults 0, 1, 0 until a stored value is read. Written by LoadOptions and
// the FILEOPT and browse dialogs; read by the commands, file manager and browser.
extern OptionsRecord Options;

void LoadOptions();
void SaveOptions();
// Loads the options and, when they ask for it, saves the current drawing as
// kBackupFileName.
void SaveBackupIfWanted();
// Fills the colour table of PictureInfo and sets colourTableReady, but only
// when a valid table is stored.
void LoadColorMap();
// Stores the colour table of PictureInfo and sets colourTableReady.
void SaveColorMap();

// Value "BrowseSize", 16 bytes: the browse dialog's size when it was last
// closed, in pixels at the screen's pixels per inch then.
struct BrowseSizeRecord {
    int32_t width;
    int32_t height;
    int32_t dpi;
    int32_t maximised;  // non-zero: it was closed maximised
};
static_assert(sizeof(BrowseSizeRecord) == 16, "the stored BrowseSize value is 16 bytes");
static_assert(offsetof(BrowseSizeRecord, dpi) == 8, "");

// What LoadBrowseSize found: no value, a size (now in size), or a value
// that cannot be a size, which is ignored and stored anew at the next close.
enum class StoredBrowseSize { kNone, kLoaded, kBroken };
StoredBrowseSize LoadBrowseSize(BrowseSizeRecord& size);
void SaveBrowseSize(const BrowseSizeRecord& size);

// Value "BrowseOrder", 4 bytes: the order of the browser's pictures.
enum BrowseOrder : int32_t { kOrderByName = 0, kOrderNewestFirst = 1 };
// The stored order, by name when none is stored; a stored value that is no
// order is repaired (written back by name).
BrowseOrder LoadBrowseOrder();
void SaveBrowseOrder(BrowseOrder order);
