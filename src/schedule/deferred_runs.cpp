// The hold rule and the held runs it keeps.
#include "schedule/deferred_runs.h"

#include <string.h>

#include "schedule/missed_runs.h"
#include "settings/settings.h"

namespace {

const struct {
  HoldReason Reason;
  const char* Text;
} kReasonTexts[] = {{HoldReason::OnBattery, "on battery"},
                    {HoldReason::FullScreen, "full screen"},
                    {HoldReason::UserActive, "user active"}};

}  // namespace

const char* HoldReasonText(HoldReason reason) {
  for (const auto& r : kReasonTexts)
    if (r.Reason == reason) return r.Text;
  return "none";
}

HoldReason HoldReasonOfText(const char* text, size_t length) {
  for (const auto& r : kReasonTexts)
    if (strlen(r.Text) == length && memcmp(r.Text, text, length) == 0) return r.Reason;
  return HoldReason::None;
}

MissedReason MissedReasonOfHold(HoldReason reason) {
  switch (reason) {
    case HoldReason::FullScreen: return MissedReason::FullScreen;
    case HoldReason::UserActive: return MissedReason::UserActive;
    default: return MissedReason::OnBattery;
  }
}

ConditionsToRead ConditionsFor(const DeferPreferences& p, bool unattendedWake) {
  ConditionsToRead read;
  read.Power = p.DeferOnBattery == 1 || (unattendedWake && p.WakeOnBattery == 0);
  read.FrontWindow = p.DeferWhileFullScreen == 1 || p.WaitForIdleMinutes > 0;
  read.Idle = p.WaitForIdleMinutes > 0;
  return read;
}

HoldReason HoldReasonNow(const DeferPreferences& p, const HoldConditions& c) {
  if (c.OnBattery && (p.DeferOnBattery == 1 || (c.UnattendedWake && p.WakeOnBattery == 0)))
    return HoldReason::OnBattery;
  if (c.ScreenSaver) return HoldReason::None;
  if (p.DeferWhileFullScreen == 1 && c.FullScreen) return HoldReason::FullScreen;
  if (p.WaitForIdleMinutes > 0 && c.IdleMinutes >= 0 && c.IdleMinutes < p.WaitForIdleMinutes)
    return HoldReason::UserActive;
  return HoldReason::None;
}

bool HoldHasLimit(HoldReason reason) { return reason == HoldReason::FullScreen || reason == HoldReason::UserActive; }

long MinutesBetween(PackedTime from, PackedTime to) {
  const int64_t seconds = RealSeconds(to) - RealSeconds(from);
  return seconds > 0 ? static_cast<long>(seconds / 60) : 0;
}

HeldRun* DeferredRuns::Find(int32_t setNumber) {
  for (size_t i = 0; i < count_; ++i)
    if (runs_[i].SetNumber == setNumber) return &runs_[i];
  return nullptr;
}

bool DeferredRuns::Add(const HeldRun& run) {
  if (count_ == MaxHeldRuns) return false;
  runs_[count_++] = run;
  return true;
}

void DeferredRuns::RemoveAt(size_t i) {
  if (i >= count_) return;
  for (size_t j = i + 1; j < count_; ++j) runs_[j - 1] = runs_[j];
  --count_;
}
