// Line format and the bounded buffer of the support log.
#include "scheduler/support_log.h"

#include <string.h>

#include "common/bounded_text.h"
#include "common/escaped_text.h"
#include "scheduler/backup_set.h"
#include "scheduler/real_calendar.h"

namespace {

const char kMissedWord[] = " missed ";
// "YYYY-MM-DD HH:MM:SS" before the word.
const size_t kStampLength = 19;
// A name's bytes, as the settings keep them (the field's terminator aside).
const size_t BackupSetNameBytes = BackupSetNameLength;

// Reads exactly `digits` decimal digits (or, with 0, one or more, an optional
// '-' first) at p; false when they are not there.
bool ReadNumber(const char*& p, const char* stop, int digits, long& value) {
  bool negative = digits == 0 && p < stop && *p == '-';
  if (negative) ++p;
  int n = 0;
  value = 0;
  while (p < stop && *p >= '0' && *p <= '9' && (digits == 0 ? n < 10 : n < digits)) {
    value = value * 10 + (*p++ - '0');
    ++n;
  }
  if (negative) value = -value;
  return digits == 0 ? n > 0 : n == digits;
}

bool Expect(const char*& p, const char* stop, char c) {
  if (p >= stop || *p != c) return false;
  ++p;
  return true;
}

// Passes over a quoted, escaped name: every '\' takes the next character along.
bool SkipQuoted(const char*& p, const char* stop) {
  if (!Expect(p, stop, '"')) return false;
  while (p < stop) {
    char c = *p++;
    if (c == '"') return true;
    if (c == '\\') {
      if (p >= stop) return false;
      ++p;
    }
  }
  return false;
}

void ReadMissedLine(const char* line, const char* stop, MissedLineReader read, void* context) {
  const size_t wordLength = sizeof kMissedWord - 1;
  if (static_cast<size_t>(stop - line) <= kStampLength + wordLength) return;
  if (memcmp(line + kStampLength, kMissedWord, wordLength) != 0) return;
  const char* p = line + kStampLength + wordLength;
  long set, y, mo, d, h, mi;
  if (!ReadNumber(p, stop, 0, set) || !Expect(p, stop, ' ') || !SkipQuoted(p, stop) || !Expect(p, stop, ' '))
    return;
  if (!ReadNumber(p, stop, 4, y) || !Expect(p, stop, '-') || !ReadNumber(p, stop, 2, mo) || !Expect(p, stop, '-') ||
      !ReadNumber(p, stop, 2, d) || !Expect(p, stop, ' ') || !ReadNumber(p, stop, 2, h) || !Expect(p, stop, ':') ||
      !ReadNumber(p, stop, 2, mi))
    return;
  DateTimeParts parts = {static_cast<int32_t>(y), static_cast<int32_t>(mo), static_cast<int32_t>(d),
                         static_cast<int32_t>(h), static_cast<int32_t>(mi), 0};
  if (IsRealMinute(parts) == 0) return;
  read(static_cast<int32_t>(set), DateTimeUtil::PackTime(parts), context);
}

}  // namespace

size_t FormatSupportLogLine(char* out, size_t outSize, PackedTime when, const char* word, const char* text) {
  if (out == nullptr || outSize < 3) return 0;
  DateTimeParts p;
  DateTimeUtil::UnpackTime(when, p);
  TextBuilder line(out, outSize - 2);
  line.Number(p.Year, 4).Add("-").Number(p.Month, 2).Add("-").Number(p.Day, 2).Add(" ");
  line.Number(p.Hour, 2).Add(":").Number(p.Minute, 2).Add(":").Number(p.Second, 2).Add(" ").Add(word);
  if (text && *text) line.Add(" ").Add(text);
  size_t length = strlen(out);
  // A line is one line, whatever its text held.
  for (size_t i = 0; i < length; ++i)
    if (out[i] == '\r' || out[i] == '\n') out[i] = ' ';
  out[length++] = '\r';
  out[length++] = '\n';
  out[length] = '\0';
  return length;
}

void SupportLogBuffer::Append(const char* line, size_t length) {
  if (length > sizeof data_) return;
  size_t drop = 0;
  while (size_ - drop + length > sizeof data_) {
    const char* end = static_cast<const char*>(memchr(data_ + drop, '\n', size_ - drop));
    drop = end ? static_cast<size_t>(end - data_) + 1 : size_;
    ++dropped_;
  }
  Consume(drop);
  memcpy(data_ + size_, line, length);
  size_ += length;
}

void SupportLogBuffer::Consume(size_t n) {
  if (n == 0) return;
  if (n >= size_) {
    size_ = 0;
    return;
  }
  memmove(data_, data_ + n, size_ - n);
  size_ -= n;
}

void FormatMinute(PackedTime t, char* out, size_t outSize) {
  DateTimeParts p;
  DateTimeUtil::UnpackTime(t, p);
  TextBuilder(out, outSize).Number(p.Year, 4).Add("-").Number(p.Month, 2).Add("-").Number(p.Day, 2).Add(" ")
      .Number(p.Hour, 2).Add(":").Number(p.Minute, 2);
}

void FormatSetText(char* out, size_t outSize, int32_t setNumber, const char* name) {
  char escaped[BackupSetNameBytes * 4 + 1];
  const char* n = name ? name : "";
  EscapeTextInto(n, strnlen(n, BackupSetNameBytes), escaped, sizeof escaped);
  TextBuilder(out, outSize).Number(setNumber).Add(" \"").Add(escaped).Add("\"");
}

void FormatMissedLogText(char* out, size_t outSize, int32_t setNumber, const char* name, PackedTime lastSlot,
                         int count, const char* why, bool runsNow) {
  char set[BackupSetNameBytes * 4 + 32], minute[20];
  FormatSetText(set, sizeof set, setNumber, name);
  FormatMinute(lastSlot, minute, sizeof minute);
  TextBuilder(out, outSize).Add(set).Add(" ").Add(minute).Add(" ").Number(count).Add(" ").Add(why)
      .Add(runsNow ? "; made up now" : "; not made up");
}

void ReadMissedLogLines(const char* text, size_t length, MissedLineReader read, void* context) {
  const char* end = text + length;
  for (const char* line = text; line < end;) {
    const char* next = static_cast<const char*>(memchr(line, '\n', static_cast<size_t>(end - line)));
    const char* stop = next ? next : end;
    ReadMissedLine(line, stop, read, context);
    line = next ? next + 1 : end;
  }
}
