// The timer tick: which sets run in an evaluated minute, which daily runs were
// held by the scheduler's own waits or missed while it could not evaluate,
// and the support-log lines and notices that go with them.
#include "scheduler/timer_tick.h"

#include <string.h>

#include <new>

#include "platform/bounded_text.h"
#include "schedule/minute_decision.h"
#include "schedule/minute_text.h"
#include "schedule/missed_runs.h"
#include "schedule/schedule.h"
#include "schedule/tick_trigger.h"
#include "scheduler/deferred_launch.h"
#include "scheduler/repository.h"
#include "scheduler/repository_worker.h"
#include "scheduler/run_claim.h"
#include "scheduler/scheduler_state.h"
#include "scheduler/session_identity.h"
#include "scheduler/settings_repository.h"
#include "scheduler/support_log.h"
#include "scheduler/tray_icon.h"
#include "scheduler/ui/tickwarden_ids.h"
#include "scheduler/ui/missed_notice.h"
#include "scheduler/ui/pre_backup_prompt.h"
#include "scheduler/ui/tray_icon_content.h"
#include "scheduler/wake_arming.h"
#include "settings/settings.h"

namespace {

const unsigned long kMillisecondsPerMinute = 60000;
const PackedTime kSecondsPerMinute = 60;
// A wall clock that moved this much more or less than the uptime did was set.
const int64_t kClockSlackSeconds = 90;
// Missed sets named in one notice; the balloon counts the rest.
const size_t kNoticeItems = 16;
// A support-log line's text.
const size_t kLineText = SupportLogLineBytes;
// PBT_APMRESUMEAUTOMATIC, Windows 98 and 2000 on: a timer woke the computer.
const WPARAM kResumeAutomatic = 0x12;

// The whole minute of a time, for the once-a-minute gate.
int WholeMinute(PackedTime t) { return static_cast<int>(t / kSecondsPerMinute); }

struct ClockReading {
  bool Valid;
  PackedTime Wall;
  unsigned long Uptime;
};

bool g_tickHeld;
bool g_stuck;      // a look hung past its bound and has not answered yet
int g_online = -1;  // as last logged: -1 not yet, 0 offline, 1 online
bool g_toldRead;
ClockReading g_clock;
PackedTime g_suspendedAt;

// Nothing happens in the first minutes after Windows starts. Once they have
// passed the scheduler stays settled: the counter wrapping after 49.7 days is
// no new start. A negative settle time means none.
bool Settled(unsigned long uptimeMs) {
  if (Scheduler.SettleTimePassed) return true;
  const unsigned long settle = Preferences.SettleTime > 0 ? static_cast<unsigned long>(Preferences.SettleTime) : 0;
  if (uptimeMs >= Scheduler.LastTick && uptimeMs / kMillisecondsPerMinute < settle) return false;
  Scheduler.SettleTimePassed = true;
  return true;
}

void Log(const char* word, const char* text) { SupportLogLine(word, text); }

void LogClock(PackedTime expected, PackedTime found) {
  char text[64];
  TextBuilder b(text, sizeof text);
  AddTimeText(b, expected, true);
  b.Add(" -> ");
  AddTimeText(b, found, true);
  Log("clock", text);
}

void NoteReachable(bool online, const char* repository) {
  const int now = online ? 1 : 0;
  if (g_online == now) return;
  g_online = now;
  Log(online ? "online" : "offline", repository);
}

// Where the wall clock would stand at uptimeMs had it run on with the uptime
// since the last reading (g_clock must be valid); counted on the real
// calendar, so that the end of a month shorter than 31 days is no jump.
PackedTime ExpectedWall(unsigned long uptimeMs) {
  return PackedFromRealSeconds(RealSeconds(g_clock.Wall) + static_cast<int64_t>((uptimeMs - g_clock.Uptime) / 1000));
}

// A wall clock that jumped against the uptime (set by hand, a daylight-saving
// change, a time server) makes the minutes it skipped "clock moved".
void ObserveClock(unsigned long uptimeMs, PackedTime now) {
  if (g_clock.Valid && g_suspendedAt == 0) {
    const int64_t wall = RealSeconds(now) - RealSeconds(g_clock.Wall);
    const int64_t up = static_cast<int64_t>((uptimeMs - g_clock.Uptime) / 1000);
    if (wall - up > kClockSlackSeconds || up - wall > kClockSlackSeconds) {
      Scheduler.History.NoteClockMoved();
      LogClock(ExpectedWall(uptimeMs), now);
    }
  }
  g_clock = {true, now, uptimeMs};
}

void NoteToldBefore(int32_t setNumber, PackedTime lastSlot, void*) { Scheduler.History.NoteTold(setNumber, lastSlot); }
void NoteHeldBefore(int32_t setNumber, PackedTime slot, HoldReason reason, void*) {
  Scheduler.History.NoteHeldAtStop(setNumber, slot, MissedReasonOfHold(reason));
}

// Missed runs told to this user in an earlier run of the scheduler are not
// told again; those told to other users logged on meanwhile are. The first
// look that found the repository read the end of its log.
void TakeToldFromLog(const RepositoryLook& look) {
  if (g_toldRead) return;
  g_toldRead = true;
  ReadMissedLogLines(look.LogTail, look.LogTailLength, SessionUserName(), NoteToldBefore, nullptr);
  ReadHeldAtStopLines(look.LogTail, look.LogTailLength, NoteHeldBefore, nullptr);
}

// The repository counts as offline: shown, logged once, and the minutes
// meanwhile are offline ones for missed runs.
void GoOffline(PackedTime now, const char* repository) {
  TrayModify(false, 0);
  Scheduler.History.NoteOffline(now);
  NoteReachable(false, repository);
}

// A look still under way: the tick runs again when it answers (its message)
// or when it has taken long enough to count as offline (this timer).
void WaitForLook() {
  if (HWND window = SchedulerWindow()) SetTimer(window, REPOSITORY_TIMER_ID, kRepositoryStuckMs + 100, nullptr);
}

void FormatForUser(PackedTime when, char* out, size_t outSize) {
  SchedulerTime->FormatPackedTime(when, out, static_cast<unsigned>(outSize));
}

// Missed runs and runs held now, in one notice: a second would hide the first.
void TellMissed(const MissedNoticeItem* items, size_t count) {
  HeldNoticeItem held[kNoticeItems];
  const size_t heldCount = TakeHeldNotices(held, kNoticeItems);
  if (count == 0 && heldCount == 0) return;
  char text[256] = "", tip[kTooltipFieldSize] = "", heldText[256];
  if (count > 0) {
    ComposeMissedNotice(items, count, FormatForUser, text, sizeof text);
    ComposeMissedTip(items, count, FormatForUser, tip, sizeof tip);
  }
  if (heldCount > 0) {
    ComposeHeldNotice(held, heldCount, heldText, sizeof heldText);
    TextBuilder(text + strlen(text), sizeof text - strlen(text)).Add(count > 0 ? "\n" : "").Add(heldText);
    if (count == 0) ComposeHeldTip(held, heldCount, tip, sizeof tip);
  }
  TrayNotice(count > 0 ? MissedNoticeTitle(count) : HeldNoticeTitle(heldCount), text, tip);
}

// Whether this scheduler launches a decided run: another one on the same
// repository (another user's, another machine's) may have claimed it first.
bool ClaimLaunch(const char* repository, const MinuteDecision& d, PackedTime now) {
  unsigned long error = 0;
  const RunSlot run = ClaimSlotOf(d, now);
  const ClaimResult claim = ClaimRunThroughWorker(repository, d.Entry->SetNumber, run, now, &error);
  if (claim == ClaimResult::Won) return true;
  char set[BackupSetNameLength * 4 + 32], slot[20], text[kLineText];
  FormatSetText(set, sizeof set, d.Entry->SetNumber, d.Entry->Name);
  FormatMinute(run.Slot, slot, sizeof slot);
  TextBuilder b(text, sizeof text);
  b.Add(set).Add(" ").Add(LaunchTriggerWord(d.Trigger)).Add(" ").Add(slot);
  if (claim == ClaimResult::Taken) {
    Log("taken", b.Add(": launched by another session").Text());
    return false;
  }
  if (claim == ClaimResult::Unanswered) b.Add(": the repository did not answer in time, launched here");
  else b.Add(": could not be made (error ").Number(error).Add("), launched here");
  Log("claim", b.Text());
  return true;
}

// Launches the decided runs that launch now, in order, each once claimed
// against the other schedulers on the repository.
void LaunchDecided(const char* repository, MinuteDecision* decisions, size_t count, PackedTime now,
                   const DateTimeParts& parts) {
  for (size_t i = 0; i < count; ++i) {
    const MinuteDecision& d = decisions[i];
    if (!Launches(d)) continue;
    d.Entry->LastRunTime = now;
    // A scheduler that is ending claims nothing it will not launch.
    if (!LaunchesEnded() && !ClaimLaunch(repository, d, now)) continue;
    char held[128] = "";
    if (d.Deferred.Outcome == Deferral::Released) {
      DescribeWait(d, now, held, sizeof held);
    } else if (d.Slots.Outcome == SlotFinding::Held) {
      char minute[20];
      FormatMinute(d.Slots.LastSlot, minute, sizeof minute);
      TextBuilder(held, sizeof held).Add("(due ").Add(minute).Add(", held while the scheduler was busy)");
    }
    LaunchAndLog(*d.Entry, LaunchTriggerWord(d.Trigger), held);
    TrayTip(NextBackupTime(now, parts));
  }
}

// Decides every set and logs its missed runs first; then launches, in list
// order, and only then tells the user of the missed runs: a balloon shown
// before a prompt would lie under it until the prompt closed.
void Evaluate(const char* repository, PackedTime now, const DateTimeParts& parts) {
  const size_t sets = CountBackupSets(BackupSetList);
  if (sets == 0) return;
  MinuteDecision* decisions = new (std::nothrow) MinuteDecision[sets];
  if (decisions == nullptr) return;
  size_t count =
      DecideMinute(BackupSetList, parts, Scheduler.History, Preferences.RunMissedBackups, TakeLookedConnectEvent, decisions, sets);
  count = HoldDecidedRuns(decisions, count, sets, now);
  MissedNoticeItem missed[kNoticeItems];
  size_t missedCount = 0;
  for (size_t i = 0; i < count; ++i) {
    const MinuteDecision& d = decisions[i];
    if (d.Slots.Outcome != SlotFinding::Missed) continue;
    const bool runsNow = d.Trigger == LaunchTrigger::CatchUp;
    const HoldReason waits = d.Deferred.Outcome == Deferral::Held ? d.Deferred.Reason : HoldReason::None;
    char text[kLineText];
    FormatMissedLogText(text, sizeof text, d.Entry->SetNumber, d.Entry->Name, d.Slots.LastSlot, d.Slots.Count,
                        MissedReasonText(d.Slots.Reason), runsNow, SessionUserName(), waits);
    Log("missed", text);
    // Past the notice's room each later set takes the last place; the log has them all.
    MissedNoticeItem& item = missed[missedCount < kNoticeItems ? missedCount++ : kNoticeItems - 1];
    CopyBounded(item.Name, sizeof item.Name, d.Entry->Name);
    item.LastSlot = d.Slots.LastSlot;
    item.Count = d.Slots.Count;
    item.Reason = d.Slots.Reason;
    item.RunsNow = runsNow;
    item.WaitsFor = waits;
  }
  LogHeldRuns(decisions, count);
  LaunchDecided(repository, decisions, count, now, parts);
  TellMissed(missed, missedCount);
  delete[] decisions;
}

// The runs held for power or the user whose reason is gone launch now, not
// at the next evaluated minute (plugged in, or somebody back after a wake).
void ReleaseHeldRunsNow() {
  if (!RunsHeld() || TrayMenuOpen()) return;
  const size_t sets = CountBackupSets(BackupSetList);
  MinuteDecision* decisions = sets ? new (std::nothrow) MinuteDecision[sets] : nullptr;
  if (decisions == nullptr) return;
  const PackedTime now = SchedulerNow();
  DateTimeParts parts;
  DateTimeUtil::UnpackTime(now, parts);
  LaunchDecided(RepositoryKnownPath(), decisions, HoldDecidedRuns(decisions, 0, sets, now), now, parts);
  delete[] decisions;
}

// The tooltip always names what 1031 would answer: a time whose minute
// passed unlaunched, or a clock set back, must not stay on screen.
void RefreshTip(PackedTime now) {
  DateTimeParts parts;
  DateTimeUtil::UnpackTime(now, parts);
  const PackedTime next = NextBackupTime(now, parts);
  if (TrayTipOutdated(next)) TrayTip(next);
}

}  // namespace

void StartTickHistory(PackedTime now, unsigned long uptimeMs) {
  // What earlier runs told is read back from the support log, not kept here.
  Scheduler.History = EvaluationHistory();
  Scheduler.History.Start(now);
  g_clock = {true, now, uptimeMs};
  g_suspendedAt = 0;
  g_tickHeld = false;
  g_online = -1;
  g_toldRead = false;
  g_stuck = false;
}

void NoteOwnWait(PackedTime from) {
  const PackedTime to = SchedulerNow();
  if (WholeMinute(to) > WholeMinute(from)) Scheduler.History.NoteStretch(StretchKind::OwnWait, from, to);
}

LaunchRoute LaunchAndLog(const BackupSetEntry& e, const char* trigger, const char* note) {
  const LaunchRoute route = LaunchSetVia(e, trigger);
  if (LastLaunchLogged()) return route;
  char set[BackupSetNameLength * 4 + 32];
  FormatSetText(set, sizeof set, e.SetNumber, e.Name);
  char text[kLineText];
  if (route != LaunchRoute::Ended && LastPrompt.Ending != PromptEnding::NotShown) {
    TextBuilder b(text, sizeof text);
    b.Add(set).Add(LastPrompt.Ending == PromptEnding::StartNow ? " start now"
                   : LastPrompt.Ending == PromptEnding::Skip   ? " skip"
                                                               : " countdown ended");
    if (LastPrompt.PausedMs > 0) b.Add(", paused ").Number((LastPrompt.PausedMs + 500) / 1000).Add(" s");
    Log("prompt", text);
  }
  if (route != LaunchRoute::Skipped) {
    TextBuilder b(text, sizeof text);
    b.Add(set).Add(" ").Add(trigger).Add(" ").Add(LaunchRouteText(route));
    if (note && *note) b.Add(" ").Add(note);
    Log("launch", text);
  }
  return route;
}

void TimerTick() { TimerTickAt(GetTickCount(), SchedulerNow()); }

void TimerTickAt(unsigned long uptimeMs, PackedTime now) {
  ObserveClock(uptimeMs, now);
  KeepAwakeTick(uptimeMs, now);
  TrayAddIfMissing();
  // The menu's modal loop runs this timer too, and a launch waiting for its
  // prompt answers every message: nothing may start under either.
  if (TrayMenuOpen() || LaunchUnderWay()) {
    g_tickHeld = true;
    return;
  }
  if (!Settled(uptimeMs)) return;
  Scheduler.LastTick = uptimeMs;

  DateTimeParts parts;
  DateTimeUtil::UnpackTime(now, parts);

  RepositoryLook look;
  switch (LookAtRepository(look, !g_toldRead)) {
    case RepositoryAnswer::Waiting:
      WaitForLook();
      return;
    case RepositoryAnswer::Stuck:
      // No second look while one hangs; the repository is offline meanwhile.
      g_stuck = true;
      GoOffline(now, RepositoryKnownPath());
      return;
    case RepositoryAnswer::Ready:
      break;
  }
  if (g_stuck) {
    // What answered after hanging is news, whatever the media watch saw.
    g_stuck = false;
    look.Changed = 1;
    if (look.Located == 1 && g_online == 0) NoteLookedConnectEvent();
  }
  if (look.Changed == 1) {
    if (look.Located == 1) {
      // A load that does not answer at once is taken when it does.
      int loaded = -1;
      LoadSettingsThroughWorker(loaded);
      TrayModify(true, NextBackupTime(now, parts));
    } else {
      GoOffline(now, look.Path);
      return;
    }
  } else if (WholeMinute(now) == Scheduler.LastEvaluatedMinute) {
    return;
  }
  Scheduler.LastEvaluatedMinute = WholeMinute(now);

  if (look.Located != 1) {
    GoOffline(now, look.Path);
    return;
  }
  Scheduler.History.NoteOnline(now);
  NoteReachable(true, look.Path);
  TakeToldFromLog(look);
  if (look.HaveStamp) CheckConfigStamp(look.Stamp, uptimeMs);

  Evaluate(look.Path, now, parts);
  Scheduler.History.Evaluated(now);
  RefreshTip(now);
  RearmWakeIfChanged();
}

void RunHeldTick() {
  if (!g_tickHeld) return;
  g_tickHeld = false;
  TimerTick();
}

void OnTimeChange() {
  const unsigned long uptime = GetTickCount();
  const PackedTime now = SchedulerNow();
  if (g_clock.Valid) {
    const PackedTime expected = ExpectedWall(uptime);
    if (WholeMinute(expected) != WholeMinute(now)) {
      LogClock(expected, now);
      Scheduler.History.NoteClockMoved();
    }
  }
  g_clock = {true, now, uptime};
  TimerTickAt(uptime, now);
  RefreshTip(now);
  RearmWake("after a time change");
}

void OnPowerEvent(WPARAM event) {
  const PackedTime now = SchedulerNow();
  switch (event) {
    case PBT_APMSUSPEND:
    case PBT_APMSTANDBY:
      if (g_suspendedAt == 0) {
        Log("power", "suspend");
        g_suspendedAt = now;
      }
      WakeAtSuspend();
      return;
    case PBT_APMPOWERSTATUSCHANGE:
      // Plugged in or out: held runs may go now, and the wake follows the power.
      ReleaseHeldRunsNow();
      RearmWakeIfChanged();
      return;
    case PBT_APMRESUMESUSPEND:
    case PBT_APMRESUMESTANDBY:
    case PBT_APMRESUMECRITICAL:
    case kResumeAutomatic:
      break;
    default:
      return;
  }
  // Windows 98 and later send an automatic resume and then, once the user is
  // back, another; a critical resume comes without any suspend before it.
  const PackedTime since = g_suspendedAt != 0 ? g_suspendedAt : (g_clock.Valid ? g_clock.Wall : now);
  if (g_suspendedAt != 0 || event == PBT_APMRESUMECRITICAL) Log("power", "resume");
  Scheduler.History.NoteStretch(StretchKind::Asleep, since, now);
  g_suspendedAt = 0;
  const unsigned long uptime = GetTickCount();
  g_clock = {true, now, uptime};
  WakeAtResume(event == kResumeAutomatic);
  TimerTickAt(uptime, now);
  // Somebody is back after a wake: what waited for that need not wait for the next minute.
  ReleaseHeldRunsNow();
  RefreshTip(now);
}
