// The wake timer and the execution state, through functions found at run time.
#include "scheduler/wake_timer.h"

#include "scheduler/system_function.h"

namespace {

typedef HANDLE(WINAPI* CreateTimerFunction)(SECURITY_ATTRIBUTES*, BOOL, const char*);
typedef BOOL(WINAPI* SetTimerFunction)(HANDLE, const LARGE_INTEGER*, LONG, PTIMERAPCROUTINE, void*, BOOL);
typedef BOOL(WINAPI* CancelTimerFunction)(HANDLE);
typedef DWORD(WINAPI* ExecutionStateFunction)(DWORD);

const char kKernel[] = "kernel32.dll";
// What SetWaitableTimer leaves when it took the time but cannot resume the
// system by it: ERROR_NOT_SUPPORTED (NT 4.0) and ERROR_TIMER_RESUME_IGNORED.
const DWORD kNotSupported = 50;
const DWORD kResumeIgnored = 722;
const DWORD kSystemRequired = 0x00000001;  // ES_SYSTEM_REQUIRED
const DWORD kContinuous = 0x80000000;      // ES_CONTINUOUS

}  // namespace

WakeArming WakeTimer::Arm(int64_t dueFileTime, unsigned long* error) {
  unsigned long ignored = 0;
  if (error == nullptr) error = &ignored;
  *error = 0;
  CreateTimerFunction create = SystemFunction<CreateTimerFunction>(kKernel, "CreateWaitableTimerA");
  SetTimerFunction set = SystemFunction<SetTimerFunction>(kKernel, "SetWaitableTimer");
  if (create == nullptr || set == nullptr) return WakeArming::Unavailable;
  if (!timer_.IsOpen()) timer_.Reset(create(nullptr, TRUE, nullptr));
  if (!timer_.IsOpen()) {
    *error = GetLastError();
    return WakeArming::Unavailable;
  }
  LARGE_INTEGER due;
  due.QuadPart = dueFileTime;  // positive: an absolute universal time
  SetLastError(0);
  if (!set(timer_.Get(), &due, 0, nullptr, nullptr, TRUE)) {
    *error = GetLastError();
    return WakeArming::Unavailable;
  }
  const DWORD said = GetLastError();
  if (said == kNotSupported || said == kResumeIgnored) {
    *error = said;
    return WakeArming::CannotWake;
  }
  return WakeArming::Armed;
}

void WakeTimer::Cancel() {
  CancelTimerFunction cancel = SystemFunction<CancelTimerFunction>(kKernel, "CancelWaitableTimer");
  if (timer_.IsOpen() && cancel) cancel(timer_.Get());
}

bool KeepSystemAwake(bool awake) {
  ExecutionStateFunction set = SystemFunction<ExecutionStateFunction>(kKernel, "SetThreadExecutionState");
  if (set == nullptr) return false;
  return set(awake ? kContinuous | kSystemRequired : kContinuous) != 0;
}
