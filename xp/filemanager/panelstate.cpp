// The panel's state: its options, which outlive a showing, and the record
// of one showing.
#include "filemanager/panel.h"

// Written by the panel's check boxes; read by the panel and RunFileManager.
int autoPreview = 1;
int autoZoomAll;
int useBrowseFile;
// Reset by the panel's WM_INITDIALOG; each field's file writes and reads it.
PanelShowing ShownPanel;
