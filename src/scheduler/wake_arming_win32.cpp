// Arming the wake timer and keeping a woken computer awake.
#include "scheduler/wake_arming.h"

#include <windows.h>

#include "common/program_messages.h"
#include "platform/bounded_text.h"
#include "schedule/deferred_runs.h"
#include "schedule/minute_text.h"
#include "schedule/wake_time.h"
#include "scheduler/deferred_launch.h"
#include "scheduler/power_status.h"
#include "scheduler/scheduler_state.h"
#include "scheduler/support_log.h"
#include "scheduler/wake_timer.h"
#include "settings/settings.h"

namespace {

// What was last done: armed for (set, slot) at due, or kept off on battery.
struct Armed {
  bool Valid;
  int32_t SetNumber;
  PackedTime Slot;
  int64_t Due;
  bool OffOnBattery;
};

WakeTimer g_timer;
Armed g_armed;
bool g_unavailableTold;
KeepAwake g_keep;

ZoneChange ChangeOf(const SYSTEMTIME& t) { return {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute}; }

ZoneRules ZoneRulesNow() {
  TIME_ZONE_INFORMATION tz;
  ZoneRules zone = {0, 0, 0, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}};
  if (GetTimeZoneInformation(&tz) == TIME_ZONE_ID_INVALID) return zone;
  zone.Bias = tz.Bias;
  zone.StandardBias = tz.StandardBias;
  zone.DaylightBias = tz.DaylightBias;
  zone.ToStandard = ChangeOf(tz.StandardDate);
  zone.ToDaylight = ChangeOf(tz.DaylightDate);
  return zone;
}

BackupSetEntry* SetNumbered(int32_t setNumber) {
  for (BackupSetEntry* e = BackupSetList; e; e = e->next)
    if (e->SetNumber == setNumber) return e;
  return nullptr;
}

void LogWake(const BackupSetEntry& e, PackedTime slot, const char* outcome) {
  char text[SupportLogLineBytes];
  FormatWakeLogText(text, sizeof text, e.SetNumber, e.Name, slot, outcome);
  SupportLogLine("wake", text);
}

void Arm(const BackupSetEntry& e, PackedTime slot, PackedTime wakeAt, int64_t due, const char* why) {
  unsigned long error = 0;
  const WakeArming result = g_timer.Arm(due, &error);
  g_armed = {true, e.SetNumber, slot, due, false};
  char outcome[200];
  TextBuilder b(outcome, sizeof outcome);
  if (result == WakeArming::Unavailable) {
    // Said once: on Windows 95 every later try fails the same way.
    if (g_unavailableTold) return;
    g_unavailableTold = true;
    b.Add("not armed, this Windows has no wake timers");
    if (error != 0) b.Add(" (error ").Number(static_cast<long long>(error)).Add(")");
    LogWake(e, slot, outcome);
    return;
  }
  DateTimeParts at;
  DateTimeUtil::UnpackTime(wakeAt, at);
  b.Add("armed to wake at ").Number(at.Hour, 2).Add(":").Number(at.Minute, 2);
  if (why) b.Add(" (").Add(why).Add(")");
  if (result == WakeArming::CannotWake)
    b.Add("; the system says it cannot wake the computer by it (error ").Number(static_cast<long long>(error)).Add(")");
  LogWake(e, slot, outcome);
}

void Rearm(const char* why) {
  if (SchedulerTime == nullptr) return;
  const PackedTime now = SchedulerNow();
  DateTimeParts parts;
  DateTimeUtil::UnpackTime(now, parts);
  const WakeChoice w = ChooseWake(BackupSetList, now, parts);
  if (w.Entry == nullptr) {
    if (g_armed.Valid && !g_armed.OffOnBattery) g_timer.Cancel();
    g_armed.Valid = false;
    return;
  }
  // No wake on battery unless asked for: the power is read only for a set to wake for.
  const bool offOnBattery = Preferences.Defer.WakeOnBattery != 1 && RunsOnBattery();
  const PackedTime wakeAt = WakeLocalTime(w.Slot, now);
  const int64_t due = UniversalFileTimeOfLocal(wakeAt, ZoneRulesNow());
  const bool same = g_armed.Valid && g_armed.SetNumber == w.Entry->SetNumber && g_armed.Slot == w.Slot &&
                    g_armed.Due == due && g_armed.OffOnBattery == offOnBattery;
  if (same && why == nullptr) return;
  if (offOnBattery) {
    g_timer.Cancel();
    if (!same) LogWake(*w.Entry, w.Slot, "not armed, on battery");
    g_armed = {true, w.Entry->SetNumber, w.Slot, due, true};
    return;
  }
  Arm(*w.Entry, w.Slot, wakeAt, due, why);
}

void LetSleep(const char* why) {
  KeepSystemAwake(false);
  g_keep.Active = false;
  char text[200];
  TextBuilder(text, sizeof text).Add("may sleep again: ").Add(why);
  SupportLogLine("power", text);
}

}  // namespace

void RearmWake(const char* why) { Rearm(why ? why : "again"); }

void RearmWakeIfChanged() { Rearm(nullptr); }

void WakeAtSuspend() {
  if (!g_armed.Valid || g_armed.OffOnBattery || Preferences.Defer.WakeOnBattery == 1 || !RunsOnBattery()) return;
  g_timer.Cancel();
  g_armed.OffOnBattery = true;
  if (const BackupSetEntry* e = SetNumbered(g_armed.SetNumber)) LogWake(*e, g_armed.Slot, "cancelled, on battery at suspend");
}

void WakeAtResume(bool automatic) {
  const PackedTime now = SchedulerNow();
  // Our own wake, before anybody is back; the user's resume follows the
  // automatic one once somebody is. Another program's wake changes nothing.
  const bool ours = automatic && g_armed.Valid && !g_armed.OffOnBattery && WakeIsForSlot(g_armed.Slot, now);
  NoteUnattendedWake(ours);
  if (ours && !g_keep.Active) {
    const BackupSetEntry* e = SetNumbered(g_armed.SetNumber);
    // Woken on battery without WakeOnBattery: nothing starts, and the system sleeps again.
    if (e && (Preferences.Defer.WakeOnBattery == 1 || !RunsOnBattery()) && KeepSystemAwake(true)) {
      g_keep = {true, e->SetNumber, g_armed.Slot, GetTickCount(), 0, false, false};
      char set[BackupSetNameLength * 4 + 32], minute[20], text[SupportLogLineBytes];
      FormatSetText(set, sizeof set, e->SetNumber, e->Name);
      FormatMinute(g_armed.Slot, minute, sizeof minute);
      TextBuilder(text, sizeof text).Add("woken for ").Add(set).Add(" ").Add(minute).Add(": kept awake for the run");
      SupportLogLine("power", text);
    }
  }
  RearmWake("after a resume");
}

void KeepAwakeTick(unsigned long uptimeMs, PackedTime now) {
  if (!g_keep.Active) return;
  const BackupSetEntry* e = SetNumbered(g_keep.SetNumber);
  bool heldOnBattery = false;
  const bool held = HeldNow(g_keep.SetNumber, &heldOnBattery);
  const AwakeFacts facts = {now, static_cast<uint32_t>(uptimeMs), e != nullptr, e ? e->LastRunTime : 0, held,
                            heldOnBattery, FindWindowA(tw::kMainProgramClass, nullptr) != nullptr};
  if (const char* why = KeepAwakeVerdict(g_keep, facts)) LetSleep(why);
}
