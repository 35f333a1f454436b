// Filling the file manager's notes tree from a hostile drawing or cache
// entry: 3000 notes of 100 lines each, against a baseline of the same run
// that inserts as many items as the capped tree ends up holding, in plain
// order, without reading any note. Best of several runs of each.
#include <stdio.h>

#include <string.h>

#include <string>
#include <vector>

#include "bench/bench.h"
#include "preview/preview.h"

#include <commctrl.h>

namespace {

const int kRepetitions = 3;
const int kNotes = 3000, kLinesPerNote = 100;

void EmptyTree(HWND tree) { SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)); }

HTREEITEM Insert(HWND tree, HTREEITEM parent, const char* text) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<char*>(text);
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

// A note record of any length (the sample maker's notes stop at 600 bytes).
void AppendNote(HDL list, const char* heading, const std::string& body) {
    std::vector<unsigned char> bytes(sizeof(NoteRecord) + body.size() + 1);
    NoteRecord note = {};
    note.head.length = static_cast<uint32_t>(bytes.size());
    note.head.type = kNote;
    snprintf(note.heading, sizeof note.heading, "%s", heading);
    memcpy(bytes.data(), &note, sizeof note);
    memcpy(bytes.data() + sizeof note, body.c_str(), body.size() + 1);
    AppendRecord(list, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

// The floor: headings and lines inserted in order, kLinesPerNote under each,
// until the tree holds `items`.
void PlainFill(HWND tree, int items) {
    HTREEITEM heading = nullptr;
    for (int i = 0; i < items; ++i) {
        if (i % (kLinesPerNote + 1) == 0) heading = Insert(tree, TVI_ROOT, "Note");
        else Insert(tree, heading, "line of a note");
    }
}

}  // namespace

int main() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HWND window = CreateWindowA("STATIC", "notes", WS_OVERLAPPEDWINDOW, 0, 0, 300, 300, nullptr, nullptr,
                                nullptr, nullptr);
    HWND tree = CreateWindowA(WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE, 0, 0, 300, 300, window,
                              reinterpret_cast<HMENU>(1000), nullptr, nullptr);
    if (!tree) {
        fprintf(stderr, "notes_bench: no tree view\n");
        return 1;
    }
    std::string body;
    for (int i = 0; i < kLinesPerNote; ++i) body += "line of a note\r\n";
    HDL list = NewList("NOTES.KVW");
    for (int i = 0; i < kNotes; ++i) {
        char heading[32];
        snprintf(heading, sizeof heading, "Note %04d", i * 7919 % kNotes);  // headings out of order
        AppendNote(list, heading, body);
    }
    double bestFill = 1e9, bestPlain = 1e9;
    int items = 0;
    for (int run = 0; run < kRepetitions; ++run) {
        EmptyTree(tree);
        double start = Now();
        for (HostEntity* note = FirstEntity(list); note; note = NextEntity(note)) AddNoteToTree(window, note);
        double fill = Now() - start;
        items = static_cast<int>(SendMessageA(tree, TVM_GETCOUNT, 0, 0));
        EmptyTree(tree);
        start = Now();
        PlainFill(tree, items);
        double plain = Now() - start;
        if (fill < bestFill) bestFill = fill;
        if (plain < bestPlain) bestPlain = plain;
    }
    printf("notes tree from %d notes of %d lines: %d items\n", kNotes, kLinesPerNote, items);
    printf("  AddNoteToTree for every note: %8.1f ms\n", bestFill * 1000);
    printf("  the same items in plain order: %7.1f ms\n", bestPlain * 1000);
    printf("  ratio fill / plain:           %8.2f\n", bestFill / bestPlain);
    DLDestroy(list);
    DestroyWindow(window);
    return 0;
}
