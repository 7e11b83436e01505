// Line format and the bounded buffer of the support log.
#include "scheduler/support_log.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "common/text_escape.h"
#include "scheduler/real_calendar.h"

namespace {

const char kMissedWord[] = " missed ";
// "YYYY-MM-DD HH:MM:SS" before the word.
const size_t kStampLength = 19;

}  // namespace

size_t FormatSupportLogLine(char* out, size_t outSize, PackedTime when, const char* word, const char* text) {
  if (out == nullptr || outSize < 3) return 0;
  DateTimeParts p;
  DateTimeUtil::UnpackTime(when, p);
  int n = snprintf(out, outSize - 2, "%04d-%02d-%02d %02d:%02d:%02d %s%s%s", p.Year, p.Month, p.Day, p.Hour,
                   p.Minute, p.Second, word ? word : "", text && *text ? " " : "", text ? text : "");
  size_t length = n < 0 ? 0 : static_cast<size_t>(n);
  if (length > outSize - 3) length = outSize - 3;
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

std::string MinuteText(PackedTime t) {
  DateTimeParts p;
  DateTimeUtil::UnpackTime(t, p);
  char text[32];
  snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", p.Year, p.Month, p.Day, p.Hour, p.Minute);
  return text;
}

std::string MissedLogText(int32_t setNumber, const char* name, PackedTime lastSlot, int count, const char* why,
                          bool runsNow) {
  char head[24];
  snprintf(head, sizeof head, "%ld ", static_cast<long>(setNumber));
  char tail[160];
  snprintf(tail, sizeof tail, " %s %d %s; %s", MinuteText(lastSlot).c_str(), count, why,
           runsNow ? "made up now" : "not made up");
  return head + QuoteText(name ? name : "") + tail;
}

void ReadMissedLogLines(const std::string& text, std::vector<std::pair<int32_t, PackedTime>>& out) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.size() <= kStampLength || line.compare(kStampLength, strlen(kMissedWord), kMissedWord) != 0) continue;
    size_t pos = kStampLength + strlen(kMissedWord);
    char* after = nullptr;
    const long set = strtol(line.c_str() + pos, &after, 10);
    pos = static_cast<size_t>(after - line.c_str());
    if (pos >= line.size() || line[pos] != ' ') continue;
    ++pos;
    std::string name, error;
    if (!ParseQuoted(line, pos, name, error)) continue;
    DateTimeParts p = {};
    if (sscanf(line.c_str() + pos, " %4d-%2d-%2d %2d:%2d", &p.Year, &p.Month, &p.Day, &p.Hour, &p.Minute) != 5)
      continue;
    if (IsRealMinute(p) == 0) continue;
    out.push_back({static_cast<int32_t>(set), DateTimeUtil::PackTime(p)});
  }
}
