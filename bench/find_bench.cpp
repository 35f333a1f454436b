// The Find box at 30,000 drawings, each pictured and holding the notes a
// sample plan holds (three notes: about 170 bytes of text with the name),
// in a shown browse dialog:
//   refill     the baseline: the list filled again with an empty box, as
//              Small pictures or the end of Cache all fill it, and painted;
//   first key  the first letter typed in the showing, which reads every
//              entry's notes into its search text;
//   next keys  each further letter of "doors" (a word some notes hold);
//   all match  a letter every name holds: the whole list again, searched;
// each a keystroke as the user makes it (the box's text set, the list
// filled and painted) and printed as a ratio to the refill. Then the
// matcher's pass over the 30,000 search texts for a word none holds (each
// text read to its end), against a bare scan of the same bytes, each the
// best of five. Run with a display (tools/xvfb-session). Argument: the
// number of drawings instead.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "bench/bench.h"
#include "bench/picturedcache.h"
#include "browsecache/cache.h"
#include "browser/browser.h"
#include "browser/browserinternal.h"
#include "host/host.h"
#include "module/state.h"
#include "preview/preview.h"
#include "resources/resource.h"

namespace {

enum { kKvw = 0, kDefaultDrawings = 30000, kNextKeys = 4 };

struct Times {
    double refill, firstKey, nextKeys, allMatch;
    double matcher, bareScan;
    size_t textBytes;
    int shown;
};
Times g_times;

HWND Dialog() { return host::GetDlgWin(); }

// The list and the count are painted before the clock stops.
void Flush() { RedrawWindow(Dialog(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

double Keystroke(const char* text) {
    HWND box = GetDlgItem(Dialog(), IDC_BROWSE_FIND);
    double start = Now();
    SetWindowTextA(box, text);
    Flush();
    return Now() - start;
}

// What the matcher reads: every search text made by the first keystroke.
// Each pass is the best of five, as is the bare scan.
void MeasureMatcher() {
    enum { kPasses = 5 };
    FindWords absent;
    SplitFindWords("zebra", &absent);
    size_t bytes = 0;
    for (const auto& text : Showing.find.texts) bytes += text.second.text.size();
    g_times.textBytes = bytes;
    int held = 0;
    unsigned sum = 0;
    g_times.matcher = g_times.bareScan = 1e9;
    for (int pass = 0; pass < kPasses; ++pass) {
        double start = Now();
        for (const auto& text : Showing.find.texts) {
            held += HoldsEveryWord(text.second.text.data(), text.second.text.size(), absent);
        }
        g_times.matcher = std::min(g_times.matcher, Now() - start);
        start = Now();
        for (const auto& text : Showing.find.texts) {
            const unsigned char* at = reinterpret_cast<const unsigned char*>(text.second.text.data());
            for (size_t i = 0; i < text.second.text.size(); ++i) sum += at[i];
        }
        g_times.bareScan = std::min(g_times.bareScan, Now() - start);
    }
    volatile unsigned sink = sum + held;
    (void)sink;
}

// The dialog's initialisation: show it with its Find box, then time.
int MeasureKeystrokes() {
    HWND dialog = Dialog();
    ShowWindow(dialog, SW_SHOW);
    StartFindBox();
    RefreshBrowseList();
    Flush();
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        double start = Now();
        RefreshBrowseList();
        Flush();
        best = std::min(best, Now() - start);
    }
    g_times.refill = best;
    g_times.firstKey = Keystroke("d");
    const char* const keys[kNextKeys] = {"do", "doo", "door", "doors"};
    g_times.nextKeys = 0;
    for (const char* key : keys) g_times.nextKeys += Keystroke(key);
    g_times.nextKeys /= kNextKeys;
    g_times.shown = Showing.shownDrawings;
    Keystroke("");
    g_times.allMatch = Keystroke("p");
    MeasureMatcher();
    EndDialog(dialog, IDC_BROWSE_CLOSE);
    return kKeepOpen;
}

// The notes of a sample plan: its number, who drew it, and a revision that
// every second one moved doors in.
void AddSampleNotes(int index, HostEntity* entity, void* notesValue) {
    HDL notes = static_cast<HDL>(notesValue);
    SampleSheet sheet = {notes, 0, 0, 1};
    char heading[32];
    host::DLEmpty(notes);
    snprintf(heading, sizeof heading, "Plan %05d", index);
    AddNote(sheet, heading, "Drawn by K. Vandrel\r\nChecked by L. Marsh\r\nIssued for comment");
    AddNote(sheet, "Revision", index % 2 ? "A: first issue\r\nB: doors moved" : "A: first issue");
    AddNote(sheet, "Detail", "Wall to floor junction\r\nDamp course at 150 mm");
    HostEntity* before = entity;
    CollectNotes(notes, &entity);
    if (entity != before) CacheEntryMoved(before, entity);
}

void MakeEntries(int count) {
    HDL notes = NewList("NOTES.KVW");
    MakePicturedCache(count, AddSampleNotes, notes);
    DLDestroy(notes);
}

void Measure(int drawings) {
    Showing = BrowseShowing();
    MakeEntries(drawings);
    Showing.FoundCount = drawings;
    LinkViewChain(kKvw);
    static int row;
    HDLGDEF def = host::DefDlg("IDD_DLGBROWSE", MeasureKeystrokes);
    host::LSTCTL(def, IDC_BROWSE_LIST, &row, "", nullptr, DrawBrowseRow);
    host::XPDlog(def, GetModuleHandleA(nullptr));
    host::RelDlg(def);
    CacheDirty = false;
    CloseCache();
    Showing = BrowseShowing();
    const Times& t = g_times;
    printf("%d drawings, pictured, three notes each (%.0f bytes of text each)\n", drawings,
           static_cast<double>(t.textBytes) / drawings);
    printf("  plain refill          %8.2f ms (baseline)\n", t.refill * 1e3);
    printf("  first keystroke       %8.2f ms %5.2fx (reads every entry's notes)\n", t.firstKey * 1e3,
           t.firstKey / t.refill);
    printf("  next keystrokes       %8.2f ms %5.2fx (mean of \"do\" to \"doors\", %d shown)\n", t.nextKeys * 1e3,
           t.nextKeys / t.refill, t.shown);
    printf("  keystroke, all match  %8.2f ms %5.2fx\n", t.allMatch * 1e3, t.allMatch / t.refill);
    printf("  matcher, no match     %8.2f ms over %.1f MB; a bare scan of the same bytes %6.2f ms: %5.2fx\n",
           t.matcher * 1e3, t.textBytes / 1048576.0, t.bareScan * 1e3, t.matcher / t.bareScan);
    fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    UseBenchSettingsKey("find_bench");
    FormatIndex = kKvw;
    int drawings = argc > 1 && atoi(argv[1]) > 0 ? atoi(argv[1]) : kDefaultDrawings;
    Measure(drawings);
    return 0;
}
