#include "module/gdi.h"

DeviceContext MakeDisplayInfo() { return DeviceContext::Take(CreateICA("DISPLAY", nullptr, nullptr, nullptr)); }
DeviceContext MakeMemoryDC(HDC compatible) { return DeviceContext::Take(CreateCompatibleDC(compatible)); }
Bitmap MakeBitmap(HDC compatible, int width, int height) {
    return Bitmap::Take(CreateCompatibleBitmap(compatible, width, height));
}
Region MakeRectRegion(const RECT& rect) { return Region::Take(CreateRectRgnIndirect(&rect)); }
