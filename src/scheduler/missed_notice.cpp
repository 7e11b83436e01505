// Composing the missed-run notices.
#include "scheduler/missed_notice.h"

#include <stdio.h>
#include <string.h>

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
    if (items[i].Count > 1)
      snprintf(sentence, sizeof sentence, "%s\"%s\" missed %d runs, the last at %s, because %s: %s.",
               i ? "\n" : "", items[i].Name, items[i].Count, when, MissedReasonPhrase(items[i].Reason),
               Ending(items[i].RunsNow));
    else
      snprintf(sentence, sizeof sentence, "%s\"%s\" did not run at %s because %s: %s.", i ? "\n" : "",
               items[i].Name, when, MissedReasonPhrase(items[i].Reason), Ending(items[i].RunsNow));
    char more[64];
    snprintf(more, sizeof more, "\nand %u more (see Logs\\Tickwarden.log).", static_cast<unsigned>(count - i));
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
  snprintf(tail, sizeof tail, " %s, %s", when, Ending(last.RunsNow));
  char head[48];
  if (count > 1)
    snprintf(head, sizeof head, "Missed %u backups, last", static_cast<unsigned>(count));
  else
    snprintf(head, sizeof head, "Missed");
  // The name gives way first; the time and the ending stay whole.
  const size_t fixed = strlen(head) + strlen(tail);
  size_t nameRoom = fixed + 4 < outSize ? outSize - 1 - fixed - 3 : 0;
  char name[sizeof last.Name];
  snprintf(name, sizeof name, "%s", last.Name);
  if (strlen(name) > nameRoom) name[nameRoom] = '\0';
  snprintf(out, outSize, "%s \"%s\"%s", head, name, tail);
}
