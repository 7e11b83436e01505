// The product's registry entries in the test prefix's real registry: what goes
// (Uninstall entry, product key, empty maker key, event-log source, the first
// SNMP agent naming the product) and what must stay; and the rights check.
#include "uninstall/removal_steps.h"

#include <gtest/gtest.h>

#include <string>

#include "machine_state_win32.h"
#include "program_watch_win32.h"

namespace {

using testmachine::DeleteKeyTree;
using testmachine::KeyExists;
using testmachine::SetValue;
using testmachine::ValueExists;

const char kProduct[] = "PwTestProduct";
const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kMaker[] = "SOFTWARE\\Vornacle";
const char kEventLog[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application";
const char kAgents[] = "SYSTEM\\CurrentControlSet\\Services\\SNMP\\Parameters\\ExtensionAgents";

void MakeKey(const std::string& path) {
  HKEY k;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &k));
  RegCloseKey(k);
}

class ProductRegistry : public ::testing::Test {
 protected:
  void SetUp() override { TearDown(); }
  void TearDown() override {
    DeleteKeyTree(std::string(kUninstall) + "\\" + kProduct);
    DeleteKeyTree(kMaker);
    DeleteKeyTree(std::string(kEventLog) + "\\" + kProduct);
    DeleteKeyTree(kAgents);
  }
};

TEST_F(ProductRegistry, UninstallEntryGoesAndItsSiblingsStay) {
  MakeKey(std::string(kUninstall) + "\\" + kProduct);
  SetValue(std::string(kUninstall) + "\\" + kProduct, "DisplayName", "x");
  MakeKey(std::string(kUninstall) + "\\PwTestOther");
  EXPECT_TRUE(pw::DeleteUninstallEntry(kProduct));
  EXPECT_FALSE(KeyExists(std::string(kUninstall) + "\\" + kProduct));
  EXPECT_TRUE(KeyExists(std::string(kUninstall) + "\\PwTestOther"));
  DeleteKeyTree(std::string(kUninstall) + "\\PwTestOther");
  // Missing entry: still done.
  EXPECT_TRUE(pw::DeleteUninstallEntry(kProduct));
}

TEST_F(ProductRegistry, EmptyMakerKeyGoesWithTheProductEvenWithValues) {
  MakeKey(std::string(kMaker) + "\\" + kProduct + "\\CurrentVersion");
  SetValue(std::string(kMaker) + "\\" + kProduct + "\\CurrentVersion", "InstallDir", "C:\\x");
  SetValue(kMaker, "MakerValue", "kept only as long as the key");
  pw::DeleteProductRegistry(kProduct);
  EXPECT_FALSE(KeyExists(kMaker));
}

TEST_F(ProductRegistry, MakerKeyWithAnotherProductStays) {
  MakeKey(std::string(kMaker) + "\\" + kProduct + "\\CurrentVersion");
  MakeKey(std::string(kMaker) + "\\OtherProduct\\CurrentVersion");
  pw::DeleteProductRegistry(kProduct);
  EXPECT_FALSE(KeyExists(std::string(kMaker) + "\\" + kProduct));
  EXPECT_TRUE(KeyExists(std::string(kMaker) + "\\OtherProduct\\CurrentVersion"));
}

TEST_F(ProductRegistry, EventLogSourceGoes) {
  MakeKey(std::string(kEventLog) + "\\" + kProduct);
  MakeKey(std::string(kEventLog) + "\\PwTestOtherSource");
  pw::DeleteProductRegistry(kProduct);
  EXPECT_FALSE(KeyExists(std::string(kEventLog) + "\\" + kProduct));
  EXPECT_TRUE(KeyExists(std::string(kEventLog) + "\\PwTestOtherSource"));
  DeleteKeyTree(std::string(kEventLog) + "\\PwTestOtherSource");
}

TEST_F(ProductRegistry, OnlyTheFirstSnmpAgentNamingTheProductGoes) {
  SetValue(kAgents, "0", "SOFTWARE\\Other\\Agent");
  SetValue(kAgents, "1", std::string("SOFTWARE\\Vornacle\\") + kProduct + "\\SnmpAgent");
  SetValue(kAgents, "2", std::string("SOFTWARE\\Vornacle\\") + kProduct + "\\Second");
  pw::DeleteProductRegistry(kProduct);
  EXPECT_TRUE(ValueExists(kAgents, "0"));
  EXPECT_FALSE(ValueExists(kAgents, "1"));
  EXPECT_TRUE(ValueExists(kAgents, "2"));
}

TEST_F(ProductRegistry, SnmpWalkStopsAtTheFirstMissingNumberAndMatchesCase) {
  SetValue(kAgents, "1", std::string("SOFTWARE\\Vornacle\\") + kProduct);
  pw::DeleteProductRegistry(kProduct);
  EXPECT_TRUE(ValueExists(kAgents, "1"));  // no "0": nothing is looked at

  SetValue(kAgents, "0", "software\\vornacle\\pwtestproduct");
  pw::DeleteProductRegistry(kProduct);
  EXPECT_TRUE(ValueExists(kAgents, "0"));   // the product's name in another case
  EXPECT_FALSE(ValueExists(kAgents, "1"));  // reached behind a value that did not match
}

TEST_F(ProductRegistry, AnEmptyProductNameDeletesNothing) {
  MakeKey(std::string(kMaker) + "\\" + kProduct);
  SetValue(kAgents, "0", "anything");
  pw::DeleteProductRegistry("");
  EXPECT_TRUE(pw::DeleteUninstallEntry(""));
  EXPECT_TRUE(KeyExists(std::string(kMaker) + "\\" + kProduct));
  EXPECT_TRUE(KeyExists(kUninstall));
  EXPECT_TRUE(KeyExists(kEventLog));
  EXPECT_TRUE(ValueExists(kAgents, "0"));
}

TEST(RightsCheck, AdministratorMayWriteWhatTheRemovalWritesAndTheTestKeyIsGone) {
  EXPECT_TRUE(pw::CanWriteMachineSettings());
  EXPECT_FALSE(KeyExists("SOFTWARE\\VornacleSystemsTestKeyZZZ"));
}

// 95/98/ME take their restart entries from the Windows folder's wininit.ini:
// one that cannot be written (here a folder in its place; the test runs as
// an administrator, whom no file's rights stop) fails their check, and only
// theirs; a check where there is none leaves none behind.
TEST(RightsCheck, RestartEntriesOf95NeedAWininitThatCanBeWritten) {
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string wininit = std::string(windows) + "\\wininit.ini";
  const std::string saved = testwatch::ReadText(wininit);
  const bool existed = testwatch::FileExists(wininit);
  DeleteFileA(wininit.c_str());
  ASSERT_TRUE(testwatch::MakeFolder(wininit));
  EXPECT_FALSE(pw::CanWriteRestartEntries(false));
  EXPECT_TRUE(pw::CanWriteRestartEntries(true));
  RemoveDirectoryA(wininit.c_str());
  ASSERT_TRUE(testwatch::WriteText(wininit, "[rename]\r\n"));
  EXPECT_TRUE(pw::CanWriteRestartEntries(false));
  DeleteFileA(wininit.c_str());
  EXPECT_TRUE(pw::CanWriteRestartEntries(false));
  EXPECT_FALSE(testwatch::FileExists(wininit));
  if (existed) testwatch::WriteText(wininit, saved);
}

}  // namespace
