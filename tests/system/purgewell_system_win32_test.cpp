// Purgewell end to end under Wine: a complete installation is laid out the way
// setup leaves it (program files, help and config trees, a repository on a
// drive letter of its own, shortcuts, registry entries, the scheduler service,
// the running main program and scheduler window); the real Purgewell.exe is
// started, its dialog and confirmation are answered by window messages, and
// afterwards exactly the product is gone: its temporary copy has deleted the
// installed uninstaller and its folders and has its own deletion scheduled.
#include <windows.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "code_page_names_win32.h"
#include "platform/windows_version.h"
#include "machine_state_win32.h"
#include "program_watch_win32.h"
#include "window_thread_win32.h"
#include "wine_drives.h"

namespace {

// ---------------------------------------------------------------- helpers

using testmachine::DeleteKeyTree;
using testmachine::DeleteServiceIfPresent;
using testmachine::DeleteValue;
using testmachine::KeyExists;
using testmachine::ServiceExists;
using testmachine::SetValue;
using testmachine::ValueExists;
using testwatch::FileExists;
using testwatch::MakeFolders;
using testwatch::PollUntil;
using testwatch::ReadText;
using testwatch::TempFolder;
using testwatch::Wipe;
using testwatch::WriteText;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](char c) { return (char)tolower((unsigned char)c); });
  return s;
}

std::string SpecialFolder(int csidl) {
  char path[MAX_PATH] = "";
  SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE);
  return path;
}

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kMakerKey[] = "SOFTWARE\\Vornacle";
const char kEventLogKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application";
const char kAgentsKey[] = "SYSTEM\\CurrentControlSet\\Services\\SNMP\\Parameters\\ExtensionAgents";
const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kServiceName[] = "Cobaltine Scheduler";

// The pending renames as written, the list's terminators shown as '|'.
std::string PendingRenamesAsWritten() {
  HKEY k;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kSessionManager, &k) != ERROR_SUCCESS) return "";
  std::vector<char> data(65536);
  DWORD size = (DWORD)data.size();
  std::string text;
  if (RegQueryValueExA(k, "PendingFileRenameOperations", nullptr, nullptr, (BYTE*)data.data(), &size) ==
      ERROR_SUCCESS)
    text.assign(data.data(), size);
  RegCloseKey(k);
  std::replace(text.begin(), text.end(), '\0', '|');
  return text;
}

std::string PendingRenames() { return Lower(PendingRenamesAsWritten()); }

bool NtFamily() { return IsNtFamily(); }

// Whether path is to be deleted at the next restart: in the pending renames on
// the NT family, as a "NUL=" line of wininit.ini's [rename] on 95/98/ME.
bool DeletionPending(const std::string& path) {
  if (NtFamily()) return PendingRenames().find(Lower(path)) != std::string::npos;
  char shortPath[MAX_PATH] = "";
  char windows[MAX_PATH] = "";
  GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
  GetWindowsDirectoryA(windows, sizeof windows);
  return shortPath[0] &&
         Lower(ReadText(std::string(windows) + "\\wininit.ini")).find("nul=" + Lower(shortPath)) != std::string::npos;
}

void ClearPendingDeletions() {
  DeleteValue(kSessionManager, "PendingFileRenameOperations");
  WritePrivateProfileStringA("rename", nullptr, nullptr, "wininit.ini");
}

// What is to happen at the next restart, as written: the pending renames on
// the NT family, wininit.ini's [rename] section on 95/98/ME.
std::string RestartEntries() {
  if (NtFamily()) return PendingRenamesAsWritten();
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, sizeof windows);
  std::string text = ReadText(std::string(windows) + "\\wininit.ini");
  size_t section = Lower(text).find("[rename]");
  return section == std::string::npos ? "" : text.substr(section);
}

// The names in folder, folders marked with a trailing '\\'.
std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA d;
  HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = d.cFileName;
    if (name != "." && name != "..") names.push_back(name + (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? "\\" : ""));
  } while (FindNextFileA(h, &d));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

// A file opened the way a running program's file is held: others may read it,
// nobody may write over it, rename or delete it.
class HeldFile {
 public:
  explicit HeldFile(const std::string& path)
      : handle_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~HeldFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  bool IsHeld() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

struct WindowQuery {
  DWORD pid;
  const char* cls;
  const char* title;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND w, LPARAM lp) {
  auto* q = reinterpret_cast<WindowQuery*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char cls[64] = "";
  char title[128] = "";
  GetClassNameA(w, cls, sizeof cls);
  GetWindowTextA(w, title, sizeof title);
  if (pid == q->pid && strcmp(cls, q->cls) == 0 && strcmp(title, q->title) == 0 && IsWindowVisible(w)) {
    q->found = w;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForWindow(DWORD pid, const char* cls, const char* title, DWORD timeoutMs = 20000) {
  WindowQuery q{pid, cls, title, nullptr};
  PollUntil(
      [&] {
        q.found = nullptr;
        EnumWindows(MatchWindow, (LPARAM)&q);
        return q.found != nullptr;
      },
      timeoutMs);
  return q.found;
}

PROCESS_INFORMATION Start(const std::string& exe, const std::string& arguments = "") {
  std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
  std::vector<char> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back('\0');
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    pi.hProcess = nullptr;
  return pi;
}

// The scheduler's window, played by the test. Held in WM_CLOSE, it keeps the
// removal under way long enough to try cancelling it.
const DWORD kHoldCloseMs = 14000;

class SchedulerWindow : public testwatch::WindowThread {
 public:
  explicit SchedulerWindow(DWORD holdOnCloseMs)
      : WindowThread("CobaltineSchedulerClass", "CobaltineScheduler", holdOnCloseMs) {}
};

// A drive letter of its own for the repository, defined through the prefix's
// mount manager for the whole suite and removed afterwards, for a folder
// beside the prefix's drive C: (so that prefixes side by side each have their
// own). Without one (not under Wine) the folder itself serves.
const char kRepositoryLetter = 'r';

std::string RepositoryDrive() {
  std::string hostFolder = "C:\\purgewell-drive-r";
  const char* prefix = getenv("WINEPREFIX");
  if (prefix && prefix[0] == '/') {
    hostFolder = std::string("Z:") + prefix + "/purgewell-drive-r";
    std::replace(hostFolder.begin(), hostFolder.end(), '/', '\\');
  }
  MakeFolders(hostFolder);
  WriteText(hostFolder + "\\drive-marker.txt", "r");
  if (DefineTestDrive(kRepositoryLetter, hostFolder.c_str(), DRIVE_FIXED) &&
      PollUntil([] { return FileExists("R:\\drive-marker.txt"); }, 10000))
    return "R:";
  return hostFolder;
}

// ---------------------------------------------------------------- the installation, as rows

// What a complete removal does with one row of the installation.
enum class Fate {
  Gone,                // the product's
  Kept,                // not the product's
  GoneWithRepository,  // goes when the repository RepositoryConfig.txt names is cleared
  GoneWithTheCopy,     // the uninstaller's own file: the temporary copy deletes it
  GoneOnNtFamily,      // the all-users shortcuts and the service
  GoneOn9x,            // the user's own shortcut: the product's only on 95/98/ME
};

// Where a row's path starts.
enum class Under { Install, Repository, CommonPrograms, CommonStartup, CommonDesktop, UserPrograms, Machine, Service };

struct Row {
  Under under;
  // A file, or a folder when it ends in '\\'; below HKEY_LOCAL_MACHINE
  // "key|value|data" for a value, "key\\" for a key; a service's name.
  const char* path;
  Fate fate;
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
};

constexpr DWORD kReadOnly = FILE_ATTRIBUTE_READONLY;
constexpr DWORD kHidden = FILE_ATTRIBUTE_HIDDEN;
constexpr DWORD kSystem = FILE_ATTRIBUTE_SYSTEM;

// The installation as setup leaves it, with the odd attributes every removal
// must cope with. Purgewell.exe and Cobaltine.exe are the built programs (the
// stand-in for the main program runs), every other file a text.
const Row kInstallation[] = {
    {Under::Install, "Purgewell.exe", Fate::GoneWithTheCopy},
    {Under::Install, "Cobaltine.exe", Fate::Gone},
    {Under::Install, "Tickwarden.exe", Fate::Gone, kReadOnly},
    {Under::Install, "Tickwardenaide.exe", Fate::Gone, kHidden},
    {Under::Install, "Tickwardensvc.exe", Fate::Gone, kSystem | kHidden},
    {Under::Install, "Aidwell.exe", Fate::Gone, kReadOnly},
    {Under::Install, "eventmsg.dll", Fate::Gone, kHidden},
    {Under::Install, "UserGuide.pdf", Fate::Gone, kSystem | kHidden},
    {Under::Install, "Guidewell.hlp", Fate::Gone, kReadOnly},
    {Under::Install, "Guidewell.gid", Fate::Gone, kHidden},
    {Under::Install, "Config.txt", Fate::Gone, kSystem | kHidden},
    {Under::Install, "SchedulerServiceInfo.txt", Fate::Gone, kReadOnly},
    {Under::Install, "RestoreWindows.html", Fate::Gone, kHidden},
    {Under::Install, "RestoreWindows95.html", Fate::Gone, kSystem | kHidden},
    {Under::Install, "RestoreWindows95USB.html", Fate::Gone, kReadOnly},
    {Under::Install, "RestoreWindows95OSR2.html", Fate::Gone, kHidden},
    {Under::Install, "RestoreWindows98.html", Fate::Gone, kSystem | kHidden},
    {Under::Install, "RestoreWindows98SE.html", Fate::Gone, kReadOnly},
    {Under::Install, "RestoreWindowsME.html", Fate::Gone, kHidden},
    {Under::Install, "RestoreWindowsNT.html", Fate::Gone, kSystem | kHidden},
    {Under::Install, "RestoreWindows2000.html", Fate::Gone, kReadOnly},
    {Under::Install, "RestoreWindowsXP.html", Fate::Gone, kHidden},
    {Under::Install, "RestoreWindows2003.html", Fate::Gone, kSystem | kHidden},
    {Under::Install, "Rigwell.exe", Fate::Gone, kReadOnly},
    {Under::Install, "help\\", Fate::Gone},
    {Under::Install, "help\\index.html", Fate::Gone, kReadOnly},
    {Under::Install, "help\\images\\logo.gif", Fate::Gone, kHidden},
    {Under::Install, "config\\", Fate::Gone},
    {Under::Install, "config\\sets\\set1.cfg", Fate::Gone, kSystem},
    // Its text names the repository (the test's Path); kept with a kept repository.
    {Under::Install, "RepositoryConfig.txt", Fate::GoneWithRepository, kReadOnly},

    {Under::Repository, "Repository\\Set 1\\2024\\00000001.bak", Fate::GoneWithRepository, kReadOnly},
    {Under::Repository, "Repository\\catalog.dat", Fate::GoneWithRepository},
    {Under::Repository, "Logs\\entry.txt", Fate::GoneWithRepository, kHidden},
    {Under::Repository, "Reports\\entry.txt", Fate::GoneWithRepository, kHidden},
    {Under::Repository, "System\\entry.txt", Fate::GoneWithRepository, kHidden},
    {Under::Repository, "ClientConfig.hdb", Fate::GoneWithRepository, kReadOnly},
    {Under::Repository, "FileInfo.hdb", Fate::GoneWithRepository, kReadOnly},
    {Under::Repository, "Local.hdb", Fate::GoneWithRepository, kReadOnly},
    {Under::Repository, "UserRestoreReport.html", Fate::GoneWithRepository, kReadOnly},
    {Under::Repository, "MessageLog.ldb", Fate::GoneWithRepository, kReadOnly},
    {Under::Repository, "Rigwell.exe", Fate::GoneWithRepository, kReadOnly},

    {Under::CommonPrograms, "Cobaltine.lnk", Fate::GoneOnNtFamily},
    {Under::CommonStartup, "Cobaltine Scheduler Assistant.lnk", Fate::GoneOnNtFamily},
    {Under::CommonStartup, "Cobaltine Scheduler.lnk", Fate::GoneOnNtFamily},
    {Under::CommonDesktop, "Cobaltine.lnk", Fate::GoneOnNtFamily},
    {Under::UserPrograms, "Cobaltine.lnk", Fate::GoneOn9x},

    {Under::Machine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Cobaltine|UninstallString|Purgewell.exe",
     Fate::Gone},
    {Under::Machine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\", Fate::Kept},
    {Under::Machine, "SOFTWARE\\Vornacle\\Cobaltine\\CurrentVersion|InstallDir|Cobaltine", Fate::Gone},
    {Under::Machine, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Cobaltine|EventMessageFile|eventmsg.dll",
     Fate::Gone},
    {Under::Machine, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\", Fate::Kept},
    {Under::Machine,
     "SYSTEM\\CurrentControlSet\\Services\\SNMP\\Parameters\\ExtensionAgents|0|"
     "SOFTWARE\\Microsoft\\LANManagerMIB2Agent\\CurrentVersion",
     Fate::Kept},
    {Under::Machine,
     "SYSTEM\\CurrentControlSet\\Services\\SNMP\\Parameters\\ExtensionAgents|1|"
     "SOFTWARE\\Vornacle\\Cobaltine\\SnmpAgent\\CurrentVersion",
     Fate::Gone},
    {Under::Machine,
     "SYSTEM\\CurrentControlSet\\Services\\SNMP\\Parameters\\ExtensionAgents|2|"
     "SOFTWARE\\Microsoft\\RFC1156Agent\\CurrentVersion",
     Fate::Kept},
    {Under::Service, "Cobaltine Scheduler", Fate::GoneOnNtFamily},
};

// The user's own things beside the product's, and another product of the maker.
const Row kUsersOwn[] = {
    {Under::Install, "MyNotes.txt", Fate::Kept},
    {Under::Repository, "Keep Me.doc", Fate::Kept},
    {Under::Repository, "Photos\\a.jpg", Fate::Kept},
    {Under::Machine, "SOFTWARE\\Vornacle\\Glimmerfold\\CurrentVersion|InstallDir|C:\\Glimmerfold", Fate::Kept},
    {Under::Machine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Cobaltine Extra|DisplayName|another product",
     Fate::Kept},
    {Under::CommonPrograms, "Cobaltine Extra.lnk", Fate::Kept},
};

// How a removal ended, for the rows whose fate depends on it.
struct Outcome {
  bool repositoryCleared = true;
  bool copyRan = true;
};

// A registry row's key, value name and data ("" for a key row).
struct RegistryRow {
  std::string key, value, data;
};
RegistryRow SplitRegistryRow(const std::string& path) {
  size_t bar = path.find('|');
  if (bar == std::string::npos) return {path.substr(0, path.size() - 1), "", ""};
  size_t second = path.find('|', bar + 1);
  return {path.substr(0, bar), path.substr(bar + 1, second - bar - 1), path.substr(second + 1)};
}

const char* const kRepositoryFiles[] = {"ClientConfig.hdb",       "FileInfo.hdb",   "Local.hdb",
                                        "UserRestoreReport.html", "MessageLog.ldb", "Rigwell.exe"};

// Prints what is left below folder, one "[layout]" line per entry.
void PrintLayout(const std::string& folder) {
  if (!FileExists(folder)) {
    printf("[layout] %s: absent\n", folder.c_str());
    return;
  }
  printf("[layout] %s\\\n", folder.c_str());
  WIN32_FIND_DATAA d;
  HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = d.cFileName;
    if (name == "." || name == "..") continue;
    if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      PrintLayout(folder + "\\" + name);
    else
      printf("[layout] %s\\%s\n", folder.c_str(), name.c_str());
  } while (FindNextFileA(h, &d));
  FindClose(h);
}

// ---------------------------------------------------------------- fixture

class PurgewellSystem : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { drive_ = RepositoryDrive(); }
  static void TearDownTestSuite() {
    if (drive_ == "R:") RemoveTestDrive(kRepositoryLetter);
  }

  void SetUp() override {
    bin_ = testwatch::ProgramDirectory();
    maker_ = SpecialFolder(CSIDL_PROGRAM_FILES) + "\\Vornacle";
    // In the code-page lane both folders have names of that code page.
    ASSERT_EQ("", testnames::Mismatch());
    install_ = maker_ + "\\" + testnames::Install("Cobaltine");
    repository_ = drive_ + "\\" + testnames::Repository("Cobaltine Backups");
    temp_ = TempFolder();
    log_ = temp_ + "\\purgewell-standin.log";
    ASSERT_TRUE(PollUntil([] { return testwatch::CountProcessesNamed("purgetmp.exe") == 0; }, 60000));
    CleanUp();
    tempAtStart_ = tempBefore_ = Entries(temp_);
  }

  void TearDown() override {
    for (PROCESS_INFORMATION* p : {&standin_, &scheduler_}) {
      if (!p->hProcess) continue;
      if (WaitForSingleObject(p->hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(p->hProcess, 1);
      CloseHandle(p->hProcess);
      CloseHandle(p->hThread);
      *p = {};
    }
    if (purgewell_.hProcess) {
      if (WaitForSingleObject(purgewell_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(purgewell_.hProcess, 1);
      CloseHandle(purgewell_.hProcess);
      CloseHandle(purgewell_.hThread);
    }
    PollUntil([] { return testwatch::CountProcessesNamed("purgetmp.exe") == 0; }, 60000);
    CleanUp();
    for (const std::string& folder : NewCopyFolders(tempAtStart_)) Wipe(folder);
  }

  void CleanUp() {
    Wipe(maker_);
    Wipe(repository_);
    Wipe("C:\\Purgewell.exe");
    Wipe("C:\\windows\\Purgewell.exe");
    for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS, CSIDL_COMMON_STARTUP, CSIDL_STARTUP,
                      CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY})
      for (const char* name : {"Cobaltine.lnk", "Cobaltine Scheduler.lnk", "Cobaltine Scheduler Assistant.lnk",
                               "Cobaltine Extra.lnk"})
        Wipe(SpecialFolder(csidl) + "\\" + name);
    DeleteKeyTree(std::string(kUninstallKey) + "\\Cobaltine");
    DeleteKeyTree(std::string(kUninstallKey) + "\\Cobaltine Extra");
    DeleteKeyTree(kMakerKey);
    DeleteKeyTree(std::string(kEventLogKey) + "\\Cobaltine");
    DeleteKeyTree(kAgentsKey);
    ClearPendingDeletions();
    DeleteKeyTree("Software\\Wine\\AppDefaults\\Purgewell.exe", HKEY_CURRENT_USER);
    DeleteKeyTree("Software\\Wine\\AppDefaults\\purgetmp.exe", HKEY_CURRENT_USER);
    DeleteServiceIfPresent(kServiceName);
    DeleteFileA(log_.c_str());
    Wipe(temp_ + "\\purgetmp.exe");
    Wipe(temp_ + "\\planted.log");
  }

  // Where a row lies.
  std::string Where(const Row& r) const {
    switch (r.under) {
      case Under::Install: return install_ + "\\" + r.path;
      case Under::Repository: return repository_ + "\\" + r.path;
      case Under::CommonPrograms: return SpecialFolder(CSIDL_COMMON_PROGRAMS) + "\\" + r.path;
      case Under::CommonStartup: return SpecialFolder(CSIDL_COMMON_STARTUP) + "\\" + r.path;
      case Under::CommonDesktop: return SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\" + r.path;
      case Under::UserPrograms: return SpecialFolder(CSIDL_PROGRAMS) + "\\" + r.path;
      case Under::Machine: return std::string("HKLM\\") + r.path;
      case Under::Service: return std::string("service ") + r.path;
    }
    return r.path;
  }

  bool Exists(const Row& r) const {
    if (r.under == Under::Service) return ServiceExists(r.path);
    if (r.under != Under::Machine) return FileExists(Where(r));
    RegistryRow reg = SplitRegistryRow(r.path);
    return reg.value.empty() ? KeyExists(reg.key) : ValueExists(reg.key, reg.value.c_str());
  }

  // aroundRunning: files already there (programs another session runs) stay as they are.
  void LayOutRow(const Row& r, bool aroundRunning) {
    const std::string where = Where(r);
    switch (r.under) {
      case Under::Machine: {
        RegistryRow reg = SplitRegistryRow(r.path);
        if (!reg.value.empty()) SetValue(reg.key, reg.value.c_str(), reg.data);
        return;
      }
      case Under::Service: {
        SC_HANDLE m = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(nullptr, m);
        std::string binary = bin_ + "\\Cobaltine.exe";
        SC_HANDLE s = CreateServiceA(m, r.path, r.path, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                     SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, binary.c_str(), nullptr, nullptr,
                                     nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, s);
        CloseServiceHandle(s);
        CloseServiceHandle(m);
        return;
      }
      default:
        break;
    }
    if (where.back() == '\\') {
      MakeFolders(where.substr(0, where.size() - 1));
      return;
    }
    MakeFolders(where.substr(0, where.rfind('\\')));
    if (aroundRunning && FileExists(where)) return;
    const std::string name = where.substr(where.rfind('\\') + 1);
    if (r.under == Under::Install && (name == "Purgewell.exe" || name == "Cobaltine.exe")) {
      ASSERT_TRUE(CopyFileA((bin_ + "\\" + name).c_str(), where.c_str(), FALSE)) << where;
    } else if (r.under == Under::Install && name == "RepositoryConfig.txt") {
      ASSERT_TRUE(WriteText(where, "[Repository]\r\nPath=" + repositoryPath_ + "\r\n", r.attributes));
    } else {
      ASSERT_TRUE(WriteText(where, name, r.attributes)) << where;
    }
  }

  // The installation as setup leaves it (kInstallation, and with usersOwn
  // kUsersOwn beside it). repositoryPath is what RepositoryConfig.txt names.
  void LayOut(const std::string& repositoryPath, bool usersOwn, bool aroundRunning = false) {
    repositoryPath_ = repositoryPath;
    laid_.assign(std::begin(kInstallation), std::end(kInstallation));
    if (usersOwn) laid_.insert(laid_.end(), std::begin(kUsersOwn), std::end(kUsersOwn));
    for (const Row& r : laid_) LayOutRow(r, aroundRunning);
  }

  bool ExpectedGone(const Row& r, const Outcome& o) const {
    switch (r.fate) {
      case Fate::Gone: return true;
      case Fate::Kept: return false;
      case Fate::GoneWithRepository: return o.repositoryCleared;
      case Fate::GoneWithTheCopy: return o.copyRan;
      case Fate::GoneOnNtFamily: return NtFamily();
      case Fate::GoneOn9x: return !NtFamily();
    }
    return false;
  }

  // Every row laid out went or stayed as its fate says; those in atRestart
  // stayed, to be deleted at the next restart.
  void ExpectRemoved(const Outcome& o = Outcome(), const std::vector<std::string>& atRestart = {}) {
    for (const Row& r : laid_) {
      const std::string where = Where(r);
      if (std::find(atRestart.begin(), atRestart.end(), r.path) != atRestart.end()) {
        EXPECT_TRUE(Exists(r)) << where;
        EXPECT_TRUE(DeletionPending(where)) << where << " at the next restart";
        continue;
      }
      EXPECT_EQ(!ExpectedGone(r, o), Exists(r)) << where;
    }
  }

  // Nothing was removed.
  void ExpectUntouched() {
    for (const Row& r : laid_) EXPECT_TRUE(Exists(r)) << Where(r);
  }

  void StartMainProgram() {
    SetEnvironmentVariableA("COBALTINE_LOG", log_.c_str());
    standin_ = Start(install_ + "\\Cobaltine.exe");
    ASSERT_NE(nullptr, standin_.hProcess);
    ASSERT_NE(nullptr, WaitForWindow(standin_.dwProcessId, "Cobaltine", "Cobaltine (stand-in)"));
  }

  // The installation's own Tickwarden.exe running: the stand-in scheduler,
  // which stays lingerMs after its window has gone before it ends.
  void StartSchedulerOfTheInstallation(DWORD lingerMs) {
    const std::string file = install_ + "\\Tickwarden.exe";
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(CopyFileA((bin_ + "\\TickwardenStandIn.exe").c_str(), file.c_str(), FALSE));
    schedulerLog_ = temp_ + "\\purgewell-scheduler.log";
    DeleteFileA(schedulerLog_.c_str());
    SetEnvironmentVariableA("TICKWARDEN_STANDIN_LOG", schedulerLog_.c_str());
    SetEnvironmentVariableA("TICKWARDEN_STANDIN_LINGER_MS", std::to_string(lingerMs).c_str());
    scheduler_ = Start(file);
    SetEnvironmentVariableA("TICKWARDEN_STANDIN_LINGER_MS", nullptr);
    SetEnvironmentVariableA("TICKWARDEN_STANDIN_LOG", nullptr);
    ASSERT_NE(nullptr, scheduler_.hProcess);
    ASSERT_NE(nullptr, testwatch::WaitForWindow("CobaltineSchedulerClass"));
  }

  // Starts the installed uninstaller and returns its dialog.
  HWND StartPurgewell() {
    purgewell_ = Start(install_ + "\\Purgewell.exe");
    if (!purgewell_.hProcess) return nullptr;
    return WaitForWindow(purgewell_.dwProcessId, "#32770", "Cobaltine Uninstall");
  }

  // Clicks Uninstall and answers the confirmation with answer (IDYES/IDNO).
  void ClickUninstallAndAnswer(HWND dialog, int answer) {
    PostMessageA(GetDlgItem(dialog, 1), BM_CLICK, 0, 0);
    HWND box = WaitForWindow(purgewell_.dwProcessId, "#32770", "Remove Backup Data and Repository Confirmation");
    ASSERT_NE(nullptr, box);
    ASSERT_NE(nullptr, GetDlgItem(box, answer));
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), (LPARAM)GetDlgItem(box, answer));
    ASSERT_TRUE(PollUntil([&] { return !IsWindow(box); }, 10000));
  }

  void WaitForPurgewellAndItsCopy() {
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(purgewell_.hProcess, 60000));
    DWORD code = 1;
    GetExitCodeProcess(purgewell_.hProcess, &code);
    EXPECT_EQ(0u, code);
    // The copy deletes the installed file, then schedules its own deletion
    // and ends.
    EXPECT_TRUE(PollUntil([&] { return !FileExists(install_ + "\\Purgewell.exe"); }, 60000));
    EXPECT_TRUE(PollUntil([] { return testwatch::CountProcessesNamed("purgetmp.exe") == 0; }, 60000));
  }

  // Waits for the box that tells what was kept for safety, checks that the
  // dialog owns it and that pointer (when given) is still there while it is
  // shown, closes it, and returns its text.
  std::string AnswerKeptNotice(HWND dialog, const std::string& pointer = "") {
    return AnswerNotice(dialog, "Cobaltine Uninstall: Kept for Safety", pointer);
  }
  std::string AnswerNotice(HWND dialog, const char* caption, const std::string& pointer = "", DWORD waitMs = 20000) {
    HWND box = WaitForWindow(purgewell_.dwProcessId, "#32770", caption, waitMs);
    if (!box) return "<no message>";
    EXPECT_EQ(dialog, GetWindow(box, GW_OWNER));
    if (!pointer.empty()) {
      EXPECT_TRUE(FileExists(pointer)) << pointer;
    }
    std::string text;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      char cls[32] = "";
      char part[1024] = "";
      GetClassNameA(c, cls, sizeof cls);
      if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(c, part, sizeof part) > 0) text += part;
    }
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(box, IDOK));
    EXPECT_TRUE(PollUntil([&] { return !IsWindow(box); }, 10000));
    return text;
  }

  // Folders under the temporary folder, not among those seen before, that
  // hold a copy.
  std::vector<std::string> NewCopyFolders(const std::vector<std::string>& before) {
    std::vector<std::string> made;
    for (const std::string& name : Entries(temp_))
      if (name.back() == '\\' && !std::binary_search(before.begin(), before.end(), name) &&
          FileExists(temp_ + "\\" + name + "purgetmp.exe"))
        made.push_back(temp_ + "\\" + name.substr(0, name.size() - 1));
    return made;
  }

  // The copy ran from a folder of its own that this run made and that holds
  // nothing else, and both go at the next restart: on the NT family the file
  // first and then the folder, on 95/98/ME the file (their restart deletes no
  // folder). Returns the copy's path.
  std::string ExpectCopyRanFromANewFolder() {
    std::vector<std::string> made = NewCopyFolders(tempBefore_);
    EXPECT_EQ(1u, made.size());
    if (made.size() != 1) return "";
    std::string copy = made[0] + "\\purgetmp.exe";
    EXPECT_EQ(std::vector<std::string>{"purgetmp.exe"}, Entries(made[0]));
    EXPECT_TRUE(DeletionPending(copy)) << RestartEntries();
    if (NtFamily()) {
      std::string pending = PendingRenames();
      size_t file = pending.find(Lower(copy) + "||");
      size_t folder = pending.find(Lower(made[0]) + "||");
      EXPECT_NE(std::string::npos, folder) << pending;
      EXPECT_LT(file, folder) << pending;
    }
    printf("[copy] ran as %s\n", copy.c_str());
    tempBefore_ = Entries(temp_);
    return copy;
  }

  static std::string drive_;
  std::string bin_, maker_, install_, repository_, repositoryPath_, temp_, log_;
  std::vector<Row> laid_;
  // What the temporary folder held when the test began and before this run.
  std::vector<std::string> tempAtStart_, tempBefore_;
  std::string schedulerLog_;
  PROCESS_INFORMATION standin_ = {};
  PROCESS_INFORMATION scheduler_ = {};
  PROCESS_INFORMATION purgewell_ = {};
};

std::string PurgewellSystem::drive_;

// ---------------------------------------------------------------- tests

TEST_F(PurgewellSystem, RemovesTheWholeProductAndThenItself) {
  LayOut(repository_ + "\\", false);
  StartMainProgram();
  SchedulerWindow scheduler(kHoldCloseMs);

  HWND dialog = StartPurgewell();
  ASSERT_NE(nullptr, dialog);
  ClickUninstallAndAnswer(dialog, IDYES);

  // The worker holds at the scheduler's window: the removal is under way.
  ASSERT_TRUE(scheduler.WaitForClose(30000));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 1)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 2)));
  // The main program was asked first and is gone.
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(standin_.hProcess, 20000));
  EXPECT_NE(std::string::npos, ReadText(log_).find("msg 16 0 0"));

  // No way of cancelling may cut the removal off half-way.
  DWORD_PTR r;
  SendMessageTimeoutA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0, SMTO_NORMAL, 5000, &r);
  SendMessageTimeoutA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_NORMAL, 5000, &r);
  SendMessageTimeoutA(dialog, WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, &r);
  PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(dialog, WM_KEYUP, VK_ESCAPE, 0);
  WaitForInputIdle(purgewell_.hProcess, 5000);
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(purgewell_.hProcess, 0));
  scheduler.Release();

  WaitForPurgewellAndItsCopy();
  PrintLayout(maker_);
  PrintLayout(repository_);
  EXPECT_GT(scheduler.CloseCount(), 0);
  ExpectRemoved();
  EXPECT_FALSE(FileExists(install_));
  EXPECT_FALSE(FileExists(maker_));
  EXPECT_TRUE(FileExists(SpecialFolder(CSIDL_PROGRAM_FILES)));
  EXPECT_FALSE(FileExists(repository_));
  EXPECT_TRUE(FileExists(drive_ + "\\"));
  EXPECT_FALSE(KeyExists(kMakerKey));
  ExpectCopyRanFromANewFolder();
}

// Among what is not the product's: a program another user planted where the
// temporary copy is looked for by name, held open so that nothing can write
// over it. It never runs; the copy runs from a folder of its own. A second
// uninstall while that folder is still there (it goes at the restart) makes
// another. The scheduler here is a program of the installation's own file
// that lingers after its window has gone (its last work waiting on a network
// that does not answer): its file can go only once it has ended.
TEST_F(PurgewellSystem, KeepsEverythingThatIsNotTheProducts) {
  LayOut(repository_, true);
  StartSchedulerOfTheInstallation(8000);
  std::string planted = temp_ + "\\purgetmp.exe";
  std::string plantedLog = temp_ + "\\planted.log";
  ASSERT_TRUE(CopyFileA((bin_ + "\\Cobaltine.exe").c_str(), planted.c_str(), FALSE));
  HeldFile held(planted);
  ASSERT_TRUE(held.IsHeld());
  // Started, the planted program would note its command line and end.
  SetEnvironmentVariableA("COBALTINE_LOG", plantedLog.c_str());
  SetEnvironmentVariableA("COBALTINE_EXIT_AT_ONCE", "1");
  HWND dialog = StartPurgewell();
  SetEnvironmentVariableA("COBALTINE_EXIT_AT_ONCE", nullptr);
  ASSERT_NE(nullptr, dialog);
  ClickUninstallAndAnswer(dialog, IDYES);
  WaitForPurgewellAndItsCopy();
  printf("[planted] %s: %s\n", planted.c_str(),
         FileExists(plantedLog) ? ("ran, noting \"" + ReadText(plantedLog) + "\"").c_str() : "never ran");
  EXPECT_FALSE(FileExists(plantedLog));
  EXPECT_TRUE(FileExists(planted));

  ExpectRemoved();
  EXPECT_TRUE(FileExists(maker_));
  for (const char* gone : {"Repository", "Logs", "Reports", "System"})
    EXPECT_FALSE(FileExists(repository_ + "\\" + gone)) << gone;
  const std::string closed = ReadText(schedulerLog_);
  EXPECT_NE(std::string::npos, closed.find("msg 16 0 0\r\nexit")) << closed;
  std::string first = ExpectCopyRanFromANewFolder();

  CloseHandle(purgewell_.hProcess);
  CloseHandle(purgewell_.hThread);
  purgewell_ = {};
  LayOut(repository_, false);
  dialog = StartPurgewell();
  ASSERT_NE(nullptr, dialog);
  ClickUninstallAndAnswer(dialog, IDYES);
  WaitForPurgewellAndItsCopy();
  ExpectRemoved();
  EXPECT_TRUE(FileExists(first));
  EXPECT_NE(first, ExpectCopyRanFromANewFolder());
  EXPECT_FALSE(FileExists(plantedLog));
}

// Without a checked copy nothing is started: in a temporary folder that is not
// there no copy can be written. The uninstaller's file and folder stay, and
// the user is told which folder to delete.
TEST_F(PurgewellSystem, WithoutACheckedCopyNothingIsStartedAndItsFolderIsNamed) {
  LayOut(repository_, false);
  std::string missing = temp_ + "\\no such folder";
  char saved[2][MAX_PATH];
  const char* const names[] = {"TMP", "TEMP"};
  for (int i = 0; i < 2; ++i) {
    DWORD n = GetEnvironmentVariableA(names[i], saved[i], MAX_PATH);
    if (n == 0 || n >= MAX_PATH) saved[i][0] = '\0';
    SetEnvironmentVariableA(names[i], missing.c_str());
  }
  HWND dialog = StartPurgewell();
  for (int i = 0; i < 2; ++i) SetEnvironmentVariableA(names[i], saved[i][0] ? saved[i] : nullptr);
  ASSERT_NE(nullptr, dialog);
  ClickUninstallAndAnswer(dialog, IDYES);
  std::string told = AnswerKeptNotice(dialog);
  printf("[no copy] told \"%s\"\n", told.c_str());
  EXPECT_NE(std::string::npos, told.find("\n\n" + install_)) << told;
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(purgewell_.hProcess, 60000));
  EXPECT_EQ(0, testwatch::CountProcessesNamed("purgetmp.exe"));
  EXPECT_FALSE(FileExists(missing));
  Outcome noCopy;
  noCopy.copyRan = false;
  ExpectRemoved(noCopy);
}

// Other spellings of C:\ and C:\windows, made by purgewell_links.sh: a link
// to each and a drive letter standing for C:\; and a link to a folder beside
// drive C:, standing for a mounted volume.
const char kWindowsLink[] = "C:\\purgewell-links\\winlink";
const char kRootLink[] = "C:\\purgewell-links\\rootlink";
const char kAliasDrive[] = "Q:";
// Never mapped in the test prefix: an unplugged backup disk.
const char kAbsentDrive[] = "V:";
const char kDataLink[] = "C:\\purgewell-links\\datalink";

// What a repository step or the help-and-config step would delete in the
// drive root and the Windows folder, and Wine's own folders there.
class Decoys {
 public:
  // withSetupProgram: also a "Rigwell.exe", which an uninstaller deletes from
  // whatever folder it runs in, since that is the product's setup program.
  // beside: one more folder to lay decoys in, such as the one that holds
  // the repository.
  explicit Decoys(bool withSetupProgram, const std::string& beside = "") {
    std::vector<std::string> folders = {"C:", "C:\\windows"};
    if (!beside.empty()) folders.push_back(beside);
    for (const std::string& folder : folders) {
      for (const char* sub : {"Repository", "Logs", "Reports", "System", "help", "config"}) {
        std::string f = folder + "\\" + sub;
        if (!FileExists(f) && MakeFolders(f)) folders_.push_back(f);
        Add(f + "\\purgewell-decoy.txt");
      }
      for (const char* f : kRepositoryFiles)
        if (withSetupProgram || strcmp(f, "Rigwell.exe") != 0) Add(folder + "\\" + f);
    }
    for (const char* wines : {"C:\\windows\\logs", "C:\\windows\\system", "C:\\windows\\help"})
      if (FileExists(wines)) checked_.push_back(wines);
  }
  ~Decoys() {
    for (const std::string& p : written_) DeleteFileA(p.c_str());
    for (const std::string& f : folders_) RemoveDirectoryA(f.c_str());
  }
  // Those that went, for the test's message and its output.
  std::string Missing(const char* label) const {
    std::string went;
    for (const std::string& p : checked_)
      if (!FileExists(p)) went += " " + p;
    printf("[decoys] %s: %u checked, went:%s\n", label, (unsigned)checked_.size(), went.empty() ? " none" : went.c_str());
    return went;
  }

 private:
  void Add(const std::string& path) {
    if (!WriteText(path, "not the product's")) return;
    written_.push_back(path);
    checked_.push_back(path);
  }
  std::vector<std::string> checked_, written_, folders_;
};

bool IsLinkFolder(const char* path) {
  DWORD a = GetFileAttributesA(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A root or the Windows folder in any spelling must not be cleared, and a
// repository on a disk that is not connected cannot be: both are named.
TEST_F(PurgewellSystem, RepositoryThatMustNotOrCannotBeClearedIsKeptAndNamedToTheUser) {
  ASSERT_TRUE(IsLinkFolder(kWindowsLink));
  ASSERT_TRUE(IsLinkFolder(kRootLink));
  ASSERT_TRUE(FileExists(std::string(kAliasDrive) + "\\windows"));
  ASSERT_EQ(0u, GetLogicalDrives() & (1UL << (kAbsentDrive[0] - 'A')));
  const std::string spellings[] = {"C:\\",
                                   "C:\\WINDOWS\\",
                                   std::string(kWindowsLink),
                                   std::string(kRootLink) + "\\",
                                   std::string(kAliasDrive) + "\\windows",
                                   std::string(kAliasDrive) + "\\",
                                   std::string(kAbsentDrive) + "\\Cobaltine Backups"};
  for (const std::string& path : spellings) {
    SCOPED_TRACE(path);
    CleanUp();
    LayOut(path, false);
    Decoys decoys(true);
    HWND dialog = StartPurgewell();
    ASSERT_NE(nullptr, dialog);
    ClickUninstallAndAnswer(dialog, IDYES);
    std::string told = AnswerKeptNotice(dialog, install_ + "\\RepositoryConfig.txt");
    printf("[kept] Path=%s: told \"%s\"\n", path.c_str(), told.c_str());
    EXPECT_NE(std::string::npos, told.find("\n" + path)) << told;
    WaitForPurgewellAndItsCopy();
    CloseHandle(purgewell_.hProcess);
    CloseHandle(purgewell_.hThread);
    purgewell_ = {};

    EXPECT_EQ("", decoys.Missing(("Path=" + path).c_str()));
    // Everything else went on as usual; the file naming the repository stays,
    // and the repository directory named nothing of ours, so ours stays
    // untouched.
    Outcome kept;
    kept.repositoryCleared = false;
    ExpectRemoved(kept);
  }
}

// A repository behind a directory link (as on a mounted volume) and one on a
// drive letter that stands for a folder (as subst makes it) are removed like
// any other, and nothing beside them goes.
TEST_F(PurgewellSystem, RepositoryReachedThroughALinkOrAnAliasDriveIsRemoved) {
  ASSERT_TRUE(IsLinkFolder(kDataLink));
  const std::string repositories[] = {std::string(kDataLink) + "\\Cobaltine Backups",
                                      std::string(kAliasDrive) + "\\purgewell-aliased\\Cobaltine Backups"};
  for (const std::string& path : repositories) {
    SCOPED_TRACE(path);
    CleanUp();
    repository_ = path;
    LayOut(path, false);
    Decoys decoys(true, path.substr(0, path.rfind('\\')));
    HWND dialog = StartPurgewell();
    ASSERT_NE(nullptr, dialog);
    ClickUninstallAndAnswer(dialog, IDYES);
    WaitForPurgewellAndItsCopy();
    CloseHandle(purgewell_.hProcess);
    CloseHandle(purgewell_.hThread);
    purgewell_ = {};

    PrintLayout(path);
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ("", decoys.Missing(("Path=" + path).c_str()));
    ExpectRemoved();
    EXPECT_FALSE(FileExists(install_));
  }
}

TEST_F(PurgewellSystem, StartedFromARootOrTheWindowsFolderInAnySpellingItClearsNoFolderThere) {
  // An uninstaller copied there and run: "help" and "config" beside it are not
  // the product's, and the user is told that they stay.
  const struct {
    std::string copy, start;
  } starts[] = {{"C:\\Purgewell.exe", "C:\\Purgewell.exe"},
                {"C:\\windows\\Purgewell.exe", std::string(kWindowsLink) + "\\Purgewell.exe"},
                {"C:\\windows\\Purgewell.exe", std::string(kAliasDrive) + "\\windows\\Purgewell.exe"},
                {"C:\\Purgewell.exe", std::string(kRootLink) + "\\Purgewell.exe"}};
  for (const auto& s : starts) {
    SCOPED_TRACE(s.start);
    Decoys decoys(false);
    ASSERT_TRUE(CopyFileA((bin_ + "\\Purgewell.exe").c_str(), s.copy.c_str(), FALSE));
    purgewell_ = Start(s.start);
    ASSERT_NE(nullptr, purgewell_.hProcess);
    HWND dialog = WaitForWindow(purgewell_.dwProcessId, "#32770", "Cobaltine Uninstall");
    ASSERT_NE(nullptr, dialog);
    ClickUninstallAndAnswer(dialog, IDYES);
    std::string folder = s.start.substr(0, s.start.rfind('\\'));
    std::string told = AnswerKeptNotice(dialog);
    EXPECT_NE(std::string::npos, told.find("\n" + folder)) << told;
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(purgewell_.hProcess, 60000));
    CloseHandle(purgewell_.hProcess);
    CloseHandle(purgewell_.hThread);
    purgewell_ = {};
    EXPECT_TRUE(PollUntil([&] { return !FileExists(s.copy); }, 60000));
    EXPECT_TRUE(PollUntil([] { return testwatch::CountProcessesNamed("purgetmp.exe") == 0; }, 60000));
    EXPECT_EQ("", decoys.Missing(("started as " + s.start).c_str()));
    Wipe(s.copy);
  }
}

// Finishing mode started by someone other than the uninstaller: only the
// temporary copy acts, and only on a file that is the uninstaller itself.
TEST_F(PurgewellSystem, FinishingModeActsOnlyAsTheCopyAndOnlyOnTheUninstaller) {
  LayOut(repository_, false);
  std::string elsewhere = SpecialFolder(CSIDL_PROGRAM_FILES) + "\\Elsewhere";
  std::string installed = install_ + "\\Purgewell.exe";
  // A copy in a folder of the form the uninstaller makes, and one where the
  // copy went by a fixed name, which anyone could have put there.
  std::string copy = temp_ + "\\pw5e1f7e\\purgetmp.exe";
  std::string fixedName = temp_ + "\\purgetmp.exe";
  const struct {
    std::string program, arguments;
  } cases[] = {{installed, "-"},
               {installed, "-help"},
               {installed, "-" + elsewhere + "\\Purgewell.exe"},
               {fixedName, "-" + installed},
               {copy, "-" + elsewhere + "\\Purgewell.exe"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program + " " + c.arguments);
    ClearPendingDeletions();
    MakeFolders(elsewhere);
    ASSERT_TRUE(WriteText(elsewhere + "\\Purgewell.exe", "another program's file of that name"));
    const bool asCopy = c.program == copy;
    if (c.program != installed) {
      MakeFolders(c.program.substr(0, c.program.rfind('\\')));
      ASSERT_TRUE(CopyFileA(installed.c_str(), c.program.c_str(), FALSE));
    }
    PROCESS_INFORMATION p = Start(c.program, c.arguments);
    ASSERT_NE(nullptr, p.hProcess);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(p.hProcess, 60000));
    CloseHandle(p.hProcess);
    CloseHandle(p.hThread);
    bool otherStayed = FileExists(elsewhere + "\\Purgewell.exe");
    bool installedStayed = FileExists(installed);
    bool ownScheduled = DeletionPending(c.program);
    printf("[finishing] %s %s: other file %s, installed file %s, own deletion at restart %s\n", c.program.c_str(),
           c.arguments.c_str(), otherStayed ? "stayed" : "went", installedStayed ? "stayed" : "went",
           ownScheduled ? "scheduled" : "not scheduled");
    EXPECT_TRUE(otherStayed);
    EXPECT_TRUE(installedStayed);
    EXPECT_EQ(asCopy, ownScheduled);
  }
  Wipe(copy.substr(0, copy.rfind('\\')));
  Wipe(fixedName);
  Wipe(elsewhere);
}

TEST_F(PurgewellSystem, AnsweringNoRemovesNothing) {
  LayOut(repository_, false);
  StartMainProgram();
  SchedulerWindow scheduler(0);
  HWND dialog = StartPurgewell();
  ASSERT_NE(nullptr, dialog);
  ClickUninstallAndAnswer(dialog, IDNO);

  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, 1)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, 2)));
  PostMessageA(GetDlgItem(dialog, 2), BM_CLICK, 0, 0);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(purgewell_.hProcess, 20000));
  DWORD code = 1;
  GetExitCodeProcess(purgewell_.hProcess, &code);
  EXPECT_EQ(0u, code);

  ExpectUntouched();
  EXPECT_EQ(0, scheduler.CloseCount());
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(standin_.hProcess, 0));
  EXPECT_EQ(std::string::npos, ReadText(log_).find("msg 16"));
}

// What branches on the Windows version, as a run under each emulated version
// sees it happen: which shortcut folders are the product's, whether the
// service step runs, and how the temporary copy has itself deleted at the
// next restart. The product's shortcuts lie in both kinds of folder; only one
// kind goes.
TEST_F(PurgewellSystem, TakesTheBranchesOfThePlatformFamily) {
  LayOut(repository_, false);
  const int userFolders[] = {CSIDL_PROGRAMS, CSIDL_STARTUP, CSIDL_DESKTOPDIRECTORY};
  const int commonFolders[] = {CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_STARTUP, CSIDL_COMMON_DESKTOPDIRECTORY};
  const char* const names[] = {"Cobaltine.lnk", "Cobaltine Scheduler.lnk", "Cobaltine.lnk"};
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(WriteText(SpecialFolder(userFolders[i]) + "\\" + names[i], "lnk"));
  HWND dialog = StartPurgewell();
  ASSERT_NE(nullptr, dialog);
  ClickUninstallAndAnswer(dialog, IDYES);
  WaitForPurgewellAndItsCopy();

  int commonGone = 0, userGone = 0;
  for (int i = 0; i < 3; ++i) {
    commonGone += !FileExists(SpecialFolder(commonFolders[i]) + "\\" + names[i]);
    userGone += !FileExists(SpecialFolder(userFolders[i]) + "\\" + names[i]);
  }
  bool serviceStep = !ServiceExists(kServiceName);
  std::string copy = ExpectCopyRanFromANewFolder();
  bool moveFileEx = PendingRenames().find(Lower(copy)) != std::string::npos;
  char shortCopy[MAX_PATH] = "";
  char wininit[MAX_PATH] = "";
  GetShortPathNameA(copy.c_str(), shortCopy, sizeof shortCopy);
  GetPrivateProfileStringA("rename", "nul", "", wininit, sizeof wininit, "wininit.ini");
  bool wininitRename = shortCopy[0] && Lower(shortCopy) == Lower(wininit);
  char version[32] = "";
  GetEnvironmentVariableA("TW_WINVER", version, sizeof version);
  printf("[branches] %s: version word %08lX, shortcut folders %s, service step %s, restart deletion %s\n", version,
         GetVersion(), commonGone == 3 && userGone == 0 ? "common" : userGone == 3 && commonGone == 0 ? "per-user" : "mixed",
         serviceStep ? "run" : "not run", moveFileEx ? "MoveFileExA" : wininitRename ? "wininit.ini [rename]" : "none");
  std::string entries;
  for (char c : RestartEntries()) entries += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
  printf("[branches] %s: restart entries %s\n", version, entries.c_str());

  const bool nt = NtFamily();
  EXPECT_EQ(nt ? 3 : 0, commonGone);
  EXPECT_EQ(nt ? 0 : 3, userGone);
  EXPECT_EQ(nt, serviceStep);
  EXPECT_EQ(nt, moveFileEx);
  EXPECT_EQ(!nt, wininitRename);
  ExpectRemoved();
}

// ---------------------------------------------------------------- empty drives

// Calls in Wine's relay trace made from a program's own image (at 0x400000,
// or the x86_64 build's 0x140000000) that name a path on drive (as "M:"):
// each must come after that image turned the critical-error boxes off
// (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX) and before anything
// turned them on again. Returns how many were looked at; what ran with the
// boxes on goes to *wrong, one line each.
size_t CheckQuietLooks(const std::string& trace, const std::string& drive, std::string* wrong) {
  const std::string named = "\"" + drive + "\\\\";
  unsigned long long mode = 0;
  size_t looks = 0;
  for (size_t at = 0; at < trace.size();) {
    size_t end = trace.find('\n', at);
    if (end == std::string::npos) end = trace.size();
    const std::string line = trace.substr(at, end - at);
    at = end + 1;
    const size_t call = line.find(":Call ");
    const size_t ret = line.rfind(" ret=");
    if (call == std::string::npos || ret == std::string::npos) continue;
    const unsigned long long from = strtoull(line.c_str() + ret + 5, nullptr, 16);
    const bool ours = (from >= 0x400000ULL && from < 0x1000000ULL) || (from >= 0x140000000ULL && from < 0x141000000ULL);
    if (!ours) continue;
    const size_t setter = line.find("SetErrorMode(", call);
    if (setter != std::string::npos) {
      mode = strtoull(line.c_str() + setter + 13, nullptr, 16);
      continue;
    }
    if (line.find(named, call) == std::string::npos) continue;
    ++looks;
    if ((mode & (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) != (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX))
      *wrong += line.substr(call + 6) + "\n";
  }
  return looks;
}

// The functions whose calls the relay trace shows: the error mode, and every
// file-system call the programs make on a path.
const char kRelayedCalls[] =
    "SetErrorMode;GetFileAttributesA;GetShortPathNameA;FindFirstFileA;CreateFileA;_lopen;GetDiskFreeSpaceA;"
    "GetVolumeInformationA;RemoveDirectoryA;DeleteFileA;SetFileAttributesA;MoveFileExA;CreateDirectoryA;"
    "GetPrivateProfileStringA;WritePrivateProfileStringA";

// A repository on a drive that is there without a disk in it (an empty disc,
// card or Zip drive) is kept and told like one on an unplugged disk; and no
// file-system call of Purgewell, or of hdbtool, on that drive runs with the
// system's critical-error boxes on, which on Windows ask for a disk ("There
// is no disk in the drive") and then look at, and may clear, whatever disk
// is put in. Wine shows no such box, so the calls are watched in its relay
// trace of the programs: purgewell_media.sh runs this case with its standard
// error, where the programs started with WINEDEBUG=+relay write, in a file of
// its own (TW_RELAY_LOG).
TEST_F(PurgewellSystem, ARepositoryOnAnEmptyDriveIsKeptAndNoDiskIsAskedFor) {
  char relayLog[MAX_PATH];
  DWORD n = GetEnvironmentVariableA("TW_RELAY_LOG", relayLog, sizeof relayLog);
  if (n == 0 || n >= sizeof relayLog) GTEST_SKIP() << "run by purgewell_media.sh";
  char letter = 'M';
  while (letter < 'Y' && (GetLogicalDrives() & (1UL << (letter - 'A')))) ++letter;
  const std::string drive = std::string(1, letter) + ":";
  testwatch::ScratchFolder disc("disc");
  ASSERT_TRUE(DefineTestDrive((char)(letter | 0x20), disc.Path().c_str(), DRIVE_CDROM));
  ASSERT_TRUE(RemoveDirectoryA(disc.Path().c_str()));  // the disc taken out
  ASSERT_TRUE(PollUntil([&] { return (GetLogicalDrives() & (1UL << (letter - 'A'))) != 0; }, 10000));
  SetValue("Software\\Wine\\Debug", "RelayInclude", kRelayedCalls, HKEY_CURRENT_USER);
  char debug[256] = "";
  n = GetEnvironmentVariableA("WINEDEBUG", debug, sizeof debug);
  if (n >= sizeof debug) debug[0] = '\0';

  const std::string path = drive + "\\Cobaltine Backups";
  LayOut(path, false);
  size_t before = ReadText(relayLog).size();
  SetEnvironmentVariableA("WINEDEBUG", "+relay");
  HWND dialog = StartPurgewell();
  SetEnvironmentVariableA("WINEDEBUG", debug[0] ? debug : nullptr);
  ASSERT_NE(nullptr, dialog);
  ClickUninstallAndAnswer(dialog, IDYES);
  std::string told = AnswerKeptNotice(dialog, install_ + "\\RepositoryConfig.txt");
  printf("[empty drive] Path=%s: told \"%s\"\n", path.c_str(), told.c_str());
  EXPECT_NE(std::string::npos, told.find("not connected")) << told;
  EXPECT_NE(std::string::npos, told.find("\n" + path)) << told;
  WaitForPurgewellAndItsCopy();
  Outcome kept;
  kept.repositoryCleared = false;
  ExpectRemoved(kept);
  std::string wrong;
  size_t looks = CheckQuietLooks(ReadText(relayLog).substr(before), drive, &wrong);
  printf("[empty drive] Purgewell looked at %s %u times, %s\n", drive.c_str(), (unsigned)looks,
         wrong.empty() ? "always with the boxes off" : "with the boxes on for some");
  EXPECT_GT(looks, 0u);
  EXPECT_EQ("", wrong);

  // hdbtool on a file there: an error of its own, no box.
  before = ReadText(relayLog).size();
  SetEnvironmentVariableA("WINEDEBUG", "+relay");
  PROCESS_INFORMATION tool = Start(bin_ + "\\hdbtool.exe", "check \"" + path + "\\ClientConfig.hdb\"");
  SetEnvironmentVariableA("WINEDEBUG", debug[0] ? debug : nullptr);
  ASSERT_NE(nullptr, tool.hProcess);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(tool.hProcess, 60000));
  DWORD code = 0;
  GetExitCodeProcess(tool.hProcess, &code);
  CloseHandle(tool.hProcess);
  CloseHandle(tool.hThread);
  EXPECT_EQ(2u, code);
  wrong.clear();
  looks = CheckQuietLooks(ReadText(relayLog).substr(before), drive, &wrong);
  printf("[empty drive] hdbtool looked at %s %u times, %s\n", drive.c_str(), (unsigned)looks,
         wrong.empty() ? "always with the boxes off" : "with the boxes on for some");
  EXPECT_GT(looks, 0u);
  EXPECT_EQ("", wrong);
  DeleteValue("Software\\Wine\\Debug", "RelayInclude", HKEY_CURRENT_USER);
  RemoveTestDrive((char)(letter | 0x20));
}

// ---------------------------------------------------------------- other sessions

// Another user's programs of the installation, in a session of their own:
// purgewell_sessions.sh runs the installation (TW_OTHER_SESSION_INSTALL, one
// host folder that both prefixes see) in a second prefix with a wineserver of
// its own: Tickwarden, Tickwardenaide and a program that does not look for
// the end request (the stand-in main program as Aidwell.exe). This prefix's
// wineserver refuses to delete a file that another process holds, as Windows
// refuses to delete a running program's file. The scheduler and the assistant
// end on the uninstaller's request and their files go; what still runs keeps
// its file until the next restart, which is written down, with the end
// request and the folder, and told once.
TEST_F(PurgewellSystem, AnotherSessionsProgramsEndOrGoAtTheNextRestart) {
  char shared[MAX_PATH];
  DWORD n = GetEnvironmentVariableA("TW_OTHER_SESSION_INSTALL", shared, sizeof shared);
  if (n == 0 || n >= sizeof shared) GTEST_SKIP() << "run by purgewell_sessions.sh";
  install_ = shared;
  ASSERT_TRUE(FileExists(install_ + "\\Tickwarden.exe"));
  LayOut(repository_, false, true);
  HWND dialog = StartPurgewell();
  ASSERT_NE(nullptr, dialog);
  ClickUninstallAndAnswer(dialog, IDYES);
  std::string told = AnswerNotice(dialog, "Cobaltine Uninstall: At the Next Restart", "", 120000);
  printf("[other session] told \"%s\"\n", told.c_str());
  EXPECT_NE(std::string::npos, told.find("\n\n" + install_)) << told;
  // Told once: no second box holds the uninstaller.
  WaitForPurgewellAndItsCopy();
  std::string entries;
  for (char c : RestartEntries()) entries += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
  printf("[other session] restart entries %s\n", entries.c_str());
  ExpectRemoved(Outcome(), {"Aidwell.exe"});
  EXPECT_TRUE(DeletionPending(install_ + "\\EndRequest.txt"));
  if (NtFamily()) {
    EXPECT_TRUE(DeletionPending(install_ + "||"));
  }
}

}  // namespace
