// A drawing's notes in the file manager's notes tree: the heading as a
// top-level item, the body's lines as its children.
#include "preview/preview.h"

#include <commctrl.h>

#include "host/records.h"

enum { kNotesTreeId = 1000, kHeadingLimit = 31, kLineSize = 1024 };

static HTREEITEM InsertItem(HWND tree, HTREEITEM parent, HTREEITEM after, const char* text,
                            int limit) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<char*>(text);
    insert.item.cchTextMax = limit;
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

// One body line as a child; a line longer than the buffer is cut.
static void InsertLine(HWND tree, HTREEITEM parent, const char* start, size_t length) {
    char line[kLineSize];
    if (length >= sizeof line) length = sizeof line - 1;
    memcpy(line, start, length);
    line[length] = '\0';
    InsertItem(tree, parent, TVI_LAST, line, static_cast<int>(length));
}

// Bounded text of a record field: up to the NUL, or to the record's end.
static size_t FieldLength(const HostEntity* note, uint32_t offset, uint32_t room) {
    uint32_t length = EntityLength(note);
    if (length <= offset) return 0;
    size_t limit = length - offset < room ? length - offset : room;
    const char* text = reinterpret_cast<const char*>(note + offset);
    size_t n = 0;
    while (n < limit && text[n]) ++n;
    return n;
}

void AddNoteToTree(HWND notesWindow, const HostEntity* note) {
    HWND tree = GetDlgItem(notesWindow, kNotesTreeId);
    if (!tree || EntityLength(note) < rec::kNoteBody) return;
    char heading[rec::kNoteHeadingSize];
    size_t headingLength = FieldLength(note, rec::kNoteHeading, sizeof heading - 1);
    memcpy(heading, note + rec::kNoteHeading, headingLength);
    heading[headingLength] = '\0';
    HTREEITEM item = InsertItem(tree, TVI_ROOT, TVI_SORT, heading, kHeadingLimit);
    if (!item) return;

    // A carriage return ends a line; the returns and line feeds right after
    // it are skipped. What follows the last return is the last line.
    const char* body = reinterpret_cast<const char*>(note + rec::kNoteBody);
    size_t bodyLength = FieldLength(note, rec::kNoteBody, 0xFFFFFFFFu);
    size_t start = 0;
    for (size_t at = 0; at < bodyLength; ++at) {
        if (body[at] != '\r') continue;
        InsertLine(tree, item, body + start, at - start);
        while (at + 1 < bodyLength && (body[at + 1] == '\r' || body[at + 1] == '\n')) ++at;
        start = at + 1;
    }
    if (start < bodyLength) InsertLine(tree, item, body + start, bodyLength - start);
}
