// A drawing's notes: into the file manager's notes tree, the heading as a
// top-level item and the body's lines as its children; and into a cache
// entry's member list.
#include "preview/preview.h"

#include <commctrl.h>

#include "host/host.h"
#include "host/records.h"
#include "module/text.h"
#include "resources/resource.h"

enum { kHeadingLimit = 31, kLineSize = 1024 };

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

// A note's heading and body, each up to its NUL or the record's end; the
// body no longer than kBodyRead.
bool ReadNoteText(const HostEntity* note, NoteText* text) {
    if (EntityType(note) != rec::kTypeNote || EntityLength(note) < rec::kNoteBody) return false;
    text->heading = reinterpret_cast<const char*>(note + rec::kNoteHeading);
    text->headingLength = FieldLength(note, rec::kNoteHeading, rec::kNoteHeadingSize - 1);
    text->body = reinterpret_cast<const char*>(note + rec::kNoteBody);
    text->bodyLength = FieldLength(note, rec::kNoteBody, kBodyRead);
    return true;
}

// The tree being filled: how much it holds, and its headings in sort
// order, so that each new heading goes in after the one found by binary
// search. Asked to sort (TVI_SORT), Wine's tree view compares the new
// heading with every other by locale, which took seconds for 1000 notes;
// the order is the same. Starts anew for another tree, and for the same tree
// once emptied (the panel empties it at each selection). Written and read by
// AddNoteToTree only.
struct TreeHeading {
    char text[rec::kNoteHeadingSize];
    HTREEITEM item;
};
struct TreeFill {
    HWND tree;
    int notes;
    int lines;
    bool closed;
    TreeHeading headings[kTreeNotes];
};
static TreeFill g_fill;

static TreeFill& FillOf(HWND tree) {
    if (g_fill.tree != tree || SendMessageA(tree, TVM_GETCOUNT, 0, 0) == 0) {
        g_fill.tree = tree;
        g_fill.notes = g_fill.lines = 0;
        g_fill.closed = false;
    }
    return g_fill;
}

// False: the tree takes no more.
static bool CloseTree(TreeFill& fill) {
    InsertItem(fill.tree, TVI_ROOT, TVI_LAST, kRestLeftOut, sizeof kRestLeftOut - 1);
    fill.closed = true;
    return false;
}

// A heading goes after the last one that does not sort after it.
static HTREEITEM InsertHeading(TreeFill& fill, const char* heading) {
    int low = 0, high = fill.notes;
    while (low < high) {
        int middle = (low + high) / 2;
        if (lstrcmpiA(heading, fill.headings[middle].text) < 0) high = middle;
        else low = middle + 1;
    }
    HTREEITEM after = low == 0 ? TVI_FIRST : fill.headings[low - 1].item;
    HTREEITEM item = InsertItem(fill.tree, TVI_ROOT, after, heading, kHeadingLimit);
    if (!item) return nullptr;
    memmove(&fill.headings[low + 1], &fill.headings[low], (fill.notes - low) * sizeof fill.headings[0]);
    CopyText(fill.headings[low].text, heading);
    fill.headings[low].item = item;
    ++fill.notes;
    return item;
}

// Wine's tree view redraws itself and sets its scroll bars at every insert:
// 1000 notes took 9.5 s to go in (on a loaded machine), against 40 ms with
// redrawing off until the walk is done.
void BeginNotesFill(HWND notesWindow) {
    if (HWND tree = GetDlgItem(notesWindow, IDC_FILE_NOTES)) SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
}

void EndNotesFill(HWND notesWindow) {
    HWND tree = GetDlgItem(notesWindow, IDC_FILE_NOTES);
    if (!tree) return;
    SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree, nullptr, TRUE);
}

// False once the tree takes no more, so that a walk of the notes stops
// there: past the cap every note still cost a control lookup and a message,
// and 300,000 notes in one cache entry froze a selection for 24 s. A record
// too short to be a note costs nothing.
bool AddNoteToTree(HWND notesWindow, const HostEntity* note) {
    if (EntityLength(note) < rec::kNoteBody) return true;
    HWND tree = GetDlgItem(notesWindow, IDC_FILE_NOTES);
    if (!tree) return false;
    TreeFill& fill = FillOf(tree);
    if (fill.closed) return false;
    if (fill.notes >= kTreeNotes || fill.lines >= kTreeLines) return CloseTree(fill);
    char heading[rec::kNoteHeadingSize];
    size_t headingLength = FieldLength(note, rec::kNoteHeading, sizeof heading - 1);
    memcpy(heading, note + rec::kNoteHeading, headingLength);
    heading[headingLength] = '\0';
    HTREEITEM item = InsertHeading(fill, heading);
    if (!item) return true;

    // A carriage return ends a line; the returns and line feeds right after
    // it are skipped. What follows the last return is the last line.
    const char* body = reinterpret_cast<const char*>(note + rec::kNoteBody);
    size_t bodyLength = FieldLength(note, rec::kNoteBody, kBodyRead);
    size_t start = 0;
    for (size_t at = 0; at < bodyLength; ++at) {
        if (body[at] != '\r') continue;
        if (fill.lines >= kTreeLines) return CloseTree(fill);
        InsertLine(tree, item, body + start, at - start);
        ++fill.lines;
        while (at + 1 < bodyLength && (body[at + 1] == '\r' || body[at + 1] == '\n')) ++at;
        start = at + 1;
    }
    if (start < bodyLength) {
        if (fill.lines >= kTreeLines) return CloseTree(fill);
        InsertLine(tree, item, body + start, bodyLength - start);
        ++fill.lines;
    }
    return true;
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
