// The wake timer of the running scheduler: armed for the earliest next slot
// of a daily set whose ScheduleWakeFlag is 1 (schedule/wake_time.h), again
// after every load, every evaluated minute whose answer changed, a time
// change and every resume; cancelled at suspend on battery unless
// WakeOnBattery is 1; and a computer woken for a slot kept awake until its
// run is over. Each arming is one "wake" line. Window thread only.
#pragma once
#include "common/packed_time.h"

// Arms for the slot now chosen; why (a load, a time change, a resume) arms
// and logs again even when the answer is the one armed already.
void RearmWake(const char* why);
// Arms when the answer changed since the last arming.
void RearmWakeIfChanged();
void WakeAtSuspend();
// automatic: the resume a timer caused, before anybody is back; near the
// armed slot it is ours (deferred_launch.h's unattended wake).
void WakeAtResume(bool automatic);
// A look at a computer kept awake; lets it sleep once the run is over.
void KeepAwakeTick(unsigned long uptimeMs, PackedTime now);
