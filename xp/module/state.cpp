#include "module/state.h"

#include "host/host.h"

int commandMode = ModeLoad;
char browseDirectory[kDirSize];
char fileVariable[kVariableSize];
char lastPartFile[kPickedPathSize];
int browseRequested;
PictureDescription PictureInfo;
int colourTableReady;
HDL PreviewDrawing;
HDL CacheList;

// The handles are forgotten, not destroyed: whoever made them has already
// destroyed them before its command ended.
void ResetCommandState() {
    BITMAPINFOHEADER& h = PictureInfo.header;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = 181;
    h.biHeight = 188;
    h.biPlanes = 1;
    h.biBitCount = 8;
    h.biCompression = BI_RGB;
    PreviewDrawing = nullptr;
    CacheList = nullptr;
}

void NotifyHost() { host::XPMessage(204, 34); }
