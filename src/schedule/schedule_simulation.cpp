// Replays the tick's decisions over wall-clock minutes.
#include "schedule/schedule_simulation.h"

#include <string.h>

#include "schedule/minute_decision.h"
#include "schedule/missed_runs.h"

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
    decisions.resize(DecideMinute(head, wall, history, options.RunMissed, nullptr, decisions.data(), setCount));
    for (const MinuteDecision& d : decisions) {
      if (d.Slots.Outcome == SlotFinding::Missed) {
        SimulatedLaunch m = Event(wall, *d.Entry);
        m.Missed = true;
        m.MissedCount = d.Slots.Count;
        m.Reason = d.Slots.Reason;
        DateTimeUtil::UnpackTime(d.Slots.LastSlot, m.LastMissed);
        out.push_back(m);
      }
      if (d.Trigger == LaunchTrigger::None) continue;
      d.Entry->LastRunTime = now;
      SimulatedLaunch l = Event(wall, *d.Entry);
      l.Trigger = d.Trigger;
      out.push_back(l);
    }
    history.Evaluated(now);
  }
  return out;
}
