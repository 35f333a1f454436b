// Which layers are shown: the layer table of the drawing being previewed,
// handed to every check by the walk that draws or measures it.
#include "preview/preview.h"

#include "host/host.h"
#include "host/records.h"

// The walk goes record by record until a length of 0. A length below a
// record's minimum (which would not move forward) or above any real layer
// record, or more records than a drawing can have layers, means the table
// is malformed from there: the rest counts as absent, so the layer shows.
// The head's first word holds the block's size on some hosts only (0, or a
// count, on others); it bounds the walk only when it could be that size.
enum : uint32_t { kLayerRecordCap = 65536, kLayerRecordMaximum = 4096 };

static bool PlausibleTableSize(uint32_t size) {
    return size >= rec::kLayerTableFirst + 4 &&
           size <= rec::kLayerTableFirst + kLayerRecordCap * kLayerRecordMaximum + 4;
}

bool LayerVisible(HDL drawing, int16_t layer) {
    const unsigned char* table =
        drawing ? static_cast<const unsigned char*>(host::DLGetIBAdr(drawing, 3)) : nullptr;
    if (!table) return true;
    uint32_t size = ReadField<uint32_t>(table, rec::kLayerTableSize);
    bool bounded = PlausibleTableSize(size);
    uint32_t at = rec::kLayerTableFirst;
    for (uint32_t walked = 0; walked < kLayerRecordCap; ++walked) {
        if (bounded && (at > size || size - at < 4)) return true;
        uint32_t length = ReadField<uint32_t>(table, at);
        if (length == 0) return true;
        if (length < rec::kLayerRecordMinimum || length > kLayerRecordMaximum) return true;
        if (bounded && length > size - at) return true;
        if (ReadField<int16_t>(table, at + rec::kLayerRecordNumber) == layer) {
            return (ReadField<int16_t>(table, at + rec::kLayerRecordFlags) & 1) == 0;
        }
        at += length;
    }
    return true;
}
