// Resource, string, command, control and timer ids of Tickwarden. Included by
// the resource script as well as the code, so it holds plain #defines only.
#pragma once

// Strings
#define IDS_SCHEDULER_CLASS      2014
#define IDS_MAIN_PROGRAM_FILE    2015
#define IDS_MAIN_PROGRAM_CLASS   2017
#define IDS_ASSISTANT_CLASS      2018
#define IDS_SCHEDULER_TITLE      2019

// Menu and its commands
#define IDR_TRAY_MENU            101
#define IDM_OPEN                 40001
#define IDM_BACKUP_NOW           40002
#define IDM_BACKUP_AND_SHUTDOWN  40003
#define IDM_EXIT                 40004

// Icons (16 x 16)
#define IDI_NORMAL               102
#define IDI_OFFLINE              116
#define IDI_NORMAL_OLD           117

// Pre-backup prompt: dialog, pictures, controls, timers
#define IDD_PROMPT               113
#define IDB_PROMPT_256           114
#define IDB_PROMPT_16            117
#define IDC_PROMPT_PAUSE         1000
#define IDC_PROMPT_PROGRESS      1002
#define IDC_PROMPT_TEXT          1003
#define PROMPT_TIMER_COUNTDOWN   10
#define PROMPT_TIMER_SLIDE_IN    11
#define PROMPT_TIMER_SLIDE_OUT   12

// Tray icon
#define TRAY_ICON_ID             1074
#define SCHEDULER_TIMER_ID       1
#define SCHEDULER_TIMER_PERIOD   10000
// Polls for the main program's window after the at-shutdown launches
#define SHUTDOWN_TIMER_ID        2
// Runs the tick again once a look at the repository has had time to answer
#define REPOSITORY_TIMER_ID      3
// Posted by the repository's worker to the scheduler window: work answered
// after the window stopped waiting for it (WM_APP + 1)
#define SCHEDULER_MSG_REPOSITORY_ANSWERED 0x8001
