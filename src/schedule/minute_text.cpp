// Writing and reading the minute form of a local time.
#include "schedule/minute_text.h"

#include "schedule/real_calendar.h"

namespace {

// Reads count digits at text.
bool ReadDigits(const char* text, int count, int32_t& value) {
  value = 0;
  for (int i = 0; i < count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

}  // namespace

void AddTimeText(TextBuilder& b, PackedTime t, bool withSeconds) {
  DateTimeParts p;
  DateTimeUtil::UnpackTime(t, p);
  b.Number(p.Year, 4).Add("-").Number(p.Month, 2).Add("-").Number(p.Day, 2).Add(" ");
  b.Number(p.Hour, 2).Add(":").Number(p.Minute, 2);
  if (withSeconds) b.Add(":").Number(p.Second, 2);
}

void FormatMinute(PackedTime t, char* out, size_t outSize) {
  TextBuilder b(out, outSize);
  AddTimeText(b, t, false);
}

bool ReadMinuteText(const char* text, DateTimeParts& out) {
  DateTimeParts p = {};
  // Each separator is looked at only once the digits before it were there,
  // so that a shorter text is never read past its terminator.
  if (!ReadDigits(text, 4, p.Year) || text[4] != '-' || !ReadDigits(text + 5, 2, p.Month) || text[7] != '-' ||
      !ReadDigits(text + 8, 2, p.Day) || text[10] != ' ' || !ReadDigits(text + 11, 2, p.Hour) || text[13] != ':' ||
      !ReadDigits(text + 14, 2, p.Minute))
    return false;
  if (IsRealMinute(p) != 1) return false;
  out = p;
  return true;
}
