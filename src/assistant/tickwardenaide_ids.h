// Resource and string ids of Tickwardenaide. Included by the resource script as
// well as the code, so it holds plain #defines only.
#pragma once

// Strings
#define IDS_ASSISTANT_CLASS      2
#define IDS_ASSISTANT_TITLE      3
#define IDS_MAIN_PROGRAM_CLASS   4
#define IDS_MAIN_PROGRAM_FILE    5
#define IDS_SCHEDULER_CLASS      6

// The window class's icon (never displayed)
#define IDI_ASSISTANT            102
