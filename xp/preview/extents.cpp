// The extents of a drawing as the previews zoom to them.
#include "preview/preview.h"

#include "host/host.h"
#include "host/records.h"

void DrawingExtents(HDL list, HDL layers, PreviewWindow* extents) {
    host::BgnPExtents();
    host::DLScan(list, ExtentsScanCallback, kScanDrawing, reinterpret_cast<intptr_t>(layers), 0);
    host::EndPExtents(extents->min);
}

// A symbol reference counts by its definition's box, placed by the
// reference's transform, whatever its layer. All four corners are placed:
// under a rotation that is not a multiple of 90 degrees the two stored
// corners alone span a box too small, and the picture was cut at its edge.
static void AddSymbolReference(HostEntity* reference) {
    if (EntityLength(reference) < rec::kSymbolPlacement + 4) return;
    const HostEntity* definition = ReadField<const HostEntity*>(reference, rec::kSymbolDefinition);
    if (!definition || EntityLength(definition) < rec::kCornerMax + rec::kCornerSize) return;
    host::LDSymTM(reference + rec::kSymbolPlacement);
    float low[3], high[3], placed[2][3];
    memcpy(low, definition + rec::kCornerMin, sizeof low);
    memcpy(high, definition + rec::kCornerMax, sizeof high);
    for (int i = 0; i < 4; ++i) {
        float corner[3] = {i & 1 ? high[0] : low[0], i & 2 ? high[1] : low[1], i & 2 ? high[2] : low[2]};
        host::TranP2(corner);
        host::XCheckP2(corner);
        for (int axis = 0; axis < 3; ++axis) {
            if (i == 0 || corner[axis] < placed[0][axis]) placed[0][axis] = corner[axis];
            if (i == 0 || corner[axis] > placed[1][axis]) placed[1][axis] = corner[axis];
        }
    }
    // The reference's own corners receive the placed box.
    memcpy(reference + rec::kCornerMin, placed[0], rec::kCornerSize);
    memcpy(reference + rec::kCornerMax, placed[1], rec::kCornerSize);
}

int ExtentsScanCallback(int, HostEntity* entity, intptr_t layers, intptr_t) {
    switch (EntityType(entity)) {
        case rec::kTypeSymbolDef:
        case rec::kTypeViewMark:
            break;
        case rec::kTypeSymbolRef:
            AddSymbolReference(entity);
            break;
        case rec::kTypeGroup:
            if (EntityLength(entity) >= rec::kGroupFlags + 4 &&
                (ReadField<uint32_t>(entity, rec::kGroupFlags) & rec::kGroupMembersCount)) {
                if (HDL members = host::DLGetSubList(entity)) {
                    host::DLScan(members, ExtentsScanCallback, kScanSubLists, layers, 0);
                }
            }
            break;
        default:
            if (LayerVisible(reinterpret_cast<HDL>(layers), EntityLayer(entity))) host::EXCheck(entity);
            break;
    }
    return 0;
}
