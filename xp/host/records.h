// The host's drawing records as the module reads them: byte offsets into
// entity records, the header block and the layer table. Records are packed
// and little-endian; fields are read with ReadField, never through casts,
// because many of them are unaligned.
#pragma once

#include <stdint.h>
#include <string.h>

#include "host/hostapi.h"

namespace rec {

// Every entity record.
enum : uint32_t {
    kLength = 0,      // u32: whole record
    kType = 4,        // u8
    kLayer = 12,      // i16
    kHeadSize = 28,   // the common part every record has
};

// Entity types the module tells apart.
enum : uint8_t {
    kTypeCustom = 4,
    kTypeFrame = 18,
    kTypeSymbolDef = 28,
    kTypeSymbolRef = 29,
    kTypeViewMark = 30,
    kTypeGroup = 41,
    kTypeNote = 129,
};

// Symbol definition and reference: two corners of three floats.
enum : uint32_t { kCornerMin = 28, kCornerMax = 40, kCornerSize = 12 };
// Symbol reference: definition pointer and placement data.
enum : uint32_t { kSymbolDefinition = 84, kSymbolPlacement = 88, kSymbolRefSize = 88 };
// Group: flags word; bit 1 = members count for the extents.
enum : uint32_t { kGroupFlags = 28, kGroupMembersCount = 2 };
// Note: heading (32 bytes, NUL-terminated) and body (NUL-terminated).
enum : uint32_t { kNoteHeading = 30, kNoteHeadingSize = 32, kNoteBody = 62 };

// Header block (info block 0).
enum : uint32_t {
    kHeaderFlags = 14,          // u16; bit 1 = stored extents out of date
    kHeaderBackground = 28,     // i16 host colour
    kHeaderExtents = 32,        // six floats: min corner, max corner
    kHeaderExtentsValid = 56,   // u8; 1 = stored extents valid
    kHeaderExtentsStale = 2,
};

// Layer table (info block 3): u32 block size at 0, records from 16.
enum : uint32_t {
    kLayerTableSize = 0,
    kLayerTableFirst = 16,
    kLayerRecordNumber = 4,     // i16
    kLayerRecordFlags = 6,      // i16; bit 0 = hidden
    kLayerRecordMinimum = 8,
};

}  // namespace rec

template <typename T>
inline T ReadField(const void* record, uint32_t offset) {
    T value;
    memcpy(&value, static_cast<const unsigned char*>(record) + offset, sizeof value);
    return value;
}

template <typename T>
inline void WriteField(void* record, uint32_t offset, T value) {
    memcpy(static_cast<unsigned char*>(record) + offset, &value, sizeof value);
}

inline uint32_t EntityLength(const HostEntity* entity) { return ReadField<uint32_t>(entity, rec::kLength); }
inline uint8_t EntityType(const HostEntity* entity) { return entity[rec::kType]; }
inline int16_t EntityLayer(const HostEntity* entity) { return ReadField<int16_t>(entity, rec::kLayer); }
