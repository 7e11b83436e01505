// Runs held for power and the user in the running scheduler.
#include "scheduler/deferred_launch.h"

#include <new>

#include "platform/bounded_text.h"
#include "schedule/missed_runs.h"
#include "scheduler/foreground_window.h"
#include "scheduler/power_status.h"
#include "scheduler/scheduler_state.h"
#include "scheduler/support_log.h"
#include "settings/settings.h"

namespace {

// The runs held now: made when the first is held, so that the program's file
// carries no room for them (a zero global still takes room there).
DeferredRuns* g_held;
// The runs held since they were last told, told by name when the minute's notice comes.
const size_t kTold = 16;
struct ToTell {
  int32_t SetNumber;
  HoldReason Reason;
} g_toTell[kTold];
size_t g_toTellCount;
bool g_unattended;
int g_loggedBattery = -1;  // the power last logged: -1 not yet, 0 mains, 1 battery

// Null when there is no room for it: then nothing is held, so nothing is lost.
DeferredRuns* Held() {
  if (g_held == nullptr) g_held = new (std::nothrow) DeferredRuns();
  return g_held;
}
bool NothingHeld() { return g_held == nullptr || g_held->Empty(); }

BackupSetEntry* SetNumbered(int32_t setNumber) {
  for (BackupSetEntry* e = BackupSetList; e; e = e->next)
    if (e->SetNumber == setNumber) return e;
  return nullptr;
}

// What the preferences ask for, read now; a change of power is logged once.
HoldConditions ReadConditions(const DeferPreferences& p) {
  const ConditionsToRead read = ConditionsFor(p, g_unattended);
  HoldConditions c = {false, false, false, -1, g_unattended};
  if (read.Power) {
    c.OnBattery = RunsOnBattery();
    if (g_loggedBattery != (c.OnBattery ? 1 : 0)) {
      g_loggedBattery = c.OnBattery ? 1 : 0;
      SupportLogLine("power", c.OnBattery ? "on battery" : "on mains");
    }
  }
  if (read.FrontWindow) {
    const FrontWindow front = LookAtFrontWindow();
    c.FullScreen = front.FullScreen;
    c.ScreenSaver = front.ScreenSaver;
  }
  if (read.Idle) c.IdleMinutes = IdleMinutesNow();
  return c;
}

void Tell(const MinuteDecision& d) {
  // A made-up run that waits is told with its missed run.
  if (d.Trigger == LaunchTrigger::CatchUp) return;
  g_toTell[g_toTellCount < kTold ? g_toTellCount++ : kTold - 1] = {d.Entry->SetNumber, d.Deferred.Reason};
}

}  // namespace

size_t HoldDecidedRuns(MinuteDecision* decisions, size_t count, size_t capacity, PackedTime now) {
  const DeferPreferences p = Preferences.Defer;
  if (NothingHeld() && (!ConditionsFor(p, g_unattended).Any() || !AnyLaunch(decisions, count))) return count;
  DeferredRuns* held = Held();
  if (held == nullptr) return count;
  const HoldConditions c = ReadConditions(p);
  count = HoldMinute(BackupSetList, decisions, count, capacity, *held, p, c, now);
  for (size_t i = 0; i < count; ++i)
    if (decisions[i].Deferred.Outcome == Deferral::Held) Tell(decisions[i]);
  return count;
}

void LogHeldRuns(const MinuteDecision* decisions, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const MinuteDecision& d = decisions[i];
    if (d.Deferred.Outcome != Deferral::Held) continue;
    char text[SupportLogLineBytes];
    FormatDeferredLogText(text, sizeof text, d.Entry->SetNumber, d.Entry->Name, LaunchTriggerWord(d.Trigger),
                          d.Deferred.Slot, d.Deferred.Reason, Preferences.Defer.DeferLimitMinutes, false);
    SupportLogLine("deferred", text);
  }
}

void DescribeWait(const MinuteDecision& d, PackedTime now, char* out, size_t outSize) {
  if (outSize == 0) return;
  out[0] = '\0';
  if (d.Deferred.Outcome != Deferral::Released) return;
  FormatWaitedNote(out, outSize, d.Deferred.Slot, MinutesBetween(d.Deferred.Since, now),
                   d.Deferred.Reasons, d.Deferred.LimitReached);
}

size_t TakeHeldNotices(HeldNoticeItem* out, size_t capacity) {
  size_t n = 0;
  for (size_t i = 0; i < g_toTellCount && n < capacity; ++i) {
    const BackupSetEntry* e = SetNumbered(g_toTell[i].SetNumber);
    if (e == nullptr) continue;
    HeldNoticeItem& item = out[n++];
    CopyBounded(item.Name, sizeof item.Name, e->Name);
    item.Reason = g_toTell[i].Reason;
    item.IdleMinutes = Preferences.Defer.WaitForIdleMinutes;
    item.LimitMinutes = Preferences.Defer.DeferLimitMinutes;
  }
  g_toTellCount = 0;
  return n;
}

bool RunsHeld() { return !NothingHeld(); }

void LogHeldRunsAtStop() {
  if (NothingHeld()) return;
  const DeferPreferences p = Preferences.Defer;
  DeferredRuns& held = *g_held;
  for (size_t i = 0; i < held.Count(); ++i) {
    const HeldRun& run = held.At(i);
    const BackupSetEntry* e = SetNumbered(run.SetNumber);
    char text[SupportLogLineBytes];
    FormatDeferredLogText(text, sizeof text, run.SetNumber, e ? e->Name : "", LaunchTriggerWord(run.Trigger),
                          run.Slot, run.Reason, p.DeferLimitMinutes, true);
    SupportLogLine("deferred", text);
  }
  held.Clear();
}

void NoteUnattendedWake(bool unattended) { g_unattended = unattended; }

bool HeldNow(int32_t setNumber, bool* onBattery) {
  HeldRun* run = NothingHeld() ? nullptr : g_held->Find(setNumber);
  if (onBattery) *onBattery = run && run->Reason == HoldReason::OnBattery;
  return run != nullptr;
}

void AddWaitsToSettingsText(TextBuilder& b) {
  const DeferPreferences p = Preferences.Defer;
  bool wake = false;
  for (const BackupSetEntry* e = BackupSetList; e; e = e->next) wake = wake || e->ScheduleWakeFlag == 1;
  if (!ConditionsFor(p, false).Any() && !wake) return;
  b.Add("; defer on battery ").Number(p.DeferOnBattery).Add(", wake on battery ").Number(p.WakeOnBattery)
      .Add(", defer while full screen ").Number(p.DeferWhileFullScreen).Add(", wait for idle ")
      .Number(p.WaitForIdleMinutes).Add(" min");
  if (p.WaitForIdleMinutes > 0 && !IdleTimeKnown()) b.Add(" (not available on this Windows)");
  b.Add(", defer limit ").Number(p.DeferLimitMinutes).Add(" min");
}
