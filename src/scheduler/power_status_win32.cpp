// The power line status through GetSystemPowerStatus, found at run time.
#include "scheduler/power_status.h"

#include "scheduler/system_function.h"

namespace {

typedef BOOL(WINAPI* GetPowerStatusFunction)(SYSTEM_POWER_STATUS*);
const BYTE kLineOffline = 0;

}  // namespace

bool RunsOnBattery() {
  GetPowerStatusFunction get = SystemFunction<GetPowerStatusFunction>("kernel32.dll", "GetSystemPowerStatus");
  SYSTEM_POWER_STATUS status;
  if (get == nullptr || !get(&status)) return false;
  return status.ACLineStatus == kLineOffline;
}
