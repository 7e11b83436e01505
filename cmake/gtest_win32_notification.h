// GoogleTest's own thread start-up gate, built on a Win32 event: the -win32
// flavour of mingw-w64 has no std::mutex, which GoogleTest's default uses.
#pragma once
#ifdef __cplusplus
#include <windows.h>
namespace testing {
namespace internal {
class Notification {
 public:
  Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};
}  // namespace internal
}  // namespace testing
#endif
