// The browse list refilled while the dialog is on the screen, as a change of
// format, the end of Cache all and "Small pictures" do it. For folders of
// 1000, 4000, 10,000 and 30,000 files (three in four of them shown, as the
// sample folders shown as "CAD files"; entries made in memory, no files):
//   baseline  the bare fill into the list with redrawing off, plus one
//             repaint of the shown list, frame and scroll bar included;
//   before    the fill as the browser did it until now, row by row into the
//             shown list, then its repaint;
//   after     RefreshBrowseList, the browser's refill.
// Each printed as a ratio to the baseline. Run with a display
// (tools/xvfb-session). Arguments: the sizes to measure instead of these;
// "-nobefore" leaves out the fill of before, which grows faster than the
// rows (under load, 20 s at 4000 files, many minutes at 30,000).
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "bench/bench.h"
#include "bench/picturedcache.h"
#include "browsecache/cache.h"
#include "browser/browser.h"
#include "browser/browserinternal.h"
#include "host/host.h"
#include "module/state.h"
#include "resources/resource.h"

namespace {

enum { kKvw = 0 };
const int kSizes[] = {1000, 4000, 10000, 30000};

struct Times {
    double bare, repaint, before, after;
};
Times g_times;
bool g_measureBefore = true;

HWND List() { return GetDlgItem(host::GetDlgWin(), IDC_BROWSE_LIST); }

// The whole list, its frame and scroll bar too: a refill changes the row
// count, so the scroll bar is drawn again, and under Wine's theme that is
// most of a repaint (8-10 ms of it; the rows alone take about 1 ms).
double Repaint() {
    double start = Now();
    RedrawWindow(List(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    return Now() - start;
}

// The dialog's initialisation: show it, then time the three fills.
int MeasureRefills() {
    HWND dialog = host::GetDlgWin();
    ShowWindow(dialog, SW_SHOW);
    RefreshBrowseList();
    HWND list = List();
    double start = Now();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    FillBrowseList();
    g_times.bare = Now() - start;
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    g_times.repaint = Repaint();
    if (g_measureBefore) {
        start = Now();
        FillBrowseList();
        host::UpdCtl(IDC_BROWSE_LIST);
        g_times.before = Now() - start;
    }
    start = Now();
    RefreshBrowseList();
    g_times.after = Now() - start;
    EndDialog(dialog, IDC_BROWSE_CLOSE);
    return kKeepOpen;
}

// A cache of entries with pictures, as a visit after Cache all would have.
void MakeEntries(int count) {
    MakePicturedCache(count);
    Showing.FoundCount = count;
    LinkViewChain(kKvw);
}

void MeasureSize(int files) {
    MakeEntries(files * 3 / 4);
    static int row;
    HDLGDEF def = host::DefDlg("IDD_DLGBROWSE", MeasureRefills);
    host::LSTCTL(def, IDC_BROWSE_LIST, &row, "", nullptr, DrawBrowseRow);
    host::XPDlog(def, GetModuleHandleA(nullptr));
    host::RelDlg(def);
    CacheDirty = false;
    CloseCache();
    double base = g_times.bare + g_times.repaint;
    printf("%6d files, %5d rows: bare fill %8.2f ms + one repaint %6.2f ms; ", files, (files * 3 / 4 + 2) / 3,
           g_times.bare * 1e3, g_times.repaint * 1e3);
    if (g_measureBefore) printf("before %9.2f ms %8.1fx; ", g_times.before * 1e3, g_times.before / base);
    else printf("before not measured; ");
    printf("after %8.2f ms %5.2fx\n", g_times.after * 1e3, g_times.after / base);
    fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    UseBenchSettingsKey("refill_bench");
    FormatIndex = kKvw;
    printf("refill of the shown browse list, as ratios to a bare fill plus one repaint\n");
    bool sized = false;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "-nobefore")) g_measureBefore = false;
        else if (atoi(argv[i]) > 0) sized = true;
    }
    for (int i = 1; i < argc; ++i) {
        if (atoi(argv[i]) > 0) MeasureSize(atoi(argv[i]));
    }
    if (!sized) {
        for (int files : kSizes) MeasureSize(files);
    }
    return 0;
}
