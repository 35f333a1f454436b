// Runs test code inside a running "Browse files" dialog of the stand-in
// host, so that the list services (AddLstStr, GetLstDta, ...) have their
// control. The dialog ends as soon as the code has run; it is never shown.
#pragma once

#include <windows.h>

#include <functional>

#include "browser/browserinternal.h"
#include "host/host.h"
#include "resources/resource.h"

namespace testdlg {

inline std::function<void()>& PendingBody() {
    static std::function<void()> body;
    return body;
}

inline int RunPendingBody() {
    PendingBody()();
    EndDialog(host::GetDlgWin(), IDC_BROWSE_CLOSE);
    return 0;
}

inline int RunInBrowseDialog(std::function<void()> body) {
    PendingBody() = std::move(body);
    static int row;
    HDLGDEF def = host::DefDlg("IDD_DLGBROWSE", RunPendingBody);
    host::LSTCTL(def, IDC_BROWSE_LIST, &row, "", nullptr, DrawBrowseRow);
    int result = host::XPDlog(def, GetModuleHandleA(nullptr));
    host::RelDlg(def);
    PendingBody() = nullptr;
    return result;
}

}  // namespace testdlg
