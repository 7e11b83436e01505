// The missed-slot rule of daily sets and the history it is judged against.
#include "schedule/missed_runs.h"

#include <stddef.h>

#include "schedule/real_calendar.h"
#include "schedule/schedule.h"

namespace {

const int32_t kTypeDailyAtTime = 0;
const PackedTime kSecondsPerMinute = 60;
const int64_t kSecondsPerDay = 86400;
PackedTime MinuteStart(PackedTime t) { return t - t % kSecondsPerMinute; }

bool Holds(const TimeStretch& s, PackedTime slot) { return MinuteStart(s.From) <= slot && slot <= s.To; }

}  // namespace

const char* MissedReasonText(MissedReason reason) {
  switch (reason) {
    case MissedReason::NotRunning: return "not running";
    case MissedReason::SettleTime: return "settle time";
    case MissedReason::ClockMoved: return "clock moved";
    case MissedReason::Offline: return "offline";
    case MissedReason::OnBattery: return "on battery";
    case MissedReason::FullScreen: return "full screen";
    case MissedReason::UserActive: return "user active";
    default: return "asleep";
  }
}

int64_t RealSeconds(PackedTime t) {
  DateTimeParts p;
  DateTimeUtil::UnpackTime(t, p);
  return RealDayNumber(p) * kSecondsPerDay + (static_cast<int64_t>(p.Hour) * MinutesPerHour + p.Minute) * 60 +
         p.Second;
}

PackedTime PackedFromRealSeconds(int64_t seconds) {
  if (seconds < 0) return 0;
  DateTimeParts p = {};
  SetRealDate(seconds / kSecondsPerDay, p);
  const int64_t inDay = seconds % kSecondsPerDay;
  p.Hour = static_cast<int32_t>(inDay / 3600);
  p.Minute = static_cast<int32_t>(inDay / 60 % 60);
  p.Second = static_cast<int32_t>(inDay % 60);
  return DateTimeUtil::PackTime(p);
}

void EvaluationHistory::Start(PackedTime schedulerStart) {
  first_ = true;
  lookBack_ = true;
  clockMoved_ = false;
  offlineOpen_ = false;
  start_ = schedulerStart;
  previous_ = 0;
  stretchCount_ = 0;
}

void EvaluationHistory::StartRunning(PackedTime minute) {
  Start(minute);
  lookBack_ = false;
}

void EvaluationHistory::NoteStretch(StretchKind kind, PackedTime from, PackedTime to) {
  if (to < from) return;
  if (stretchCount_ == MaxTimeStretches) {
    TimeStretch& last = stretches_[stretchCount_ - 1];
    if (from < last.From) last.From = from;
    if (to > last.To) last.To = to;
    return;
  }
  stretches_[stretchCount_++] = {kind, from, to};
}

void EvaluationHistory::NoteOffline(PackedTime now) {
  if (offlineOpen_ && stretchCount_ > 0 && stretches_[stretchCount_ - 1].Kind == StretchKind::Offline) {
    TimeStretch& open = stretches_[stretchCount_ - 1];
    if (now > open.To) open.To = now;
    return;
  }
  offlineOpen_ = true;
  NoteStretch(StretchKind::Offline, now, now);
}

void EvaluationHistory::NoteOnline(PackedTime now) {
  if (!offlineOpen_) return;
  offlineOpen_ = false;
  if (stretchCount_ > 0 && stretches_[stretchCount_ - 1].Kind == StretchKind::Offline &&
      now > stretches_[stretchCount_ - 1].To)
    stretches_[stretchCount_ - 1].To = now;
}

void EvaluationHistory::Evaluated(PackedTime minute) {
  first_ = false;
  clockMoved_ = false;
  previous_ = MinuteStart(minute);
  // What ends before this minute can hold no later slot; an open offline
  // stretch stays until the repository returns.
  size_t kept = 0;
  for (size_t i = 0; i < stretchCount_; ++i)
    if (stretches_[i].To >= previous_) stretches_[kept++] = stretches_[i];
  stretchCount_ = kept;
}

void EvaluationHistory::NoteTold(int32_t setNumber, PackedTime lastSlot) {
  for (size_t i = 0; i < toldCount_; ++i)
    if (told_[i].SetNumber == setNumber) {
      if (lastSlot > told_[i].LastSlot) told_[i].LastSlot = lastSlot;
      return;
    }
  if (toldCount_ < MaxToldSets) {
    told_[toldCount_++] = {setNumber, lastSlot};
    return;
  }
  told_[toldNext_] = {setNumber, lastSlot};
  toldNext_ = (toldNext_ + 1) % MaxToldSets;
}

PackedTime EvaluationHistory::ToldUpTo(int32_t setNumber) const {
  for (size_t i = 0; i < toldCount_; ++i)
    if (told_[i].SetNumber == setNumber) return told_[i].LastSlot;
  return 0;
}

void EvaluationHistory::NoteHeldAtStop(int32_t setNumber, PackedTime slot, MissedReason reason) {
  for (size_t i = 0; i < heldAtStopCount_; ++i)
    if (heldAtStop_[i].SetNumber == setNumber) {
      // The later stop tells about the later slots.
      if (slot >= heldAtStop_[i].Slot) heldAtStop_[i] = {setNumber, slot, reason};
      return;
    }
  if (heldAtStopCount_ < MaxHeldAtStop) heldAtStop_[heldAtStopCount_++] = {setNumber, slot, reason};
}

bool EvaluationHistory::HeldAtStop(int32_t setNumber, PackedTime slot, MissedReason& reason) const {
  for (size_t i = 0; i < heldAtStopCount_; ++i)
    if (heldAtStop_[i].SetNumber == setNumber && slot <= heldAtStop_[i].Slot) {
      reason = heldAtStop_[i].Reason;
      return true;
    }
  return false;
}

bool EvaluationHistory::StretchHolding(PackedTime slot, StretchKind kind) const {
  for (size_t i = 0; i < stretchCount_; ++i)
    if (stretches_[i].Kind == kind && Holds(stretches_[i], slot)) return true;
  return false;
}

bool HasDailySlots(const BackupSetEntry& e) {
  return e.ScheduleAutomatic == 1 && e.ScheduleScheduledType == kTypeDailyAtTime && e.SchedulePerScheduleFlag != 0;
}

SlotFinding FindDailySlots(const BackupSetEntry& e, PackedTime nowMinute, const EvaluationHistory& history) {
  SlotFinding finding;
  if (!HasDailySlots(e)) return finding;
  const int32_t b = e.ScheduleBackupTimeHour * MinutesPerHour + e.ScheduleBackupTimeMinute;
  if (e.ScheduleBackupTimeHour < 0 || e.ScheduleBackupTimeHour >= HoursPerDay || e.ScheduleBackupTimeMinute < 0 ||
      e.ScheduleBackupTimeMinute >= MinutesPerHour)
    return finding;  // a time no clock shows has no slot

  PackedTime after;  // slots strictly after this time count
  if (history.FirstEvaluation()) {
    if (!history.LooksBack() || e.LastRunTime == 0) return finding;
    after = e.LastRunTime;
  } else {
    after = history.PreviousMinute();
  }
  const PackedTime told = history.ToldUpTo(e.SetNumber);
  if (told > after) after = told;
  if (after >= nowMinute) return finding;  // nothing between, or the clock went back

  DateTimeParts now, day;
  DateTimeUtil::UnpackTime(nowMinute, now);
  DateTimeUtil::UnpackTime(after, day);
  const int64_t lastDay = RealDayNumber(now);
  int64_t firstDay = RealDayNumber(day);
  if (firstDay < lastDay - MissedLookBackDays) firstDay = lastDay - MissedLookBackDays;
  const int64_t nowMinuteOfWeek = lastDay * MinutesPerDay + now.Hour * MinutesPerHour + now.Minute;

  for (int64_t d = firstDay; d <= lastDay; ++d) {
    DateTimeParts at = {};
    SetRealDate(d, at);
    at.Hour = b / MinutesPerHour;
    at.Minute = b % MinutesPerHour;
    if (IsRealMinute(at) == 0) continue;
    if (nowMinuteOfWeek - (d * MinutesPerDay + b) > static_cast<int64_t>(MissedLookBackDays) * MinutesPerDay)
      continue;
    const PackedTime slot = DateTimeUtil::PackTime(at);
    if (slot <= after || slot >= nowMinute) continue;
    // Launched by any trigger at or after the slot: nothing was missed there.
    if (e.LastRunTime >= slot) continue;
    if (IsDue(at, e) != 1) continue;

    if (history.StretchHolding(slot, StretchKind::OwnWait)) {
      finding.Outcome = SlotFinding::Held;
      finding.LastSlot = slot;
      finding.Count = 0;
      return finding;
    }
    MissedReason reason;
    if (history.LooksBack() && slot < MinuteStart(history.SchedulerStart())) {
      // Held for power or the user by a scheduler that then stopped: that says why.
      if (!history.HeldAtStop(e.SetNumber, slot, reason)) reason = MissedReason::NotRunning;
    }
    else if (history.StretchHolding(slot, StretchKind::Offline))
      reason = MissedReason::Offline;
    else if (history.StretchHolding(slot, StretchKind::Asleep))
      reason = MissedReason::Asleep;
    else if (history.FirstEvaluation())
      reason = MissedReason::SettleTime;
    else if (history.ClockMoved())
      reason = MissedReason::ClockMoved;
    else
      reason = MissedReason::Asleep;
    finding.Outcome = SlotFinding::Missed;
    ++finding.Count;
    finding.LastSlot = slot;
    finding.Reason = reason;
  }
  return finding;
}
