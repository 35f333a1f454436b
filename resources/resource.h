// Control ids of the module's dialogs, as the templates give them.
#pragma once

// IDD_DLGABOUT
#define IDC_ABOUT_LIST 1001

// IDD_DLGFILEOPT
#define IDC_FILEOPT_PART 1013
#define IDC_FILEOPT_PAR 1014
#define IDC_FILEOPT_PARS 1015
#define IDC_FILEOPT_BACKUPS 1016
