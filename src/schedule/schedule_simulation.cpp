// Replays the tick's decisions over wall-clock minutes.
#include "schedule/schedule_simulation.h"

#include <string.h>

#include "schedule/minute_decision.h"
#include "schedule/missed_runs.h"
#include "schedule/wake_time.h"

namespace {

bool SameMinute(const DateTimeParts& a, const DateTimeParts& b) {
  return a.Year == b.Year && a.Month == b.Month && a.Day == b.Day && a.Hour == b.Hour && a.Minute == b.Minute;
}

PackedTime Packed(DateTimeParts p) {
  p.Second = 0;
  return DateTimeUtil::PackTime(p);
}

// The off stretch the minute lies in (From included, To not), or null.
const SimulatedOff* OffAt(const SimulationOptions& o, const DateTimeParts& wall) {
  const PackedTime t = Packed(wall);
  for (const SimulatedOff& off : o.Off)
    if (Packed(off.From) <= t && t < Packed(off.To)) return &off;
  return nullptr;
}

bool Within(const std::vector<SimulatedStretch>& stretches, PackedTime t) {
  for (const SimulatedStretch& s : stretches)
    if (Packed(s.From) <= t && t < Packed(s.To)) return true;
  return false;
}

// Nobody at the keyboard before the first busy stretch: idle for ever.
const long kIdleForEver = 1L << 30;

HoldConditions ConditionsAt(const SimulationOptions& o, PackedTime t) {
  HoldConditions c = {Within(o.OnBattery, t), Within(o.FullScreen, t), false, kIdleForEver, false};
  for (const SimulatedStretch& s : o.Busy) {
    const PackedTime from = Packed(s.From), to = Packed(s.To);
    if (from <= t && t < to) {
      c.IdleMinutes = 0;
      break;
    }
    if (to <= t && MinutesBetween(to, t) < c.IdleMinutes) c.IdleMinutes = MinutesBetween(to, t);
  }
  return c;
}

SimulatedLaunch Event(const DateTimeParts& minute, const BackupSetEntry& e) {
  SimulatedLaunch l;
  l.Minute = minute;
  l.SetNumber = e.SetNumber;
  l.Trigger = LaunchTrigger::None;
  memcpy(l.Name, e.Name, sizeof l.Name);
  l.Name[BackupSetNameLength] = '\0';
  return l;
}

}  // namespace

std::vector<SimulatedLaunch> SimulateScheduleTicks(BackupSetEntry* head, DateTimeParts start, long minutes,
                                                   const SimulationOptions& options) {
  std::vector<SimulatedLaunch> out;
  DateTimeParts wall = start;
  wall.Second = 0;
  EvaluationHistory history;
  history.StartRunning(Packed(wall));
  bool off = false;
  long settleLeft = 0;          // minutes after a start before the first evaluation
  PackedTime lastEvaluated = 0;  // the tick's once-a-minute gate
  bool evaluatedAny = false;
  const size_t setCount = CountBackupSets(head);
  std::vector<MinuteDecision> decisions;
  DeferredRuns held;
  // The wake last armed: its set and slot (0: none), and whether one was reported.
  int32_t wakeSet = 0;
  PackedTime wakeSlot = 0;
  bool wakeReported = false;

  for (long i = 0; i < minutes; ++i, AdvanceWallClockMinute(wall)) {
    for (const SimulatedClockSet& c : options.ClockSets)
      if (SameMinute(c.At, wall)) {
        wall = c.To;
        wall.Second = 0;
        history.NoteClockMoved();
        break;
      }
    if (!IsRealMinute(wall)) break;
    if (OffAt(options, wall) != nullptr) {
      if (!off) {
        // Held runs stop with the scheduler; the next start finds them missed.
        for (size_t h = 0; h < held.Count(); ++h)
          history.NoteHeldAtStop(held.At(h).SetNumber, held.At(h).Slot, MissedReasonOfHold(held.At(h).Reason));
        held.Clear();
      }
      off = true;
      continue;
    }
    if (off) {  // the computer starts again now
      off = false;
      history.Start(Packed(wall));
      settleLeft = options.SettleMinutes > 0 ? options.SettleMinutes : 0;
    }
    if (settleLeft > 0) {
      --settleLeft;
      continue;
    }
    const PackedTime now = Packed(wall);
    if (evaluatedAny && now == lastEvaluated) continue;
    lastEvaluated = now;
    evaluatedAny = true;

    decisions.resize(setCount);
    size_t count = DecideMinute(head, wall, history, options.RunMissed, nullptr, decisions.data(), setCount);
    const HoldConditions conditions = ConditionsAt(options, now);
    count = HoldMinute(head, decisions.data(), count, setCount, held, options.Defer, conditions, now);
    decisions.resize(count);
    for (const MinuteDecision& d : decisions) {
      if (d.Slots.Outcome == SlotFinding::Missed) {
        SimulatedLaunch m = Event(wall, *d.Entry);
        m.Missed = true;
        m.MissedCount = d.Slots.Count;
        m.Reason = d.Slots.Reason;
        DateTimeUtil::UnpackTime(d.Slots.LastSlot, m.LastMissed);
        out.push_back(m);
      }
      if (d.Deferred.Outcome == Deferral::Held) {
        SimulatedLaunch h = Event(wall, *d.Entry);
        h.Trigger = d.Trigger;
        h.Deferred = true;
        h.Hold = d.Deferred.Reason;
        out.push_back(h);
      }
      if (!Launches(d)) continue;
      d.Entry->LastRunTime = now;
      SimulatedLaunch l = Event(wall, *d.Entry);
      l.Trigger = d.Trigger;
      if (d.Deferred.Outcome == Deferral::Released) {
        l.WaitedFor = d.Deferred.Reasons;
        l.WaitedMinutes = MinutesBetween(d.Deferred.Since, now);
        l.LimitReached = d.Deferred.LimitReached;
      }
      out.push_back(l);
    }
    history.Evaluated(now);

    if (options.Wakes) {
      // Armed after every evaluation whose answer changed; none on battery
      // unless WakeOnBattery says so.
      const WakeChoice w = ChooseWake(head, now, wall);
      const bool armed = w.Entry != nullptr && (options.Defer.WakeOnBattery == 1 || !conditions.OnBattery);
      const int32_t set = w.Entry ? w.Entry->SetNumber : 0;
      const PackedTime slot = armed ? w.Slot : 0;
      if (w.Entry != nullptr && (!wakeReported || set != wakeSet || slot != wakeSlot)) {
        SimulatedLaunch k = Event(wall, *w.Entry);
        k.Wake = true;
        k.WakeArmed = armed;
        DateTimeUtil::UnpackTime(w.Slot, k.WakeSlot);
        out.push_back(k);
      }
      wakeReported = wakeReported || w.Entry != nullptr;
      wakeSet = set;
      wakeSlot = slot;
    }
  }
  return out;
}
