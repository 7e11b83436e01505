// Window classes, titles, message numbers and command-line switches through
// which Tickwarden, Tickwardenaide, Purgewell and the main program Cobaltine.exe
// find and talk to each other. The programs link nothing of each other; this
// header is the one place where the numbers are written down.
#pragma once

namespace tw {

// Window classes and titles (the string tables carry the same texts).
constexpr const char kSchedulerClass[] = "CobaltineSchedulerClass";
constexpr const char kSchedulerTitle[] = "CobaltineScheduler";
constexpr const char kAssistantClass[] = "CobaltineSchedulerAssistantClass";
constexpr const char kAssistantTitle[] = "CobaltineSchedulerAssistant";
constexpr const char kMainProgramClass[] = "Cobaltine";
constexpr const char kMainProgramFile[] = "Cobaltine.exe";
constexpr const char kSchedulerFile[] = "Tickwarden.exe";

// Named mutexes held by the running scheduler and assistant for their whole run.
constexpr const char kSchedulerInstanceMutex[] = "CobaltineSchedulerInstance";
constexpr const char kAssistantInstanceMutex[] = "CobaltineSchedulerAssistantInstance";

constexpr unsigned kWmUser = 1024;
constexpr unsigned kWmApp = 32768;

// Received by the scheduler window.
constexpr unsigned kMsgSchedulerExit = kWmUser + 2;           // 1026
constexpr unsigned kMsgTrayCallback = kWmUser + 3;            // 1027
constexpr unsigned kMsgReloadSettings = kWmUser + 4;          // 1028
constexpr unsigned kMsgSecondInstance = kWmUser + 5;          // 1029
constexpr unsigned kMsgRunShutdownSets = kWmUser + 6;         // 1030
constexpr unsigned kMsgAnnounceNextBackup = kWmUser + 7;      // 1031
// wParam of 1028 when the change check sends it: announce (1031) once the
// reload has read the file, never for a load that failed.
constexpr unsigned kReloadThenAnnounce = 1;

// Received by the assistant window.
constexpr unsigned kMsgAssistantBackupSet = kWmUser;          // 1024, lParam = set number
constexpr unsigned kMsgAssistantAction = kWmUser + 1;         // 1025, lParam = LaunchAction

// Received by the main program's window.
constexpr unsigned kMsgMainBackup = kWmApp + 800;             // 33568: (1, set) or (0, 0|1)
constexpr unsigned kMsgMainNextBackupTime = kWmApp + 802;     // 33570: (0, PackedTime)
constexpr unsigned kMsgMainShutdownStarted = kWmApp + 702;    // 33470: (0, 0)

// Argument of LaunchRequest and of message 1025.
enum LaunchAction : int { Open = 0, BackupAll = 1, BackupAllAndShutdown = 2 };

// Switches of the main program's command line (each follows the quoted path after one blank).
constexpr const char kSwitchBackupSet[] = " -BackupSet=";
constexpr const char kSwitchBackupAll[] = " -BackupAll";
constexpr const char kSwitchBackupAllAndShutdown[] = " -BackupAllAndShutdown";

}  // namespace tw
