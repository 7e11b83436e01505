// The uninstaller's argument text and the mode it selects.
#pragma once

namespace pw {

// The command line after the program's own name (quoted or not) and the
// blanks behind it.
const char* ArgumentText(const char* commandLine);

// Finishing mode: the argument text begins with '-'; the rest is the path of
// the installed uninstaller. Anything else is removal mode.
bool IsFinishingMode(const char* argumentText);

}  // namespace pw
