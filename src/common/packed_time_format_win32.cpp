// Text form of a PackedTime for the tray tooltip: the user's short date, one
// blank, the user's time, as the locale settings render them.
#include "common/packed_time.h"

#include <string.h>

namespace {

const int kPartBufferSize = 100;
// Date, the blank, time and the terminator.
const int kJoinedBufferSize = 2 * kPartBufferSize;

size_t BoundedLength(const char* text, size_t limit) {
  size_t n = 0;
  while (n < limit && text[n] != '\0') ++n;
  return n;
}

// Copies text into out, at most outSize - 1 bytes and a terminator, cutting only
// between characters so that a double-byte character is never split.
void CopyWholeCharacters(const char* text, char* out, unsigned outSize,
                         LeadBytePredicate isLeadByte) {
  if (outSize == 0) return;
  unsigned limit = outSize - 1;
  unsigned used = 0;
  while (text[used] != '\0') {
    unsigned width = 1;
    if (isLeadByte(static_cast<unsigned char>(text[used])) && text[used + 1] != '\0') width = 2;
    if (used + width > limit) break;
    used += width;
  }
  memcpy(out, text, used);
  out[used] = '\0';
}

bool IsCodePageLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }

}  // namespace

void JoinDateAndTimeText(const char* date, const char* timeText, char* out, unsigned outSize,
                         LeadBytePredicate isLeadByte) {
  if (out == nullptr || outSize == 0) return;
  char joined[kJoinedBufferSize];
  size_t dateLength = BoundedLength(date, kPartBufferSize - 1);
  size_t timeLength = BoundedLength(timeText, kPartBufferSize - 1);
  memcpy(joined, date, dateLength);
  joined[dateLength] = ' ';
  memcpy(joined + dateLength + 1, timeText, timeLength);
  joined[dateLength + 1 + timeLength] = '\0';
  CopyWholeCharacters(joined, out, outSize, isLeadByte ? isLeadByte : IsCodePageLeadByte);
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
