// Drawing a whole drawing, zoomed to its extents, into a new bitmap.
#include "preview/preview.h"

#include <math.h>

#include "host/host.h"
#include "host/records.h"
#include "module/gdi.h"
#include "module/state.h"
#include "module/text.h"

bool ShowAllRequest;
bool NotesRequest;
PreviewWindow PreviewView;

static bool SpansMinimumOn(const PreviewWindow& window, int axis) {
    return !(static_cast<double>(window.max[axis]) - window.min[axis] < kMinimumSpan);
}

bool SpansMinimum(const PreviewWindow& window) { return SpansMinimumOn(window, 0) && SpansMinimumOn(window, 1); }

// The window is at least kMinimumSpan units wide and high. The test is made
// in double precision, the stored value is the single-precision 0.1. Far
// from the origin 0.1 is less than the spacing of single-precision numbers
// (8 at 1e8) and the sum stays where it was: the next number up is taken instead, or
// the next one down from the maximum where nothing lies above.
void ApplyMinimumSize(PreviewWindow* window) {
    for (int axis = 0; axis < 2; ++axis) {
        float& low = window->min[axis];
        float& high = window->max[axis];
        if (SpansMinimumOn(*window, axis)) continue;
        // Stored before it is compared: the x87 unit would compare the sum at
        // its own wider precision and find it larger.
        volatile float sum = low + static_cast<float>(kMinimumSpan);
        high = sum;
        if (!(high > low)) high = nextafterf(low, INFINITY);
        if (!isfinite(high)) {
            high = low;
            low = nextafterf(high, -INFINITY);
        }
    }
}

// Widens the window in x or y so that it has the pixel rectangle's shape:
// the drawing fills one dimension and is centred in the other. Equal shapes
// widen y by zero. fitted receives x0, y0, x1, y1.
void FitWindowToPixels(const PreviewWindow& window, int width, int height, float fitted[4]) {
    double x0 = window.min[0], y0 = window.min[1], x1 = window.max[0], y1 = window.max[1];
    if (!isfinite(x0) || !isfinite(y0) || !isfinite(x1) || !isfinite(y1)) {
        x0 = y0 = 0;  // a broken extents result must not reach the device
        x1 = y1 = 1;
    }
    double dx = x1 - x0, dy = y1 - y0;
    if (height / dy < width / dx) {
        double d = width * dy / height - dx;
        x1 += d / 2;
        x0 -= d / 2;
    } else {
        double d = height * dx / width - dy;
        y1 += d / 2;
        y0 -= d / 2;
    }
    fitted[0] = static_cast<float>(x0);
    fitted[1] = static_cast<float>(y0);
    fitted[2] = static_cast<float>(x1);
    fitted[3] = static_cast<float>(y1);
}

int DrawScanCallback(int, HostEntity* entity, intptr_t scanValue, intptr_t) {
    const DrawScan* scan = reinterpret_cast<const DrawScan*>(scanValue);
    uint8_t type = EntityType(entity);
    if (LayerVisible(scan->layers, EntityLayer(entity)) || ShowAllRequest || type == rec::kTypeFrame ||
        type == rec::kTypeSymbolRef) {
        host::EDraw1(entity);
    }
    if (type != rec::kTypeNote) return 0;
    if (NotesRequest && scan->notesWindow) AddNoteToTree(scan->notesWindow, entity);
    if (scan->noteHolder && *scan->noteHolder) CollectNote(scan->noteHolder, entity);
    return 0;
}

// The member list of the first symbol definition; ends the walk.
static int FirstSymbolMembers(int, HostEntity* entity, intptr_t, intptr_t) {
    if (EntityType(entity) != rec::kTypeSymbolDef) return 0;
    return reinterpret_cast<int>(host::DLGetSubList(entity));
}

HDL ListToDraw(HDL drawing, const char* name) {
    if (!HasExtension(name, "KVS")) return drawing;
    HDL members = reinterpret_cast<HDL>(host::DLScan(drawing, FirstSymbolMembers, kScanDrawing, 0, 0));
    return members ? members : drawing;
}

// The drawing's own background, or the host's for a drawing without a header.
int BackgroundOf(HDL list) {
    const void* header = host::DLGetIBAdr(list, 0);
    return header ? ReadField<int16_t>(header, rec::kHeaderBackground) : int{host::kBackgroundColour};
}

// Marks the header's stored extents as current, as the host does after a
// regeneration; the computed extents themselves are not stored.
static void MarkExtentsCurrent(HDL list) {
    unsigned char* header = static_cast<unsigned char*>(host::DLGetIBAdr(list, 0));
    if (!header) return;
    header[rec::kHeaderExtentsValid] = 1;
    uint16_t flags = ReadField<uint16_t>(header, rec::kHeaderFlags);
    WriteField<uint16_t>(header, rec::kHeaderFlags, flags & ~rec::kHeaderExtentsStale);
}

void MeasureForRender(HDL drawList, HDL headerList, PreviewWindow* window) {
    DrawingExtents(drawList, headerList, window);
    MarkExtentsCurrent(headerList);
    ApplyMinimumSize(window);
}

bool RenderMeasured(HDC memory, HBITMAP target, HDL drawList, HDL headerList, const PreviewWindow& window,
                    int width, int height, HostEntity** noteHolder, HWND notesWindow) {
    if (!memory || !target) return false;
    float fitted[4];
    FitWindowToPixels(window, width, height, fitted);
    HGDIOBJ kept = SelectObject(memory, target);
    host::DevUseBitmap(memory);
    host::DevUseColor(BackgroundOf(headerList));
    RECT whole = {0, 0, width, height};
    host::DevSRect(&whole);
    host::SetBMView(fitted[0], fitted[1], fitted[2], fitted[3], &whole);
    ShowAllRequest = false;
    DrawScan scan = {headerList, notesWindow, noteHolder};
    bool fillsNotes = notesWindow && NotesRequest;
    if (fillsNotes) BeginNotesFill(notesWindow);
    host::DLScan(drawList, DrawScanCallback, kScanAll, reinterpret_cast<intptr_t>(&scan), 0);
    if (fillsNotes) EndNotesFill(notesWindow);
    if (notesWindow) NotesRequest = false;
    host::DevUsePrior();
    SelectObject(memory, kept);
    return true;
}

Bitmap RenderToBitmap(HDL drawList, HDL headerList, int width, int height, HostEntity** noteHolder,
                      HWND notesWindow) {
    PreviewWindow window;
    MeasureForRender(drawList, headerList, &window);
    DeviceContext info = MakeDisplayInfo();
    DeviceContext memory = info ? MakeMemoryDC(info.Get()) : DeviceContext();
    Bitmap bitmap = memory ? MakeBitmap(info.Get(), width, height) : Bitmap();
    RenderMeasured(memory.Get(), bitmap.Get(), drawList, headerList, window, width, height, noteHolder, notesWindow);
    return bitmap;
}
