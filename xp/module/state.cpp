#include "module/state.h"

#include <string.h>

#include "host/host.h"

int commandMode = ModeLoad;
char browseDirectory[kDirSize];
char fileVariable[kVariableSize];
char lastPartFile[kPickedPathSize];
bool browseRequested;
PictureDescription PictureInfo;
bool colourTableReady;
HDL PreviewDrawing;
HDL CacheList;

namespace {

constexpr BITMAPINFOHEADER PictureHeader(int width, int height) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 8;
    header.biCompression = BI_RGB;
    return header;
}

constexpr BITMAPINFOHEADER kPictureHeaders[] = {
    PictureHeader(kLargeWidth, kLargeHeight),
    PictureHeader(kSmallWidth, kSmallHeight),
};

}  // namespace

PictureDescription DescribePicture(PictureSize size) {
    PictureDescription description;
    description.header = kPictureHeaders[size == kSmallPicture ? kSmallPicture : kLargePicture];
    memcpy(description.colours, PictureInfo.colours, sizeof description.colours);
    return description;
}

// The handles are forgotten, not destroyed: whoever made them has already
// destroyed them before its command ended.
void ResetCommandState() {
    BITMAPINFOHEADER& h = PictureInfo.header;
    const BITMAPINFOHEADER& large = kPictureHeaders[kLargePicture];
    h.biSize = large.biSize;
    h.biWidth = large.biWidth;
    h.biHeight = large.biHeight;
    h.biPlanes = large.biPlanes;
    h.biBitCount = large.biBitCount;
    h.biCompression = large.biCompression;
    PreviewDrawing = nullptr;
    CacheList = nullptr;
}

void NotifyHost() { host::XPMessage(kDialogNotice, kDialogNoticeArgument); }
