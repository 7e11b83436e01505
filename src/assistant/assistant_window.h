// The assistant's one hidden window: it marks the running assistant, lets the
// scheduler find it by class, and receives the scheduler's requests.
#pragma once
#ifdef _WIN32
#include <windows.h>

// Registers the window class named className with the given icon. Returns
// whether registration succeeded.
bool RegisterAssistantClass(HINSTANCE instance, const char* className, HICON icon);

// Creates the hidden 1 x 1 pop-up window; requests it receives start programs
// from directory (kept by the window for its lifetime). Returns null on failure.
HWND CreateAssistantWindow(HINSTANCE instance, const char* className, const char* title,
                           const char* directory);

// The window procedure, for tests that drive it directly.
LRESULT CALLBACK AssistantWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
#endif
