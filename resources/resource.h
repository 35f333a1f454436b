// Control ids of the module's dialogs, as the templates give them.
#pragma once

// IDD_DLGABOUT
#define IDC_ABOUT_LIST 1001
