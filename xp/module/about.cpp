// The About entry: the module's lines in a list, closed with OK.
#include "module/xprecord.h"

#include "host/host.h"
#include "module/dialog.h"
#include "resources/resource.h"

// NUL-separated lines; an empty line ends the text.
extern const char AboutText[] =
    "Korvind/Linvale XP\0"
    " \0"
    "FILE commands version 1.04:\0"
    "FILE - File manager, load file\0"
    "FILEM - File manager, save filename to macro variable\0"
    "FILEPART - File manager, insert file as part\0"
    "BROWSE - Browse directory, load file\0"
    "BROWSEPART - Browse directory, insert file as part\0"
    "BROWSET - Browse directory, use template for new drawing\0"
    "BROWSEP - Change default browse directory\0"
    "FILEOPT - Settings\0";

static int FillAboutList() {
    for (const char* line = AboutText; *line; line += lstrlenA(line) + 1) {
        host::AddLstStr(IDC_ABOUT_LIST, line);
    }
    return 0;
}

int AboutEntry() {
    HDLGDEF def = DefineDialog("IDD_DLGABOUT", "About Korvind/Linvale XP", FillAboutList);
    if (!def) return 0;
    static int selectedLine;
    host::LSTCTL(def, IDC_ABOUT_LIST, &selectedLine, "", nullptr, nullptr);
    int result = host::XPDlog(def, XpRecord.instance);
    host::RelDlg(def);
    return result;
}
