// Run claims on real files: names that read back, how long each kind is kept,
// one winner among schedulers racing for the same runs, a connect seen a
// minute apart, and old claims swept away, bounded.
#include "scheduler/run_claim.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "scheduler/claim_files.h"
#include "temp_directory.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <thread>
#include <unistd.h>
#endif

namespace {

const PackedTime kNow = PackTime(2026, 12, 9, 22, 0, 0);
const PackedTime kMinute = 60, kHour = 3600, kDay = 86400;

// A repository folder; its claims and their folders go with it.
class Repository {
 public:
  std::string Path() const { return dir_.Path(); }
  std::string Claims() const { return Join(Join(Path(), "Logs"), "Claims"); }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    ListClaimFolder(Claims().c_str(), 1000, [](const char* name, void* out) {
      static_cast<std::vector<std::string>*>(out)->push_back(name);
      return true;
    }, &names);
    std::sort(names.begin(), names.end());
    return names;
  }
  ~Repository() {
    for (const std::string& name : Names()) RemoveClaimFile(Join(Claims(), name).c_str());
#ifdef _WIN32
    RemoveDirectoryA(Claims().c_str());
    RemoveDirectoryA(Join(Path(), "Logs").c_str());
#else
    rmdir(Claims().c_str());
    rmdir(Join(Path(), "Logs").c_str());
#endif
  }
  static std::string Join(const std::string& folder, const std::string& name) {
    return folder + ClaimPathSeparator + name;
  }

 private:
  testsupport::TempDirectory dir_;
};

std::string Name(int32_t set, PackedTime slot, ClaimKind kind) {
  char name[ClaimNameSize];
  EXPECT_TRUE(FormatClaimName(name, sizeof name, set, slot, kind));
  return name;
}

#ifdef _WIN32
DWORD WINAPI RunWork(LPVOID work) {
  (*static_cast<std::function<void()>*>(work))();
  return 0;
}
#endif

// Runs every piece of work on a thread of its own, all at once.
void RunTogether(std::vector<std::function<void()>>& work) {
#ifdef _WIN32
  std::vector<HANDLE> threads;
  for (auto& w : work) threads.push_back(CreateThread(nullptr, 0, RunWork, &w, 0, nullptr));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, 60000));
  for (HANDLE t : threads) CloseHandle(t);
#else
  std::vector<std::thread> threads;
  for (auto& w : work) threads.emplace_back(w);
  for (auto& t : threads) t.join();
#endif
}

TEST(RunClaim, NamesReadBackAndEachKindIsKeptWhileALateClaimerMayCome) {
  for (int32_t set : {-5, 0, 2147483647})
    for (ClaimKind kind : {ClaimKind::Daily, ClaimKind::Run, ClaimKind::Startup, ClaimKind::Connect}) {
      ClaimName read = {};
      ASSERT_TRUE(ParseClaimName(Name(set, kNow + 59, kind).c_str(), read)) << Name(set, kNow, kind);
      EXPECT_EQ(set, read.SetNumber);
      EXPECT_EQ(kNow, read.Slot) << "the minute, not the second";
      EXPECT_EQ(kind, read.Kind);
    }
  EXPECT_EQ("Set-5-202612092200-daily.claim", Name(-5, kNow, ClaimKind::Daily));
  ClaimName read;
  for (const char* other : {"Set1-20261209220-run.claim", "Set1-202612092200-run.claim.tmp", "Set-202612092200-run.claim",
                            "Set1-202613092200-run.claim", "Set1-202612092200-weekly.claim", "Tickwarden.log", ""})
    EXPECT_FALSE(ParseClaimName(other, read)) << other;

  const struct {
    ClaimKind Kind;
    int64_t Age;  // seconds before now; negative: ahead
    bool Old;
  } cases[] = {
      {ClaimKind::Daily, 7 * kDay, false},    {ClaimKind::Daily, 8 * kDay + kMinute, true},
      {ClaimKind::Startup, kDay, false},      {ClaimKind::Startup, 2 * kDay + kMinute, true},
      {ClaimKind::Run, kHour, false},         {ClaimKind::Run, 2 * kHour + kMinute, true},
      {ClaimKind::Connect, 2 * kHour + kMinute, true}, {ClaimKind::Run, -kHour, false},
      {ClaimKind::Daily, -(kDay + kMinute), true},
  };
  for (const auto& c : cases) {
    ClaimName claim = {1, static_cast<PackedTime>(kNow - c.Age), c.Kind};
    EXPECT_EQ(c.Old, ClaimIsOld(claim, kNow)) << ClaimKindWord(c.Kind) << " " << c.Age;
  }
  // On the real calendar: a daily claim from the last day of February is a week old on 7 March.
  ClaimName february = {1, PackTime(2027, 2, 28, 22, 0, 0), ClaimKind::Daily};
  EXPECT_FALSE(ClaimIsOld(february, PackTime(2027, 3, 7, 22, 0, 0)));
}

// Each scheduler remembers its own claims; the first claim in a fresh
// repository also races to make its folders.
TEST(RunClaim, OneOfManyRacingSchedulersWinsEachRun) {
  Repository repo;
  const int kSchedulers = 8, kRuns = 12;
  std::vector<ClaimMemory> memories(kSchedulers, ClaimMemory());
  std::vector<std::vector<ClaimResult>> results(kSchedulers);
  std::atomic<int> ready(0);
  std::vector<std::function<void()>> work;
  for (int s = 0; s < kSchedulers; ++s)
    work.push_back([&, s] {
      ++ready;
      while (ready.load() < kSchedulers) {
      }
      for (int run = 0; run < kRuns; ++run)
        results[s].push_back(ClaimRun(repo.Path().c_str(), 3, kNow + run * kMinute, ClaimKind::Run, kNow, memories[s]));
    });
  RunTogether(work);
  for (int run = 0; run < kRuns; ++run) {
    int won = 0, taken = 0;
    for (int s = 0; s < kSchedulers; ++s) {
      ASSERT_EQ(static_cast<size_t>(kRuns), results[s].size());
      won += results[s][run] == ClaimResult::Won;
      taken += results[s][run] == ClaimResult::Taken;
    }
    EXPECT_EQ(1, won) << "run " << run;
    EXPECT_EQ(kSchedulers - 1, taken) << "run " << run;
  }
  EXPECT_EQ(static_cast<size_t>(kRuns), repo.Names().size());
  // Met again, a run is the winner's still, and nobody else's.
  for (int s = 0; s < kSchedulers; ++s)
    EXPECT_EQ(results[s][0], ClaimRun(repo.Path().c_str(), 3, kNow, ClaimKind::Run, kNow, memories[s]));

  unsigned long error = 0;
  const std::string aFile = Repository::Join(repo.Claims(), Name(3, kNow, ClaimKind::Run));
  EXPECT_EQ(ClaimResult::Unclaimed, ClaimRun(aFile.c_str(), 3, kNow, ClaimKind::Run, kNow, memories[0], &error));
  EXPECT_NE(0u, error);
}

TEST(RunClaim, AConnectSeenAMinuteApartIsOneRun) {
  Repository repo;
  const std::string root = repo.Path();
  ClaimMemory first = ClaimMemory(), second = ClaimMemory();
  EXPECT_EQ(ClaimResult::Won, ClaimRun(root.c_str(), 8, kNow, ClaimKind::Connect, kNow, first));
  EXPECT_EQ(ClaimResult::Taken, ClaimRun(root.c_str(), 8, kNow + kMinute, ClaimKind::Connect, kNow, second));
  EXPECT_EQ(ClaimResult::Won, ClaimRun(root.c_str(), 8, kNow + 3 * kMinute, ClaimKind::Connect, kNow, second));
  EXPECT_EQ(ClaimResult::Won, ClaimRun(root.c_str(), 8, kNow + 4 * kMinute, ClaimKind::Connect, kNow, second))
      << "its own claim of the minute before is no other scheduler's";
}

// A claim another scheduler made at its time.
std::string Plant(const Repository& repo, int32_t set, PackedTime slot, ClaimKind kind) {
  MakeClaimFolder(Repository::Join(repo.Path(), "Logs").c_str());
  MakeClaimFolder(repo.Claims().c_str());
  const std::string name = Name(set, slot, kind);
  unsigned long error;
  EXPECT_EQ(ClaimCreate::Created, CreateClaimFile(Repository::Join(repo.Claims(), name).c_str(), "x", 1, &error));
  return name;
}

TEST(RunClaim, OldClaimsAreSweptAfterAWinBounded) {
  Repository repo;
  const std::string root = repo.Path();
  const struct {
    PackedTime Slot;
    ClaimKind Kind;
    bool Kept;
  } claims[] = {
      {kNow - 3 * kHour, ClaimKind::Run, false},      {PackTime(2026, 11, 30, 21, 59, 0), ClaimKind::Daily, false},
      {kNow - 2 * kDay, ClaimKind::Daily, true},      {PackTime(2026, 12, 6, 22, 0, 0), ClaimKind::Startup, false},
      {kNow - 30 * kMinute, ClaimKind::Connect, true}, {kNow + 2 * kDay, ClaimKind::Run, false},
  };
  std::vector<std::string> kept = {"notes.txt"};  // not a claim: left alone
  for (const auto& c : claims) {
    const std::string name = Plant(repo, 1, c.Slot, c.Kind);
    if (c.Kept) kept.push_back(name);
  }
  unsigned long error;
  ASSERT_EQ(ClaimCreate::Created, CreateClaimFile(Repository::Join(repo.Claims(), "notes.txt").c_str(), "", 0, &error));

  ClaimMemory scheduler = ClaimMemory();
  ASSERT_EQ(ClaimResult::Won, ClaimRun(root.c_str(), 2, kNow, ClaimKind::Run, kNow, scheduler));
  kept.push_back(Name(2, kNow, ClaimKind::Run));
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(kept, repo.Names());

  // At most ClaimSweepRemovals go at once.
  for (size_t i = 0; i < ClaimSweepRemovals + 10; ++i) Plant(repo, 5, kNow - 10 * kHour + i * kMinute, ClaimKind::Run);
  const size_t before = repo.Names().size();
  ClaimMemory late = ClaimMemory();
  ASSERT_EQ(ClaimResult::Won, ClaimRun(root.c_str(), 6, kNow, ClaimKind::Run, kNow, late));
  EXPECT_EQ(before + 1 - ClaimSweepRemovals, repo.Names().size());
}

TEST(RunClaim, ADecidedRunIsClaimedByTheSlotItStandsFor) {
  BackupSetEntry daily = {}, interval = {};
  daily.ScheduleAutomatic = interval.ScheduleAutomatic = 1;
  daily.SchedulePerScheduleFlag = interval.SchedulePerScheduleFlag = 1;
  interval.ScheduleScheduledType = 1;
  const PackedTime now = kNow + 25, earlier = kNow - 2 * kHour;
  const PackedTime today = PackTime(2026, 12, 9, 0, 0, 0);
  const struct {
    BackupSetEntry* Entry;
    LaunchTrigger Trigger;
    SlotFinding::Kind Outcome;
    PackedTime Slot;
    ClaimKind Kind;
  } cases[] = {
      {&daily, LaunchTrigger::Schedule, SlotFinding::None, kNow, ClaimKind::Daily},
      {&daily, LaunchTrigger::Schedule, SlotFinding::Held, earlier, ClaimKind::Daily},
      {&daily, LaunchTrigger::CatchUp, SlotFinding::Missed, earlier, ClaimKind::Daily},
      {&interval, LaunchTrigger::Schedule, SlotFinding::None, kNow, ClaimKind::Run},
      {&interval, LaunchTrigger::Startup, SlotFinding::None, today, ClaimKind::Startup},
      {&daily, LaunchTrigger::Connect, SlotFinding::None, kNow, ClaimKind::Connect},
  };
  for (const auto& c : cases) {
    MinuteDecision d = {};
    d.Entry = c.Entry;
    d.Trigger = c.Trigger;
    d.Slots.Outcome = c.Outcome;
    d.Slots.LastSlot = c.Outcome == SlotFinding::None ? 0 : earlier;
    const RunSlot slot = ClaimSlotOf(d, now);
    EXPECT_EQ(c.Slot, slot.Slot) << LaunchTriggerWord(c.Trigger);
    EXPECT_EQ(c.Kind, slot.Kind) << LaunchTriggerWord(c.Trigger);
  }
}

}  // namespace
