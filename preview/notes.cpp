// A drawing's notes: into the file manager's notes tree, the heading as a
// top-level item and the body's lines as its children; and into a cache
// entry's member list.
#include "preview/preview.h"

#include <commctrl.h>

#include "host/host.h"
#include "host/records.h"

enum { kNotesTreeId = 1000, kHeadingLimit = 31, kLineSize = 1024 };

// A hostile drawing or cache entry may hold thousands of notes of hundreds
// of lines: the tree view sorts each heading in, and 3000 notes of 100 lines
// once froze one selection for over a minute. The tree takes this many
// notes and lines in all, then one item that says the rest is left out; of
// a body no more than kBodyRead bytes are read.
enum { kTreeNotes = 1000, kTreeLines = 10000, kBodyRead = 64 * 1024 };
const char kRestLeftOut[] = "(the rest of the notes is left out)";

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

// What the tree holds so far. The count of headings rides in the tree's
// user data and starts anew whenever the tree is empty (the panel empties
// it at each selection); every other item is a line, or the closing item.
struct TreeFill {
    HWND tree;
    int notes;
    int lines;
    bool closed;
};
const LONG_PTR kTreeClosed = 0x40000000;

static TreeFill ReadTreeFill(HWND tree) {
    int items = static_cast<int>(SendMessageA(tree, TVM_GETCOUNT, 0, 0));
    LONG_PTR data = items > 0 ? GetWindowLongPtrA(tree, GWLP_USERDATA) : 0;
    TreeFill fill = {tree, static_cast<int>(data & ~kTreeClosed), 0, (data & kTreeClosed) != 0};
    fill.lines = items - fill.notes - (fill.closed ? 1 : 0);
    return fill;
}

static void WriteTreeFill(const TreeFill& fill) {
    SetWindowLongPtrA(fill.tree, GWLP_USERDATA, fill.notes | (fill.closed ? kTreeClosed : 0));
}

static void CloseTree(TreeFill* fill) {
    InsertItem(fill->tree, TVI_ROOT, TVI_LAST, kRestLeftOut, sizeof kRestLeftOut - 1);
    fill->closed = true;
    WriteTreeFill(*fill);
}

void AddNoteToTree(HWND notesWindow, const HostEntity* note) {
    HWND tree = GetDlgItem(notesWindow, kNotesTreeId);
    if (!tree || EntityLength(note) < rec::kNoteBody) return;
    TreeFill fill = ReadTreeFill(tree);
    if (fill.closed) return;
    if (fill.notes >= kTreeNotes || fill.lines >= kTreeLines) return CloseTree(&fill);
    char heading[rec::kNoteHeadingSize];
    size_t headingLength = FieldLength(note, rec::kNoteHeading, sizeof heading - 1);
    memcpy(heading, note + rec::kNoteHeading, headingLength);
    heading[headingLength] = '\0';
    HTREEITEM item = InsertItem(tree, TVI_ROOT, TVI_SORT, heading, kHeadingLimit);
    if (!item) return;
    ++fill.notes;
    WriteTreeFill(fill);

    // A carriage return ends a line; the returns and line feeds right after
    // it are skipped. What follows the last return is the last line.
    const char* body = reinterpret_cast<const char*>(note + rec::kNoteBody);
    size_t bodyLength = FieldLength(note, rec::kNoteBody, kBodyRead);
    size_t start = 0;
    for (size_t at = 0; at < bodyLength; ++at) {
        if (body[at] != '\r') continue;
        if (fill.lines >= kTreeLines) return CloseTree(&fill);
        InsertLine(tree, item, body + start, at - start);
        ++fill.lines;
        while (at + 1 < bodyLength && (body[at + 1] == '\r' || body[at + 1] == '\n')) ++at;
        start = at + 1;
    }
    if (start < bodyLength) {
        if (fill.lines >= kTreeLines) return CloseTree(&fill);
        InsertLine(tree, item, body + start, bodyLength - start);
    }
}

// A copy of a note goes into the cache entry's member list. The entry moves
// when its member list is made, so the holder is updated.
void CollectNote(HostEntity** holder, const HostEntity* note) {
    HDL members = host::DLGetSubList(*holder);
    if (!members) {
        HostEntity* moved = host::DLMakeSubList(*holder);
        if (!moved) return;
        *holder = moved;
        members = host::DLGetSubList(*holder);
    }
    if (members) host::DLCopy(members, note);
}

static int CollectNoteCallback(int, HostEntity* entity, intptr_t, intptr_t holder) {
    if (EntityType(entity) == rec::kTypeNote) CollectNote(reinterpret_cast<HostEntity**>(holder), entity);
    return 0;
}

void CollectNotes(HDL list, HostEntity** holder) {
    if (*holder) host::DLScan(list, CollectNoteCallback, kScanAll, 0, reinterpret_cast<intptr_t>(holder));
}
