// Splitting off the program name the way the platform's start-up code does.
#include "uninstall/argument_text.h"

namespace pw {

const char* ArgumentText(const char* commandLine) {
  const char* p = commandLine;
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

bool IsFinishingMode(const char* argumentText) { return argumentText[0] == '-'; }

}  // namespace pw
