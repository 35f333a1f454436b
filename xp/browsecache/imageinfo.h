// The cache entry stored for each drawing file: the module's own entity
// (type 4, class 0xA005, sub-kind 0), and its entity entry.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "host/hostapi.h"
#include "module/state.h"

enum {
    kImageInfoClass = 0xA005,
    kImageInfoSize = 43646,
    kLargeStride = 184,  // the picture sizes' rows as stored, padded to 4 bytes
    kSmallStride = 92,
    kEntryNameSize = 260,
};
enum EntryState : uint8_t { kNoPicture = 0, kPictureMade = 1, kFileDeleted = 2 };
// The record's versions: 1 is obsolete (a lookup deletes it), 3 is written;
// only an entry of version 3 or higher takes a small picture.
enum : uint32_t { kObsoleteVersion = 1, kSmallPictureVersion = 3, kCurrentVersion = 3 };

#pragma pack(push, 1)
struct ImageInfoRecord {
    uint32_t length;                              // 0: 43646
    uint8_t type;                                 // 4: 4
    uint8_t common[23];                           // 5: as GetCStuff fills them
    uint16_t entityClass;                         // 28: 0xA005
    uint8_t subKind;                              // 30: 0
    uint32_t version;                             // 31: 3; 1 is obsolete
    uint8_t state;                                // 35: EntryState
    HostEntity* nextShown;                        // 36: run-time link of the browse list
    uint8_t largePicture[kLargeStride * kLargeHeight];  // 40: bottom row first
    FILETIME fileTime;                            // 34632: last write of the drawing
    char name[kEntryNameSize];                    // 34640: file name, no folder
    uint32_t smallPresent;                        // 34900
    uint8_t smallPicture[8742];                   // 34904: 92 x 94 used
};
#pragma pack(pop)
static_assert(sizeof(ImageInfoRecord) == kImageInfoSize, "");
static_assert(offsetof(ImageInfoRecord, entityClass) == 28, "");
static_assert(offsetof(ImageInfoRecord, subKind) == 30, "");
static_assert(offsetof(ImageInfoRecord, version) == 31, "the version field is not aligned");
static_assert(offsetof(ImageInfoRecord, state) == 35, "");
static_assert(offsetof(ImageInfoRecord, nextShown) == 36, "");
static_assert(offsetof(ImageInfoRecord, largePicture) == 40, "");
static_assert(sizeof(ImageInfoRecord::largePicture) == 34592, "");
static_assert(offsetof(ImageInfoRecord, fileTime) == 34632, "");
static_assert(offsetof(ImageInfoRecord, name) == 34640, "");
static_assert(offsetof(ImageInfoRecord, smallPresent) == 34900, "");
static_assert(offsetof(ImageInfoRecord, smallPicture) == 34904, "");
static_assert(kSmallStride * kSmallHeight <= sizeof(ImageInfoRecord::smallPicture), "");
static_assert(kLargeStride == (kLargeWidth + 3) / 4 * 4 && kSmallStride == (kSmallWidth + 3) / 4 * 4,
              "8-bit rows are padded to 4 bytes");

// The one test of whether an entity is a cache entry: type 4, class 0xA005,
// sub-kind 0, long enough for every field, and a file name that ends within
// its 260 bytes. Anything else, from however hostile a cache file, is not an
// entry and is left alone. Every reader of entry fields goes through here.
ImageInfoRecord* AsImageInfo(HostEntity* entity);
inline const ImageInfoRecord* AsImageInfo(const HostEntity* entity) {
    return AsImageInfo(const_cast<HostEntity*>(entity));
}

inline bool TakesSmallPicture(const ImageInfoRecord& entry) { return entry.version >= kSmallPictureVersion; }

int ImageInfoCallback(int message, HostEntity* entity, int selector, const char** text);
