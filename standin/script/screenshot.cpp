// Screenshots of a window as the screen shows it, saved as PNG.
#include "standin/standin.h"

#include <vector>

bool SaveScreenshot(HWND window, const char* path) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    // Wine copies what windows painted to the screen only when the thread
    // waits idle, at most once in 50 ms: wait so that the copy is made.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 60, 0);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, 0);
    RECT rect, screenRect;
    if (!GetWindowRect(window, &rect)) return false;
    // A maximised window's frame lies off the screen, and Wine copies
    // nothing from a source reaching past it: the part on the screen is taken.
    if (GetWindowRect(GetDesktopWindow(), &screenRect)) IntersectRect(&rect, &rect, &screenRect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    bool saved = false;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        SelectObject(memory, old);
        GdiFlush();
        int stride = (3 * width + 3) & ~3;
        std::vector<unsigned char> rgb(static_cast<size_t>(3) * width * height);
        for (int y = 0; y < height; ++y) {
            const unsigned char* row = static_cast<const unsigned char*>(bits) + y * stride;
            for (int x = 0; x < width; ++x) {  // BGR to RGB
                rgb[3 * (y * width + x) + 0] = row[3 * x + 2];
                rgb[3 * (y * width + x) + 1] = row[3 * x + 1];
                rgb[3 * (y * width + x) + 2] = row[3 * x + 0];
            }
        }
        saved = WritePng(path, width, height, rgb.data());
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}
