// What the tray icon shows, as plain functions: which normal icon suits the
// running Windows version, and how a tooltip is fitted into the shell's
// 64-byte field.
#pragma once
#include <stddef.h>

// Resource id of the normal tray icon for the version word GetVersion reports:
// the 16-colour one on 4.0 / 4.10 and on NT x.0 other than NT 4, else the
// 16/256-colour one.
int ChooseNormalIconId(unsigned long versionWord);

// Size of the tooltip field of the shell's notification record.
const size_t kTooltipFieldSize = 64;

// Copies text into out (outSize bytes, terminated), cutting a text that does
// not fit between characters of the code page in use: a double-byte
// character is never split. Returns the bytes stored.
size_t FitTooltip(const char* text, char* out, size_t outSize);
