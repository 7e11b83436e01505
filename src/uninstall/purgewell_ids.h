// Resource, string and control ids of Purgewell. Included by the resource
// script as well as the code, so it holds plain #defines only.
#pragma once

// Strings
#define IDS_MAIN_PROGRAM_CLASS     130
#define IDS_SCHEDULER_CLASS        132
#define IDS_PRODUCT_NAME           134
#define IDS_SERVICE_NAME           135
#define IDS_ASSISTANT_SHORTCUT     136
#define IDS_MAIN_PROGRAM_FILE      137
#define IDS_SETUP_PROGRAM_FILE     138
#define IDS_SCHEDULER_SHORTCUT     139
// What the removal kept for safety, told before the worker goes on
#define IDS_KEPT_CAPTION           140
#define IDS_REPOSITORY_KEPT        141
#define IDS_INSTALL_FOLDERS_KEPT   142
#define IDS_REPOSITORY_UNREACHABLE 143
#define IDS_UNINSTALLER_KEPT       144
// Files still in use that go at the next restart, told once
#define IDS_RESTART_CAPTION        145
#define IDS_FILES_AT_RESTART       146

// The uninstall dialog and its controls
#define IDD_UNINSTALL              101
#define IDC_UNINSTALL_BUTTON       1
#define IDC_EXIT_BUTTON            2
#define IDC_REMOVAL_PROGRESS       1002

// Progress bar range: positions 0 to 136
#define REMOVAL_PROGRESS_END       136
