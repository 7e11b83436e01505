// Composing the missed-run notices.
#include "scheduler/ui/missed_notice.h"

#include <string.h>

#include "platform/bounded_text.h"
#include "platform/path_rules.h"

namespace {

const size_t kTimeText = 200;

const char* Ending(bool runsNow) { return runsNow ? "runs now" : "not made up"; }

}  // namespace

const char* MissedReasonPhrase(MissedReason reason) {
  switch (reason) {
    case MissedReason::NotRunning: return "the computer was off or the scheduler was not running";
    case MissedReason::SettleTime: return "it fell in the first minutes after Windows started";
    case MissedReason::ClockMoved: return "the clock was moved past it";
    case MissedReason::Offline: return "the backup media was offline";
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
    b.Add(" because ").Add(MissedReasonPhrase(items[i].Reason)).Add(": ").Add(Ending(items[i].RunsNow)).Add(".");
    char more[64];
    TextBuilder(more, sizeof more).Add("\nand ").Number(static_cast<long long>(count - i))
        .Add(" more (see Logs\\Tickwarden.log).");
    const size_t length = strlen(sentence);
    // The sentence fits with room left to count the sets after it, or it is the last.
    const size_t reserve = i + 1 < count ? strlen(more) + 8 : 0;
    if (used + length + reserve >= outSize) {
      if (used + strlen(more) < outSize) memcpy(out + used, more, strlen(more) + 1);
      return;
    }
    memcpy(out + used, sentence, length + 1);
    used += length;
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
  TextBuilder(tail, sizeof tail).Add("\" ").Add(when).Add(", ").Add(Ending(last.RunsNow));
  char head[48];
  TextBuilder h(head, sizeof head);
  if (count > 1) h.Add("Missed ").Number(static_cast<long long>(count)).Add(" backups, last \"");
  else h.Add("Missed \"");
  // The name gives way first; the time and the ending stay whole.
  const size_t fixed = strlen(head) + strlen(tail);
  const size_t nameRoom = fixed + 1 < outSize ? outSize - 1 - fixed : 0;
  char name[sizeof last.Name];
  CopyBounded(name, sizeof name, last.Name);
  name[WholeCharacterLength(name, nameRoom)] = '\0';
  TextBuilder(out, outSize).Add(head).Add(name).Add(tail);
}
