// Run claims: their names, how long each kind is kept, and the claiming
// itself over the platform's create-new-only (claim_files).
#include "scheduler/run_claim.h"

#include <string.h>

#include "platform/bounded_text.h"
#include "platform/path_rules.h"
#include "schedule/minute_text.h"
#include "schedule/missed_runs.h"
#include "scheduler/claim_files.h"
#include "scheduler/session_identity.h"
#include "scheduler/support_log.h"

namespace {

const char kClaimsFolder[] = "Claims";
const char kNamePrefix[] = "Set";
const char kNameSuffix[] = ".claim";
const PackedTime kSecondsPerMinute = 60;
const size_t kNameSize = ClaimNameSize;

// The scheduler's own; only the thread that runs the tick claims.
ClaimMemory g_memory;

const ClaimKind kKinds[] = {ClaimKind::Daily, ClaimKind::Run, ClaimKind::Startup, ClaimKind::Connect};

bool IsOwn(const ClaimMemory& memory, const char* name) {
  for (const auto& won : memory.Won)
    if (won[0] != '\0' && strcmp(won, name) == 0) return true;
  return false;
}

void NoteOwn(ClaimMemory& memory, const char* name) {
  CopyBounded(memory.Won[memory.Next % ClaimsRemembered], kNameSize, name);
  memory.Next = (memory.Next + 1) % ClaimsRemembered;
}

bool Join(char* out, const char* folder, const char* name) {
  return JoinPath(out, PathBufferSize, folder, name, ClaimPathSeparator);
}

bool StartsWith(const char*& p, const char* word) {
  const size_t n = strlen(word);
  for (size_t i = 0; i < n; ++i) {
    char c = p[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    char w = word[i];
    if (w >= 'A' && w <= 'Z') w = static_cast<char>(w - 'A' + 'a');
    if (c != w) return false;
  }
  p += n;
  return true;
}

bool Digits(const char*& p, int count, int32_t& value) {
  value = 0;
  for (int i = 0; i < count; ++i, ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + (*p - '0');
  }
  return true;
}

struct Sweep {
  const char* Folder;
  PackedTime Now;
  size_t Removed;
};

bool SweepOne(const char* name, void* context) {
  Sweep& sweep = *static_cast<Sweep*>(context);
  ClaimName claim;
  char path[PathBufferSize];
  // Names of other files are left alone.
  if (ParseClaimName(name, claim) && ClaimIsOld(claim, sweep.Now) && Join(path, sweep.Folder, name) &&
      RemoveClaimFile(path))
    ++sweep.Removed;
  return sweep.Removed < ClaimSweepRemovals;
}

// Old claims go now and then, a bounded number at a time.
void SweepOldClaims(ClaimMemory& memory, const char* folder, PackedTime now) {
  if (memory.Swept && now >= memory.LastSweep &&
      RealSeconds(now) - RealSeconds(memory.LastSweep) < ClaimSweepEverySeconds)
    return;
  memory.Swept = true;
  memory.LastSweep = now;
  Sweep sweep = {folder, now, 0};
  ListClaimFolder(folder, ClaimSweepLooks, SweepOne, &sweep);
}

ClaimCreate Create(const char* logs, const char* claims, const char* path, const char* text, unsigned long* error) {
  ClaimCreate made = CreateClaimFile(path, text, strlen(text), error);
  if (made != ClaimCreate::NoFolder) return made;
  MakeClaimFolder(logs);
  MakeClaimFolder(claims);
  return CreateClaimFile(path, text, strlen(text), error);
}

// Two schedulers may see the repository return in two minutes: a claim for
// the minute before, made by another, is the same return.
bool ConnectClaimedBefore(const ClaimMemory& memory, const char* claims, int32_t setNumber, PackedTime slot) {
  char name[kNameSize], path[PathBufferSize];
  return FormatClaimName(name, sizeof name, setNumber, slot - kSecondsPerMinute, ClaimKind::Connect) &&
         !IsOwn(memory, name) && Join(path, claims, name) && ClaimFileExists(path);
}

}  // namespace

const char* ClaimKindWord(ClaimKind kind) {
  switch (kind) {
    case ClaimKind::Daily: return "daily";
    case ClaimKind::Startup: return "startup";
    case ClaimKind::Connect: return "connect";
    default: return "run";
  }
}

bool FormatClaimName(char* out, size_t outSize, int32_t setNumber, PackedTime slot, ClaimKind kind) {
  DateTimeParts p;
  DateTimeUtil::UnpackTime(slot, p);
  TextBuilder b(out, outSize);
  b.Add(kNamePrefix).Number(setNumber).Add("-").Number(p.Year, 4).Number(p.Month, 2).Number(p.Day, 2)
      .Number(p.Hour, 2).Number(p.Minute, 2).Add("-").Add(ClaimKindWord(kind)).Add(kNameSuffix);
  return b.Fitted();
}

bool ParseClaimName(const char* name, ClaimName& out) {
  const char* p = name;
  if (!StartsWith(p, kNamePrefix)) return false;
  const bool negative = *p == '-';
  if (negative) ++p;
  int64_t set = 0;
  int digits = 0;
  for (; *p >= '0' && *p <= '9' && digits < 10; ++p, ++digits) set = set * 10 + (*p - '0');
  if (digits == 0 || *p != '-') return false;
  if (negative) set = -set;
  if (set > INT32_MAX || set < INT32_MIN) return false;
  ++p;
  DateTimeParts t = {};
  if (!Digits(p, 4, t.Year) || !Digits(p, 2, t.Month) || !Digits(p, 2, t.Day) || !Digits(p, 2, t.Hour) ||
      !Digits(p, 2, t.Minute) || *p++ != '-')
    return false;
  if (t.Year < 1980 || t.Month < 1 || t.Month > 12 || t.Day < 1 || t.Day > 31 || t.Hour > 23 || t.Minute > 59)
    return false;
  for (ClaimKind kind : kKinds) {
    const char* rest = p;
    if (StartsWith(rest, ClaimKindWord(kind)) && StartsWith(rest, kNameSuffix) && *rest == '\0') {
      out.SetNumber = static_cast<int32_t>(set);
      out.Slot = DateTimeUtil::PackTime(t);
      out.Kind = kind;
      return true;
    }
  }
  return false;
}

bool ClaimIsOld(const ClaimName& claim, PackedTime now) {
  const int64_t age = RealSeconds(now) - RealSeconds(claim.Slot);
  if (age < -static_cast<int64_t>(ClaimSecondsPerDay)) return true;
  const int64_t keep = claim.Kind == ClaimKind::Daily     ? ClaimKeepDaily
                       : claim.Kind == ClaimKind::Startup ? ClaimKeepStartup
                                                          : ClaimKeepOther;
  return age > keep;
}

RunSlot ClaimSlotOf(const MinuteDecision& d, PackedTime now) {
  const PackedTime minute = now - now % kSecondsPerMinute;
  switch (d.Trigger) {
    case LaunchTrigger::Startup: {
      DateTimeParts day;
      DateTimeUtil::UnpackTime(now, day);
      day.Hour = day.Minute = day.Second = 0;
      return {DateTimeUtil::PackTime(day), ClaimKind::Startup};
    }
    case LaunchTrigger::Connect: return {minute, ClaimKind::Connect};
    default:
      if (d.Slots.Outcome != SlotFinding::None) return {d.Slots.LastSlot, ClaimKind::Daily};
      return {minute, HasDailySlots(*d.Entry) ? ClaimKind::Daily : ClaimKind::Run};
  }
}

ClaimResult ClaimRun(const char* repository, int32_t setNumber, PackedTime slot, ClaimKind kind, PackedTime now,
                     ClaimMemory& memory, unsigned long* error) {
  unsigned long ignored = 0;
  if (error == nullptr) error = &ignored;
  *error = 0;
  char logs[PathBufferSize], claims[PathBufferSize], name[kNameSize], path[PathBufferSize];
  if (repository == nullptr || repository[0] == '\0' || !Join(logs, repository, SupportLogFolder) ||
      !Join(claims, logs, kClaimsFolder) || !FormatClaimName(name, sizeof name, setNumber, slot, kind) ||
      !Join(path, claims, name))
    return ClaimResult::Unclaimed;

  char text[480], who[400];
  FormatSessionText(who, sizeof who);
  TextBuilder b(text, sizeof text);
  AddTimeText(b, now, true);
  b.Add(" ").Add(ClaimKindWord(kind)).Add(" claimed by ").Add(who).Add("\r\n");

  switch (Create(logs, claims, path, text, error)) {
    case ClaimCreate::Exists: return IsOwn(memory, name) ? ClaimResult::Won : ClaimResult::Taken;
    case ClaimCreate::Created: break;
    default: return ClaimResult::Unclaimed;
  }
  if (kind == ClaimKind::Connect && ConnectClaimedBefore(memory, claims, setNumber, slot)) return ClaimResult::Taken;
  NoteOwn(memory, name);
  SweepOldClaims(memory, claims, now);
  return ClaimResult::Won;
}

ClaimResult ClaimOwnRun(const char* repository, int32_t setNumber, RunSlot slot, PackedTime now,
                        unsigned long* error) {
  return ClaimRun(repository, setNumber, slot.Slot, slot.Kind, now, g_memory, error);
}

void ForgetOwnClaims() { g_memory = ClaimMemory(); }
