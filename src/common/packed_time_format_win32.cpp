// Text form of a PackedTime for the tray tooltip: the user's short date, one
// blank, the user's time, as the locale settings render them.
#include "common/packed_time.h"

#include <string.h>

#include "platform/bounded_text.h"
#include "platform/path_rules.h"

namespace {

const int kPartBufferSize = 100;
// Date, the blank, time and the terminator.
const int kJoinedBufferSize = 2 * kPartBufferSize;

}  // namespace

void JoinDateAndTimeText(const char* date, const char* timeText, char* out, unsigned outSize) {
  if (out == nullptr || outSize == 0) return;
  char joined[kJoinedBufferSize];
  size_t dateLength = WholeCharacterLength(date, kPartBufferSize - 1);
  size_t timeLength = WholeCharacterLength(timeText, kPartBufferSize - 1);
  memcpy(joined, date, dateLength);
  joined[dateLength] = ' ';
  memcpy(joined + dateLength + 1, timeText, timeLength);
  joined[dateLength + 1 + timeLength] = '\0';
  CopyBounded(out, outSize, joined);
}

void DateTimeUtil::FormatPackedTime(PackedTime value, char* out, unsigned outSize) {
  if (out == nullptr || outSize == 0) return;
  SYSTEMTIME st;
  PackedToSystemTime(value, st);

  char date[kPartBufferSize];
  char timeText[kPartBufferSize];
  // An impossible date of the scale (31 April) is handed over as it is; when
  // the platform refuses it the date part is simply empty.
  if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, kPartBufferSize) == 0)
    date[0] = '\0';
  if (GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, timeText, kPartBufferSize) == 0)
    timeText[0] = '\0';
  JoinDateAndTimeText(date, timeText, out, outSize);
}
