// Milliseconds from an arbitrary start, never set back, cheap to ask (no
// system call on either platform): what paces the read-ahead's look at the
// file. Wraps around after some 49 days; callers only compare for equality.
#pragma once

unsigned long MonotonicMilliseconds();
