// PackedTime: seconds since 1980-01-01 00:00:00 on a calendar of 12 months of
// 31 days, local wall-clock time. DateTimeUtil holds the conversions, the
// weekday rule the schedules rest on, and the text form shown in the tray.
#pragma once
#include <stdint.h>

#ifdef _WIN32
#include <windows.h>
#else
// The file layer converts from the platform's broken-down time; natively the same
// layout stands in for it so that the conversions stay testable.
struct SYSTEMTIME {
  uint16_t wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};
#endif

typedef uint32_t PackedTime;

struct DateTimeParts {
  int32_t Year;
  int32_t Month;
  int32_t Day;
  int32_t Hour;
  int32_t Minute;
  int32_t Second;
};

class DateTimeUtil {
 public:
  virtual ~DateTimeUtil() {}

  PackedTime CurrentPackedTime();
  static int UnpackTime(PackedTime value, DateTimeParts& out);
  static PackedTime PackTime(const DateTimeParts& parts);
  int PackedToSystemTime(PackedTime value, SYSTEMTIME& out);
  PackedTime SystemTimeToPacked(const SYSTEMTIME& st);
  int DayOfWeek(const DateTimeParts& parts);
#ifdef _WIN32
  // Writes "<short date> <time>" into out, never more than outSize bytes
  // including the terminator; outSize 0 writes nothing.
  void FormatPackedTime(PackedTime value, char* out, unsigned outSize);
#endif
};

#ifdef _WIN32
// The joining step of FormatPackedTime: date, one blank, time (each part cut to
// 99 bytes), cut to outSize; every cut falls between characters of the code
// page in use (platform/path_rules.h).
void JoinDateAndTimeText(const char* date, const char* timeText, char* out, unsigned outSize);
#endif

// PackTime with the fields given one by one.
PackedTime PackTime(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second);
