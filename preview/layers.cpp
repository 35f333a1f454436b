// Which layers are shown: the layer table of the drawing being previewed.
#include "preview/preview.h"

#include "host/host.h"
#include "host/records.h"
#include "module/state.h"

// A table whose records would step past its block, or not move forward, is
// malformed from that point: the rest counts as absent, so the layer shows.
bool LayerVisible(int16_t layer) {
    const unsigned char* table =
        PreviewDrawing ? static_cast<const unsigned char*>(host::DLGetIBAdr(PreviewDrawing, 3)) : nullptr;
    if (!table) return true;
    uint32_t size = ReadField<uint32_t>(table, rec::kLayerTableSize);
    for (uint32_t at = rec::kLayerTableFirst; at <= size && size - at >= 4;) {
        uint32_t length = ReadField<uint32_t>(table, at);
        if (length == 0) return true;
        if (length < rec::kLayerRecordMinimum || length > size - at) return true;
        if (ReadField<int16_t>(table, at + rec::kLayerRecordNumber) == layer) {
            return (ReadField<int16_t>(table, at + rec::kLayerRecordFlags) & 1) == 0;
        }
        at += length;
    }
    return true;
}
