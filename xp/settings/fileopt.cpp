#include "settings/fileopt.h"

#include "host/host.h"
#include "module/dialog.h"
#include "module/xprecord.h"
#include "resources/resource.h"
#include "settings/settings.h"

// The host writes the bound variables back however the dialog closes, and
// with no "Options" stored the next LoadOptions would leave such edits in
// force: a cancelled dialog would still change how parts are inserted. So
// Cancel puts the record back as it was before the dialog.
int CmdFileOpt() {
    LoadOptions();
    HDLGDEF dialog = DefineDialog("IDD_DLGFILEOPT", "File manager settings", nullptr);
    if (dialog) {
        const OptionsRecord before = Options;
        host::RBCTL(dialog, IDC_FILEOPT_PART, &Options.insertStyle, kInsertPartM);
        host::RBCTL(dialog, IDC_FILEOPT_PAR, &Options.insertStyle, kInsertMpar);
        host::RBCTL(dialog, IDC_FILEOPT_PARS, &Options.insertStyle, kInsertMpars);
        host::CHKCTL(dialog, IDC_FILEOPT_BACKUPS, &Options.autoSaveBackups, 1, nullptr);
        if (host::XPDlog(dialog, XpRecord.instance) == IDOK) {
            SaveOptions();
        } else {
            Options = before;
        }
        host::RelDlg(dialog);
    }
    return host::CmdEnd();
}
