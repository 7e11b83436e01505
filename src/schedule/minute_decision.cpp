// The launch and missed-run decisions of one evaluated minute.
#include "schedule/minute_decision.h"

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
