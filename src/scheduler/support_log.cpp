// Line format and the bounded buffer of the support log.
#include "scheduler/support_log.h"

#include <string.h>

#include "platform/bounded_text.h"
#include "common/escaped_text.h"
#include "platform/path_rules.h"
#include "schedule/minute_text.h"
#include "settings/backup_set.h"

namespace {

const char kMissedWord[] = " missed ";
const char kDeferredWord[] = " deferred ";
// Ends a "deferred" line of a run the scheduler still held when it stopped.
const char kHeldAtStop[] = "; still held when the scheduler stopped";
// Ends a "missed" line with the user it was told to.
const char kToldMark[] = "; told \"";
// "YYYY-MM-DD HH:MM:SS" before the word.
const size_t kStampLength = 19;
// A name's bytes, as the settings keep them (the field's terminator aside).
const size_t BackupSetNameBytes = BackupSetNameLength;
// A user's log-on name's bytes at most (UNLEN).
const size_t UserNameBytes = 256;

// Reads a decimal number with an optional '-' first (at most ten digits);
// false when there is none.
bool ReadNumber(const char*& p, const char* stop, long& value) {
  const bool negative = p < stop && *p == '-';
  if (negative) ++p;
  int n = 0;
  value = 0;
  while (p < stop && *p >= '0' && *p <= '9' && n < 10) {
    value = value * 10 + (*p++ - '0');
    ++n;
  }
  if (negative) value = -value;
  return n > 0;
}

bool Expect(const char*& p, const char* stop, char c) {
  if (p >= stop || *p != c) return false;
  ++p;
  return true;
}

// Passes over a quoted, escaped name: every '\' takes the next character
// along, and a two-byte character goes whole (its second byte may be '\').
bool SkipQuoted(const char*& p, const char* stop) {
  if (!Expect(p, stop, '"')) return false;
  while (p < stop) {
    const size_t width = CharacterBytesWithin(p, static_cast<size_t>(stop - p));
    if (width == 2) {
      p += 2;
      continue;
    }
    char c = *p++;
    if (c == '"') return true;
    if (c == '\\') {
      if (p >= stop) return false;
      ++p;
    }
  }
  return false;
}

// The escaped, quoted user a "missed" line ends with.
void FormatToldUser(char* out, size_t outSize, const char* user) {
  char escaped[UserNameBytes * 4 + 1];
  EscapeTextInto(user, strnlen(user, UserNameBytes), escaped, sizeof escaped);
  TextBuilder(out, outSize).Add(kToldMark).Add(escaped).Add("\"");
}

// A line told to nobody named counts for every user.
bool ToldTo(const char* line, const char* stop, const char* toldUser) {
  const size_t markLength = sizeof kToldMark - 1;
  const char* mark = nullptr;
  for (const char* p = line; static_cast<size_t>(stop - p) >= markLength; ++p)
    if (memcmp(p, kToldMark, markLength) == 0) mark = p;
  if (mark == nullptr) return true;
  const size_t length = static_cast<size_t>(stop - mark) - (stop[-1] == '\r' ? 1 : 0);
  return strlen(toldUser) == length && memcmp(mark, toldUser, length) == 0;
}

bool EndsWith(const char* line, const char*& stop, const char* mark) {
  if (stop > line && stop[-1] == '\r') --stop;
  const size_t n = strlen(mark);
  if (static_cast<size_t>(stop - line) < n || memcmp(stop - n, mark, n) != 0) return false;
  stop -= n;
  return true;
}

void ReadHeldAtStopLine(const char* line, const char* stop, HeldAtStopReader read, void* context) {
  const size_t wordLength = sizeof kDeferredWord - 1;
  if (static_cast<size_t>(stop - line) <= kStampLength + wordLength) return;
  if (memcmp(line + kStampLength, kDeferredWord, wordLength) != 0 || !EndsWith(line, stop, kHeldAtStop)) return;
  const char* p = line + kStampLength + wordLength;
  long set;
  if (!ReadNumber(p, stop, set) || !Expect(p, stop, ' ') || !SkipQuoted(p, stop) || !Expect(p, stop, ' ')) return;
  while (p < stop && *p != ' ') ++p;  // the trigger
  DateTimeParts parts;
  if (!Expect(p, stop, ' ') || static_cast<size_t>(stop - p) < MinuteTextLength || !ReadMinuteText(p, parts)) return;
  p += MinuteTextLength;
  if (!Expect(p, stop, ' ')) return;
  const char* end = p;
  while (end < stop && *end != ',') ++end;
  const HoldReason reason = HoldReasonOfText(p, static_cast<size_t>(end - p));
  if (reason == HoldReason::None) return;
  read(static_cast<int32_t>(set), DateTimeUtil::PackTime(parts), reason, context);
}

template <typename Reader>
void EachLine(const char* text, size_t length, Reader reader) {
  const char* end = text + length;
  for (const char* line = text; line < end;) {
    const char* next = static_cast<const char*>(memchr(line, '\n', static_cast<size_t>(end - line)));
    reader(line, next ? next : end);
    line = next ? next + 1 : end;
  }
}

void ReadMissedLine(const char* line, const char* stop, const char* toldUser, MissedLineReader read, void* context) {
  const size_t wordLength = sizeof kMissedWord - 1;
  if (static_cast<size_t>(stop - line) <= kStampLength + wordLength) return;
  if (memcmp(line + kStampLength, kMissedWord, wordLength) != 0) return;
  if (!ToldTo(line, stop, toldUser)) return;
  const char* p = line + kStampLength + wordLength;
  long set;
  if (!ReadNumber(p, stop, set) || !Expect(p, stop, ' ') || !SkipQuoted(p, stop) || !Expect(p, stop, ' ')) return;
  DateTimeParts parts;
  if (static_cast<size_t>(stop - p) < MinuteTextLength || !ReadMinuteText(p, parts)) return;
  read(static_cast<int32_t>(set), DateTimeUtil::PackTime(parts), context);
}

}  // namespace

size_t FormatSupportLogLine(char* out, size_t outSize, PackedTime when, const char* word, const char* text) {
  if (out == nullptr || outSize < 3) return 0;
  TextBuilder line(out, outSize - 2);
  AddTimeText(line, when, true);
  line.Add(" ").Add(word);
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
    removed_ += size_;
    size_ = 0;
    return;
  }
  removed_ += n;
  memmove(data_, data_ + n, size_ - n);
  size_ -= n;
}

void FormatSetText(char* out, size_t outSize, int32_t setNumber, const char* name) {
  char escaped[BackupSetNameBytes * 4 + 1];
  const char* n = name ? name : "";
  EscapeNameInto(n, strnlen(n, BackupSetNameBytes), escaped, sizeof escaped);
  TextBuilder(out, outSize).Number(setNumber).Add(" \"").Add(escaped).Add("\"");
}

void FormatMissedLogText(char* out, size_t outSize, int32_t setNumber, const char* name, PackedTime lastSlot,
                         int count, const char* why, bool runsNow, const char* toldUser, HoldReason waitsFor) {
  char set[BackupSetNameBytes * 4 + 32], minute[20], told[UserNameBytes * 4 + 16] = "";
  FormatSetText(set, sizeof set, setNumber, name);
  FormatMinute(lastSlot, minute, sizeof minute);
  if (toldUser && *toldUser) FormatToldUser(told, sizeof told, toldUser);
  TextBuilder b(out, outSize);
  b.Add(set).Add(" ").Add(minute).Add(" ").Number(count).Add(" ").Add(why);
  if (runsNow && waitsFor != HoldReason::None) b.Add("; made up when no longer ").Add(HoldReasonText(waitsFor));
  else b.Add(runsNow ? "; made up now" : "; not made up");
  b.Add(told);
}

void ReadMissedLogLines(const char* text, size_t length, const char* user, MissedLineReader read, void* context) {
  char told[UserNameBytes * 4 + 16];
  FormatToldUser(told, sizeof told, user ? user : "");
  EachLine(text, length, [&](const char* line, const char* stop) { ReadMissedLine(line, stop, told, read, context); });
}

void ReadHeldAtStopLines(const char* text, size_t length, HeldAtStopReader read, void* context) {
  EachLine(text, length, [&](const char* line, const char* stop) { ReadHeldAtStopLine(line, stop, read, context); });
}

void FormatDeferredLogText(char* out, size_t outSize, int32_t setNumber, const char* name, const char* trigger,
                           PackedTime slot, HoldReason reason, int limitMinutes, bool atStop) {
  char set[BackupSetNameBytes * 4 + 32], minute[20];
  FormatSetText(set, sizeof set, setNumber, name);
  FormatMinute(slot, minute, sizeof minute);
  TextBuilder b(out, outSize);
  b.Add(set).Add(" ").Add(trigger).Add(" ").Add(minute).Add(" ").Add(HoldReasonText(reason));
  if (limitMinutes > 0 && HoldHasLimit(reason)) b.Add(", at most ").Number(limitMinutes).Add(" min");
  if (atStop) b.Add(kHeldAtStop);
}

void FormatWaitedNote(char* out, size_t outSize, PackedTime slot, long minutes, unsigned reasons, bool limitReached) {
  char minute[20];
  FormatMinute(slot, minute, sizeof minute);
  TextBuilder b(out, outSize);
  b.Add("(due ").Add(minute).Add(", waited ").Number(minutes).Add(" min:");
  const char* separator = " ";
  const HoldReason order[] = {HoldReason::OnBattery, HoldReason::FullScreen, HoldReason::UserActive};
  for (HoldReason r : order)
    if (reasons & HoldReasonBit(r)) {
      b.Add(separator).Add(HoldReasonText(r));
      separator = ", ";
    }
  if (limitReached) b.Add("; limit reached");
  b.Add(")");
}

void FormatWakeLogText(char* out, size_t outSize, int32_t setNumber, const char* name, PackedTime slot,
                       const char* outcome) {
  char set[BackupSetNameBytes * 4 + 32], minute[20];
  FormatSetText(set, sizeof set, setNumber, name);
  FormatMinute(slot, minute, sizeof minute);
  TextBuilder b(out, outSize);
  b.Add(set).Add(" ").Add(minute);
  if (outcome && *outcome) b.Add(": ").Add(outcome);
}
