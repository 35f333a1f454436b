// DLGTEST: the host's own round trip through its dialog services, with every
// kind of binding, so the services are exercised without any module.
#include "standin/standin.h"
#include "standin/window/standin_res.h"

#include <stdio.h>

namespace {
int g_radio = 1;        // bound to the radio buttons (values 0, 1, 2)
int g_check = 5;        // bound to the check box (checked value 5)
int g_combo = 2;        // bound to the combo's selection
int g_listRow = -1;     // bound to the list's clicked row
int g_count;            // times "Count" was pressed

int CountPressed() {
    ++g_count;
    RecordF("dlgtest", "count %d", g_count);
    return 0;
}

int EndPressed() { return 2; }

int ComboChanged() {
    RecordF("dlgtest", "combo %d", g_combo);
    return 0;
}

int CheckChanged() {
    RecordF("dlgtest", "check %d", g_check);
    return 0;
}

int ListNotified(int code) {
    char text[32] = "";
    GetWindowTextA(GetDlgWin(), text, sizeof text);
    RecordF("dlgtest", "list code %d row %d data %d in \"%s\"", code, g_listRow,
            static_cast<int>(GetLstDta(IDC_TEST_LIST, g_listRow)), text);
    return 0;
}

// Rows are 20 pixels; each shows its data as text.
int DrawListRow(int action, void* item) {
    if (action == 1) return 20;
    auto* draw = static_cast<DRAWITEMSTRUCT*>(item);
    if (draw->itemID == static_cast<UINT>(-1)) return 0;
    char text[32];
    snprintf(text, sizeof text, "row %d", static_cast<int>(draw->itemData));
    FillRect(draw->hDC, &draw->rcItem, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawTextA(draw->hDC, text, -1, &draw->rcItem, DT_SINGLELINE | DT_VCENTER);
    return 0;
}

int FillList() {
    for (int i = 0; i < 3; ++i) {
        int index = AddLstStr(IDC_TEST_LIST, "Muu");
        SetLstDta(IDC_TEST_LIST, index, 100 + i);
    }
    return 0;
}
}  // namespace

void RunDialogRoundTrip() {
    int status;
    HDLGDEF def = DefDlg("IDD_KV32TEST", 0, 0, FillList, 0, 0, &status);
    if (!def) return;
    for (int i = 0; i < 3; ++i) RBCTL(def, IDC_TEST_RADIO1 + i, 0, 0, &g_radio, i, 0);
    CHKCTL(def, IDC_TEST_CHECK, 0, 0, &g_check, 5, CheckChanged);
    CMBCTL(def, IDC_TEST_COMBO, 0, 0, &g_combo, "Alpha\0Beta\0Gamma\0", ComboChanged, 0);
    LSTCTL(def, IDC_TEST_LIST, 0, 0, &g_listRow, "", ListNotified, DrawListRow);
    BTNCTL(def, IDC_TEST_BUTTON, 0, 0, CountPressed, 0);
    BTNCTL(def, IDC_TEST_END, 0, 0, EndPressed, 0);
    int result = XPDlog(def, GetModuleHandleA(nullptr), 0);
    RelDlg(def);
    RecordF("dlgtest", "result %d radio %d check %d combo %d row %d", result, g_radio, g_check,
            g_combo, g_listRow);
}
