// Composing the missed-run notices.
#include "scheduler/ui/missed_notice.h"

#include <string.h>

#include "platform/bounded_text.h"
#include "platform/path_rules.h"

namespace {

const size_t kTimeText = 200;

const char* Ending(bool runsNow, HoldReason waitsFor) {
  switch (waitsFor) {
    case HoldReason::OnBattery: return "runs on mains power";
    case HoldReason::FullScreen: return "runs once the full-screen program closes";
    case HoldReason::UserActive: return "runs once keyboard and mouse rest";
    default: return runsNow ? "runs now" : "not made up";
  }
}

// Appends sentence to out (used bytes so far) when it fits with room left for
// the count of the sets after it (more, of the rest); otherwise appends the
// count and returns false.
bool AppendSentence(char* out, size_t outSize, size_t& used, const char* sentence, size_t rest) {
  char more[64];
  TextBuilder(more, sizeof more).Add("\nand ").Number(static_cast<long long>(rest)).Add(" more (see Logs\\Tickwarden.log).");
  const size_t length = strlen(sentence);
  const size_t reserve = rest > 1 ? strlen(more) + 8 : 0;
  if (used + length + reserve >= outSize) {
    if (used + strlen(more) < outSize) memcpy(out + used, more, strlen(more) + 1);
    return false;
  }
  memcpy(out + used, sentence, length + 1);
  used += length;
  return true;
}

// head, the set's name and tail in out: the name gives way first, cut
// between characters; head and tail (the time, the ending) stay whole.
void FitNameBetween(const char* head, const char* setName, const char* tail, char* out, size_t outSize) {
  const size_t fixed = strlen(head) + strlen(tail);
  const size_t nameRoom = fixed + 1 < outSize ? outSize - 1 - fixed : 0;
  char name[sizeof(MissedNoticeItem::Name)];
  CopyBounded(name, sizeof name, setName);
  name[WholeCharacterLength(name, nameRoom)] = '\0';
  TextBuilder(out, outSize).Add(head).Add(name).Add(tail);
}

}  // namespace

const char* MissedReasonPhrase(MissedReason reason) {
  switch (reason) {
    case MissedReason::NotRunning: return "the computer was off or the scheduler was not running";
    case MissedReason::SettleTime: return "it fell in the first minutes after Windows started";
    case MissedReason::ClockMoved: return "the clock was moved past it";
    case MissedReason::Offline: return "the backup media was offline";
    case MissedReason::OnBattery: return "it waited for mains power when the scheduler stopped";
    case MissedReason::FullScreen: return "it waited for a full-screen program when the scheduler stopped";
    case MissedReason::UserActive: return "it waited for the computer to rest when the scheduler stopped";
    default: return "the computer was asleep";
  }
}

const char* MissedNoticeTitle(size_t itemCount) { return itemCount > 1 ? "Backups missed" : "Backup missed"; }

void ComposeMissedNotice(const MissedNoticeItem* items, size_t count, TimeFormatter format, char* out,
                         size_t outSize) {
  if (outSize == 0) return;
  out[0] = '\0';
  size_t used = 0;
  for (size_t i = 0; i < count; ++i) {
    char when[kTimeText];
    format(items[i].LastSlot, when, sizeof when);
    char sentence[512];
    TextBuilder b(sentence, sizeof sentence);
    b.Add(i ? "\n\"" : "\"").Add(items[i].Name);
    if (items[i].Count > 1)
      b.Add("\" missed ").Number(items[i].Count).Add(" runs, the last at ").Add(when);
    else
      b.Add("\" did not run at ").Add(when);
    b.Add(" because ").Add(MissedReasonPhrase(items[i].Reason)).Add(": ")
        .Add(Ending(items[i].RunsNow, items[i].WaitsFor)).Add(".");
    if (!AppendSentence(out, outSize, used, sentence, count - i)) return;
  }
}

void ComposeMissedTip(const MissedNoticeItem* items, size_t count, TimeFormatter format, char* out,
                      size_t outSize) {
  if (outSize == 0) return;
  out[0] = '\0';
  if (count == 0) return;
  const MissedNoticeItem& last = items[count - 1];
  char when[kTimeText];
  format(last.LastSlot, when, sizeof when);
  char tail[kTimeText + 32];
  TextBuilder(tail, sizeof tail).Add("\" ").Add(when).Add(", ").Add(Ending(last.RunsNow, last.WaitsFor));
  char head[48];
  TextBuilder h(head, sizeof head);
  if (count > 1) h.Add("Missed ").Number(static_cast<long long>(count)).Add(" backups, last \"");
  else h.Add("Missed \"");
  FitNameBetween(head, last.Name, tail, out, outSize);
}

const char* HeldNoticeTitle(size_t itemCount) { return itemCount > 1 ? "Backups waiting" : "Backup waiting"; }

void ComposeHeldNotice(const HeldNoticeItem* items, size_t count, char* out, size_t outSize) {
  if (outSize == 0) return;
  out[0] = '\0';
  size_t used = 0;
  for (size_t i = 0; i < count; ++i) {
    char sentence[256];
    TextBuilder b(sentence, sizeof sentence);
    b.Add(i ? "\n\"" : "\"").Add(items[i].Name).Add("\" waits until ");
    switch (items[i].Reason) {
      case HoldReason::OnBattery: b.Add("the computer runs on mains power"); break;
      case HoldReason::FullScreen: b.Add("the full-screen program closes"); break;
      default: b.Add("keyboard and mouse have rested ").Number(items[i].IdleMinutes).Add(" minutes"); break;
    }
    if (HoldHasLimit(items[i].Reason) && items[i].LimitMinutes > 0)
      b.Add(", at most ").Number(items[i].LimitMinutes).Add(" minutes");
    b.Add(".");
    if (!AppendSentence(out, outSize, used, sentence, count - i)) return;
  }
}

void ComposeHeldTip(const HeldNoticeItem* items, size_t count, char* out, size_t outSize) {
  if (outSize == 0) return;
  out[0] = '\0';
  if (count == 0) return;
  const HeldNoticeItem& last = items[count - 1];
  char head[48], tail[32];
  TextBuilder h(head, sizeof head);
  if (count > 1) h.Number(static_cast<long long>(count)).Add(" backups wait, last \"");
  else h.Add("\"");
  TextBuilder(tail, sizeof tail).Add("\" waits: ").Add(HoldReasonText(last.Reason));
  FitNameBetween(head, last.Name, tail, out, outSize);
}
