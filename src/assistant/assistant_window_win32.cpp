// The assistant's hidden window and its message handling. Requests are served
// completely inside the handler; while one waits for the main program, later
// requests stay queued in posting order.
#include "assistant/assistant_window.h"

#include "assistant/assistant_requests.h"
#include "platform/bounded_text.h"
#include "common/main_program_command.h"
#include "common/program_messages.h"

namespace {

char g_directory[kProgramPathSize];

}  // namespace

LRESULT CALLBACK AssistantWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case tw::kMsgAssistantBackupSet:
      ServeBackupSetRequest(g_directory, static_cast<int>(lp));
      return 0;
    case tw::kMsgAssistantAction:
      ServeActionRequest(g_directory, static_cast<int>(lp));
      return 0;
    case WM_CLOSE:
      DestroyWindow(wnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(wnd, &ps);
      EndPaint(wnd, &ps);
      return 0;
    }
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

bool RegisterAssistantClass(HINSTANCE instance, const char* className, HICON icon) {
  WNDCLASSA wc;
  ZeroMemory(&wc, sizeof wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = AssistantWindowProc;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  wc.lpszClassName = className;
  return RegisterClassA(&wc) != 0;
}

HWND CreateAssistantWindow(HINSTANCE instance, const char* className, const char* title,
                           const char* directory) {
  // A directory that does not fit would name another folder: keep none.
  if (!CopyBounded(g_directory, sizeof g_directory, directory)) g_directory[0] = '\0';
  return CreateWindowExA(0, className, title, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
}
