// Cache entries as entities: the one gate that says what is an entry, and
// the entity entry through which the host lists them as "IMAGE INFO".
#include "browsecache/imageinfo.h"

#include "host/host.h"
#include "host/records.h"

ImageInfoRecord* AsImageInfo(HostEntity* entity) {
    if (!entity || EntityType(entity) != rec::kTypeCustom) return nullptr;
    if (EntityLength(entity) < kImageInfoSize) return nullptr;
    auto* entry = reinterpret_cast<ImageInfoRecord*>(entity);
    if (entry->entityClass != kImageInfoClass || entry->subKind != 0) return nullptr;
    if (!memchr(entry->name, '\0', sizeof entry->name)) return nullptr;
    return entry;
}

namespace {

// Host messages to the entity entry.
enum { kMessageCreate = 1, kMessageName = 8, kMessageInfo = 9, kFormatInfo = 2 };

void WriteLine(const char* text) {
    FormatBlockText line = {text, 0};
    host::FormSt(&line, kFormatInfo);
}

void WriteInformation(const ImageInfoRecord* entry) {
    FormatBlockValue first = {"    FileName: !01\n", {entry->name, {0, 0, 5, 3}}, 0};
    host::FormSt(&first, kFormatInfo);
    switch (entry->state) {
        case kNoPicture: WriteLine("    Bitmap not loaded.\n"); break;
        case kPictureMade: WriteLine("    Bitmap loaded.\n"); break;
        case kFileDeleted: WriteLine("    Bitmap file deleted.\n"); break;
        default: break;
    }
    // This follows the version, not whether a small picture was made.
    if (TakesSmallPicture(*entry)) WriteLine("    Has small bitmap.\n");
}

}  // namespace

int ImageInfoCallback(int message, HostEntity* entity, int selector, const char** text) {
    // Another sub-kind of this class, or a record too short to say: nothing to do.
    if (!entity || EntityLength(entity) <= 30 || entity[30] != 0) return kEntityHandled;
    switch (message) {
        case kMessageCreate:
            return kEntityHandled;
        case kMessageName:
            if (selector != 1 || !text) return host::ENoSupp();
            *text = "IMAGE INFO";
            return kEntityHandled;
        case kMessageInfo:
            if (const ImageInfoRecord* entry = AsImageInfo(entity)) WriteInformation(entry);
            return kEntityHandled;
        default:
            return host::ENoSupp();
    }
}
