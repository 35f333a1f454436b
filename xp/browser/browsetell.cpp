// What a showing tells the user once, however often the folder is scanned
// again (a box at every change of format would nag): that the folder does
// not exist, which files are left out of the list and why, and that the
// folder holds more drawings than the cache keeps.
#include "browser/browserinternal.h"

#include <string.h>

#include "host/host.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"

namespace {

// The whole sentence when one file is left out; a short reason after its
// name when several are.
struct LeftOutWords {
    const char* sentence;
    const char* reason;
};

LeftOutWords LeftOutText(LeftOutReason reason) {
    switch (reason) {
        case kPathTooLong:
            return {"The full path of this file is too long to open; it is not listed:", "path too long to open"};
        case kUnspellable:
            return {"The name of this file cannot be spelt in the system's code page, and it has no short "
                    "name that can; it is not listed:",
                    "name not in the code page"};
        case kNotPlain:
            return {"The name of this file holds a path separator or a colon, and would open a file "
                    "elsewhere; it is not listed:",
                    "name holds a path separator"};
        case kReservedCharacter:
            return {"The system cannot open a file of this name: it holds one of the characters ? * < > \" |. "
                    "It is not listed:",
                    "the system cannot open a file of this name"};
        case kDeviceName:
            return {"The name of this file is a device name of the system; it is not listed:", "a device name"};
        case kSameName:
            return {"Another file of this name, in other letter case or by its short name, is listed "
                    "instead; this one is not:",
                    "another file of this name is listed"};
        default: return {"This file is not listed:", "not listed"};
    }
}

void FormatLeftOutFiles(const LeftOutFiles& leftOut, char* text, size_t size) {
    if (leftOut.count == 1) {
        FormatText(text, size, "%s\n\n%s", LeftOutText(leftOut.files[0].reason).sentence, leftOut.files[0].name);
        return;
    }
    FormatText(text, size, "These %d files are not listed:\n", leftOut.count);
    int named = leftOut.count < kLeftOutNamed ? leftOut.count : kLeftOutNamed;
    for (int i = 0; i < named; ++i) {
        size_t used = strlen(text);
        FormatText(text + used, size - used, "\n%s (%s)", leftOut.files[i].name,
                   LeftOutText(leftOut.files[i].reason).reason);
    }
    if (leftOut.count > named) {
        size_t used = strlen(text);
        FormatText(text + used, size - used, "\n... and %d more", leftOut.count - named);
    }
}

}  // namespace

// A folder that is not there shows the empty list, as any folder without
// drawings, and is told once.
void TellLeftOutFiles() {
    ToldState& told = Showing.told;
    if (!told.missingFolder && !IsFolder(browseDirectory)) {
        told.missingFolder = true;
        char text[kMessageSize];
        FormatText(text, sizeof text, "This folder does not exist:\n\n%s", browseDirectory);
        host::ErrorBox(text);
    }
    if (!Showing.leftOut.count || told.leftOut) return;
    told.leftOut = true;
    char list[kLeftOutNamed * (MAX_PATH + 48) + 64];
    FormatLeftOutFiles(Showing.leftOut, list, sizeof list);
    host::ErrorBox(list);
}

void TellUnlistedFiles() {
    if (Showing.unlistedFiles.empty() || Showing.told.unlisted) return;
    Showing.told.unlisted = true;
    char text[kMessageSize];
    FormatText(text, sizeof text,
               "This folder holds %d drawings of this format, more than the picture cache keeps: "
               "%d have pictures. The others are listed after them without a picture and can still "
               "be picked.",
               Showing.FoundCount, Showing.FoundCount - static_cast<int>(Showing.unlistedFiles.size()));
    host::ErrorBox(text);
}
