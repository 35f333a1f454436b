// Which files each "File format:" choice takes. The extension is a name's
// last three characters: no dot is required, so PLANKVW is a KVW drawing.
#include "browser/browser.h"
#include "browser/browserinternal.h"

#include "module/state.h"
#include "module/text.h"

// Written by the format combo and the file manager's type filter; read by
// every walk of the browse list.
int FormatIndex;

namespace {

// The one table of formats: the browser's "File format:" choices and the
// file manager's type filters are its rows, in this order.
struct FileFormat {
    const char* label;
    const char* extensions[kMaxFormatExtensions + 1];  // null ends the row
};
const FileFormat kFormats[kFormatCount] = {
    {"Korvind KVW Drawing", {"KVW"}},
    {"Korvind/DOS KVD Ver 2.72+ Drawing", {"KVD"}},
    {"Linvale LVW 4.50+ Drawing", {"LVW"}},
    {"AutoCad DWG File", {"DWG"}},
    {"AutoCad DXF File", {"DXF"}},
    {"CAD files", {"KVW", "KVD", "LVW", "DWG", "DXF"}},
};

// Both lists are made from the table at each use; the labels and patterns
// take about 200 bytes.
enum { kListSize = 512 };

// Appends text at list + *at, bounded by the list's size. The list ends with
// the NUL after the last text and one more.
void AppendText(char (&list)[kListSize], size_t* at, const char* text) {
    if (*at + 1 >= kListSize) return;
    CopyText(list + *at, kListSize - 1 - *at, text);
    *at += lstrlenA(list + *at);
    list[*at] = '\0';
}

void EndText(char (&list)[kListSize], size_t* at) {
    if (*at + 1 < kListSize) list[++*at] = '\0';
}

// The labels alone, or each label followed by its patterns ("*.KVW;*.KVD").
const char* BuildFormatList(char (&list)[kListSize], bool withPatterns) {
    size_t at = 0;
    for (const FileFormat& format : kFormats) {
        AppendText(list, &at, format.label);
        EndText(list, &at);
        if (!withPatterns) continue;
        for (const char* const* extension = format.extensions; *extension; ++extension) {
            if (extension != format.extensions) AppendText(list, &at, ";");
            AppendText(list, &at, "*.");
            AppendText(list, &at, *extension);
        }
        EndText(list, &at);
    }
    return list;
}

}  // namespace

const char* FormatLabel(int formatIndex) {
    return kFormats[formatIndex >= 0 && formatIndex < kFormatCount ? formatIndex : 0].label;
}

const char* FormatComboItems() {
    static char list[kListSize];
    return BuildFormatList(list, false);
}

const char* FormatFilterList() {
    static char list[kListSize];
    return BuildFormatList(list, true);
}

// The system's open dialog adds the first pattern's extension of the type
// shown to a name given without one (not the default extension).
const char* FormatFirstExtension(int formatIndex) {
    return formatIndex >= 0 && formatIndex < kFormatCount ? kFormats[formatIndex].extensions[0] : nullptr;
}

// The file manager stores its filter number back into FormatIndex, so a
// value outside the table is possible: it takes nothing rather than reading
// past the table.
bool MatchFormat(int formatIndex, const char* extension) {
    if (!extension) return false;
    if (commandMode == ModeTemplate) return SameIgnoringCase(extension, "KVT");
    if (formatIndex < 0 || formatIndex >= kFormatCount) return false;
    for (const char* const* taken = kFormats[formatIndex].extensions; *taken; ++taken) {
        if (SameIgnoringCase(extension, *taken)) return true;
    }
    return false;
}

bool NameMatchesFormat(int formatIndex, const char* name) {
    int length = name ? lstrlenA(name) : 0;
    return length >= 3 && MatchFormat(formatIndex, name + length - 3);
}

bool NameMatchesAnyFormat(const char* name) {
    for (int format = 0; format < kFormatCount; ++format) {
        if (NameMatchesFormat(format, name)) return true;
    }
    return false;
}

ImageInfoRecord* ShownEntry(HostEntity* entity, int formatIndex) {
    ImageInfoRecord* entry = AsImageInfo(entity);
    return entry && NameMatchesFormat(formatIndex, entry->name) ? entry : nullptr;
}
