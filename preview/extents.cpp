// The extents of a drawing as the previews zoom to them.
#include "preview/preview.h"

#include "host/host.h"
#include "host/records.h"

#include <initializer_list>

void DrawingExtents(HDL list, PreviewWindow* extents) {
    host::BgnPExtents();
    host::DLScan(list, ExtentsScanCallback, kScanDrawing, 0, 0);
    host::EndPExtents(extents->min);
}

// A symbol reference counts by its definition's box, placed by the
// reference's transform, whatever its layer.
static void AddSymbolReference(HostEntity* reference) {
    if (EntityLength(reference) < rec::kSymbolPlacement + 4) return;
    const HostEntity* definition = ReadField<const HostEntity*>(reference, rec::kSymbolDefinition);
    if (!definition || EntityLength(definition) < rec::kCornerMax + rec::kCornerSize) return;
    host::LDSymTM(reference + rec::kSymbolPlacement);
    // The reference's own corners receive the definition's box, transformed.
    memcpy(reference + rec::kCornerMin, definition + rec::kCornerMin, 2 * rec::kCornerSize);
    float corner[3];
    for (uint32_t offset : {rec::kCornerMin, rec::kCornerMax}) {
        memcpy(corner, reference + offset, sizeof corner);
        host::TranP2(corner);
        memcpy(reference + offset, corner, sizeof corner);
        host::XCheckP2(corner);
    }
}

int ExtentsScanCallback(int, HostEntity* entity, intptr_t, intptr_t) {
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
                    host::DLScan(members, ExtentsScanCallback, kScanSubLists, 0, 0);
                }
            }
            break;
        default:
            if (LayerVisible(EntityLayer(entity))) host::EXCheck(entity);
            break;
    }
    return 0;
}
