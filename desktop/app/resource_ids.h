// Resource and control ids of the main window and the program.
#pragma once

#define IDD_MAIN 102
#define IDS_WINSOCK_FAILED 103

// Controls of the main window.
#define IDC_BROWSER 1000
#define IDC_SCAN 1001
#define IDC_PROGRESS 1002
#define IDC_OPTIONS 1004
#define IDC_CLOSE 1005
#define IDC_MINIMISE 1006
#define IDC_BUSY_ANIMATION 1007
#define IDC_BUSY_CAPTION 1008
#define IDC_MAXIMISE 1009
#define IDC_HELP_PAGE 1017
#define IDC_ABOUT_PAGE 1020
#define IDC_DOWNLOADS 1023

// Images. The bitmaps and the busy picture below are those for 100 %; each has a copy for 125, 150
// and 200 % whose id is IMAGE_AT_STEP(id, step) with step 1, 2 or 3. The icon holds every size.
#define IMAGE_AT_STEP(id, step) ((id) + (step)*10000)
#define IDB_PROGRESS_FILL 130
#define IDB_OPTIONS_PRESSED 133
#define IDB_OPTIONS 134
#define IDB_START 132
#define IDB_START_PRESSED 135
#define IDB_STOP 136
#define IDB_STOP_PRESSED 137
#define IDB_CLOSE_PRESSED 138
#define IDB_CLOSE 139
#define IDB_BUSY_CAPTION 160
#define IDB_MINIMISE_PRESSED 161
#define IDB_MINIMISE 162
#define IDB_ABOUT 164
#define IDB_DOWNLOADS 166
#define IDB_HEADER_TILE 211
#define IDB_HEADER 1000
#define IDB_ABOUT_PRESSED 1001
#define IDB_HELP_PRESSED 1002
#define IDB_HELP 1003
#define IDB_DOWNLOADS_PRESSED 1004
#define IDB_MAXIMISE_PRESSED 1005
#define IDB_MAXIMISE 1006
#define IDB_RESTORE_PRESSED 1007
#define IDB_RESTORE 1008
#define IDI_MAIN 153
#define IDR_BUSY_GIF 156
