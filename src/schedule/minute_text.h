// The written form of a local time wherever people and tools read it back:
// "YYYY-MM-DD HH:MM", with ":SS" where seconds matter (the support log's line
// stamps, hdbtool schedule's lines and options).
#pragma once
#include <stddef.h>

#include "platform/bounded_text.h"
#include "common/packed_time.h"

// Length of "YYYY-MM-DD HH:MM".
const size_t MinuteTextLength = 16;

// Adds "YYYY-MM-DD HH:MM", and ":SS" when withSeconds, of t.
void AddTimeText(TextBuilder& b, PackedTime t, bool withSeconds);
// "YYYY-MM-DD HH:MM" of t into out (at least 17 bytes).
void FormatMinute(PackedTime t, char* out, size_t outSize);
// Reads the MinuteTextLength characters at text (no terminator needed) as
// "YYYY-MM-DD HH:MM"; false unless every digit and separator is in place and
// the minute exists on the calendar.
bool ReadMinuteText(const char* text, DateTimeParts& out);
