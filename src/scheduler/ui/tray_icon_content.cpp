// Icon choice and tooltip fitting for the tray icon.
#include "scheduler/ui/tray_icon_content.h"

#include <string.h>

#include "platform/windows_version.h"
#include "platform/bounded_text.h"
#include "scheduler/ui/tickwarden_ids.h"

int ChooseNormalIconId(unsigned long versionWord) {
  unsigned major = versionWord & 0xFF;
  unsigned minor = (versionWord >> 8) & 0xFF;
  bool ntFamily = IsNtFamilyVersion(versionWord);
  if (major == 4 && (minor == 0 || minor == 10)) return IDI_NORMAL_OLD;
  if (ntFamily && major != 4 && minor == 0) return IDI_NORMAL_OLD;
  return IDI_NORMAL;
}

size_t FitTooltip(const char* text, char* out, size_t outSize) {
  if (outSize == 0) return 0;
  CopyBounded(out, outSize, text);
  return strlen(out);
}
