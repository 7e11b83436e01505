// Who this scheduler runs for. With fast user switching or terminal services
// every logged-on user runs a scheduler of their own on the one repository:
// the support log's start line and the run claims name the user, the computer,
// the session (where Windows has sessions) and the process.
#pragma once
#include <stddef.h>

// The user's log-on name; "" when Windows names none (Windows 95 without a
// log-on). Read once.
const char* SessionUserName();
// "user bob, computer PC1, session 2, process 1234" (the session only where
// Windows has them, from 2000 and NT 4 Terminal Server on) into out.
void FormatSessionText(char* out, size_t outSize);
