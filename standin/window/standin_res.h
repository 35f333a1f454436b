// Control ids of the stand-in's own windows and test dialog.
#pragma once

#define IDC_CMDLINE 100
#define IDC_PROMPT 101
#define IDC_STATUS 102
#define IDC_VIEW 103

// IDD_KV32TEST, the dialog-services round trip
#define IDC_TEST_RADIO1 2001
#define IDC_TEST_RADIO2 2002
#define IDC_TEST_RADIO3 2003
#define IDC_TEST_CHECK 2004
#define IDC_TEST_COMBO 2005
#define IDC_TEST_LIST 2006
#define IDC_TEST_BUTTON 2007
#define IDC_TEST_END 2008

// IDD_KV32HELP, the list of commands that HELP shows
#define IDC_HELP_LIST 2101
