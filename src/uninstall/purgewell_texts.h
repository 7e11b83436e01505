// Fixed texts of Purgewell that do not come from its string table: message
// boxes, captions, file and registry names.
#pragma once

namespace pw {

constexpr const char kNoRightsText[] =
    "This user account does not have the required access privileges to perform the uninstall.";
constexpr const char kConfirmText[] =
    "Uninstall will delete your backup repository.  All data that has been backed up will be removed.\n\n"
    "Are you sure you want to continue?";
constexpr const char kConfirmCaption[] = "Remove Backup Data and Repository Confirmation";
constexpr const char kWorkerFailedText[] =
    "The removal could not be started. Nothing has been removed; please try again.";
constexpr const char kErrorCaption[] = "Error";

constexpr const char kRightsTestKey[] = "SOFTWARE\\VornacleSystemsTestKeyZZZ";
// Where the NT family keeps the deletions it does at the next restart.
constexpr const char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";

constexpr const char kUninstallerFile[] = "Purgewell.exe";
constexpr const char kTemporaryCopyFile[] = "purgetmp.exe";
// Folders of the temporary copy are named with this and six hex digits.
constexpr const char kCopyFolderPrefix[] = "pw";
constexpr const char kWininitFile[] = "wininit.ini";
constexpr const char kMakerName[] = "Vornacle";
constexpr const char kRepositoryConfigFile[] = "RepositoryConfig.txt";
constexpr const char kRepositorySection[] = "Repository";
constexpr const char kRepositoryKey[] = "Path";
constexpr const char kDefaultRepositoryFolder[] = "data";

}  // namespace pw
