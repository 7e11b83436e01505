// The launch, missed-run and hold decisions of one evaluated minute.
#include "schedule/minute_decision.h"

namespace {

const PackedTime kSecondsPerMinute = 60;

BackupSetEntry* FindSet(BackupSetEntry* head, int32_t setNumber) {
  for (BackupSetEntry* e = head; e != nullptr; e = e->next)
    if (e->SetNumber == setNumber) return e;
  return nullptr;
}

MinuteDecision* DecisionOf(MinuteDecision* out, size_t count, int32_t setNumber) {
  for (size_t i = 0; i < count; ++i)
    if (out[i].Entry->SetNumber == setNumber) return &out[i];
  return nullptr;
}

// The slot a decided run stands for: a held or missed daily slot, else the minute.
PackedTime SlotOf(const MinuteDecision& d, PackedTime minute) {
  return d.Slots.Outcome != SlotFinding::None ? d.Slots.LastSlot : minute;
}

}  // namespace

size_t DecideMinute(BackupSetEntry* head, const DateTimeParts& parts, EvaluationHistory& history, int runMissed,
                    int (*takeConnectEvent)(), MinuteDecision* out, size_t capacity) {
  DateTimeParts minuteParts = parts;
  minuteParts.Second = 0;
  const PackedTime minute = DateTimeUtil::PackTime(minuteParts);
  size_t count = 0;
  for (BackupSetEntry* e = head; e != nullptr && count < capacity; e = e->next) {
    MinuteDecision d;
    d.Entry = e;
    d.Trigger = ChooseLaunchTrigger(*e, parts, takeConnectEvent);
    if (d.Trigger == LaunchTrigger::None) {
      // A set launched now has nothing missed before: only the others are judged.
      d.Slots = FindDailySlots(*e, minute, history);
      if (d.Slots.Outcome == SlotFinding::None) continue;
      if (d.Slots.Outcome == SlotFinding::Held) {
        d.Trigger = LaunchTrigger::Schedule;
      } else {
        history.NoteTold(e->SetNumber, d.Slots.LastSlot);
        if (runMissed == 1) d.Trigger = LaunchTrigger::CatchUp;
      }
    }
    out[count++] = d;
  }
  return count;
}

bool AnyLaunch(const MinuteDecision* decisions, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (decisions[i].Trigger != LaunchTrigger::None) return true;
  return false;
}

size_t HoldMinute(BackupSetEntry* head, MinuteDecision* out, size_t count, size_t capacity, DeferredRuns& held,
                  const DeferPreferences& preferences, const HoldConditions& conditions, PackedTime now) {
  const PackedTime minute = now - now % kSecondsPerMinute;
  const HoldReason reason = HoldReasonNow(preferences, conditions);

  for (size_t i = 0; i < count; ++i) {
    MinuteDecision& d = out[i];
    if (HeldRun* waiting = held.Find(d.Entry->SetNumber)) {
      // Another slot of a set that waits runs with it, once: nothing of it is
      // launched, told or logged on its own.
      if (d.Slots.Outcome != SlotFinding::None && d.Slots.LastSlot > waiting->Slot && !waiting->Recurring)
        waiting->Slot = d.Slots.LastSlot;
      d.Slots = SlotFinding();
      d.Deferred.Outcome = Deferral::StillHeld;
      d.Deferred.Slot = waiting->Slot;
      continue;
    }
    if (d.Trigger == LaunchTrigger::None || reason == HoldReason::None) continue;
    HeldRun run;
    run.SetNumber = d.Entry->SetNumber;
    run.Trigger = d.Trigger;
    run.Slot = SlotOf(d, minute);
    run.HeldSince = minute;
    run.LimitFrom = HoldHasLimit(reason) ? minute : 0;
    run.Reasons = HoldReasonBit(reason);
    run.Reason = reason;
    run.Recurring = d.Trigger == LaunchTrigger::Schedule && !HasDailySlots(*d.Entry);
    if (!held.Add(run)) continue;  // no room left: it runs now rather than be lost
    d.Deferred.Outcome = Deferral::Held;
    d.Deferred.Reason = reason;
    d.Deferred.Since = minute;
    d.Deferred.Slot = run.Slot;
  }

  for (size_t i = 0; i < held.Count();) {
    HeldRun& run = held.At(i);
    BackupSetEntry* e = FindSet(head, run.SetNumber);
    if (e == nullptr) {
      held.RemoveAt(i);
      continue;
    }
    bool limitReached = false;
    if (reason != HoldReason::None) {
      run.Reason = reason;
      run.Reasons |= HoldReasonBit(reason);
      if (HoldHasLimit(reason)) {
        if (run.LimitFrom == 0) run.LimitFrom = minute;
        limitReached = preferences.DeferLimitMinutes > 0 &&
                       MinutesBetween(run.LimitFrom, minute) >= preferences.DeferLimitMinutes;
      }
      if (!limitReached) {
        ++i;
        continue;
      }
    }
    MinuteDecision* d = DecisionOf(out, count, run.SetNumber);
    if (d == nullptr && run.Recurring) {
      // Not due in this minute: it runs again when its schedule says.
      held.RemoveAt(i);
      continue;
    }
    if (d == nullptr) {
      if (count == capacity) {
        ++i;
        continue;
      }
      d = &out[count++];
      d->Entry = e;
      d->Slots = SlotFinding();
    }
    d->Trigger = run.Recurring ? LaunchTrigger::Schedule : run.Trigger;
    d->Slots = SlotFinding();
    if (!run.Recurring && HasDailySlots(*e) &&
        (run.Trigger == LaunchTrigger::Schedule || run.Trigger == LaunchTrigger::CatchUp)) {
      // Claimed and announced as the slot it stands for.
      d->Slots.Outcome = SlotFinding::Held;
      d->Slots.LastSlot = run.Slot;
    }
    d->Deferred.Outcome = Deferral::Released;
    d->Deferred.Reason = run.Reason;
    d->Deferred.Reasons = run.Reasons;
    d->Deferred.Since = run.HeldSince;
    d->Deferred.Slot = run.Slot;
    d->Deferred.LimitReached = limitReached;
    held.RemoveAt(i);
  }
  return count;
}
