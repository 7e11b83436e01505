// Removing the scheduler service (NT family only).
#pragma once
#ifdef _WIN32

namespace pw {

// Stops the service when it runs (waiting at most 7.5 s) and deletes it.
// Returns 0 when done or when no service manager could be opened, -1 when the
// service does not exist or cannot be opened. A failed deletion is reported in
// a message box with the system's text for the error.
int RemoveSchedulerService(const char* serviceName);

}  // namespace pw
#endif
