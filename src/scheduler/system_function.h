// Functions newer than Windows 95 and NT 4.0, reached at run time so that the
// program still starts where a system DLL lacks them.
#pragma once
#include <windows.h>

// The function name of module (a system DLL the program has loaded: kernel32,
// user32), or null where this Windows has none.
template <typename Function>
Function SystemFunction(const char* module, const char* name) {
  HMODULE loaded = GetModuleHandleA(module);
  if (loaded == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(loaded, name)));
}
