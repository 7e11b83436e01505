// The assistant's hidden window and its message handling. Requests are served
// completely inside the handler. While one waits for the main program the
// window answers every message, and the requests and the close that come
// meanwhile wait their turn, in the order they came.
#include "assistant/assistant_window.h"

#include "assistant/assistant_requests.h"
#include "assistant/end_request_watch.h"
#include "platform/bounded_text.h"
#include "common/main_program_command.h"
#include "common/program_messages.h"

namespace {

char g_directory[kProgramPathSize];

// What came while a request was served. The scheduler sends one request per
// set and command; should more ever wait, the next is served at once.
struct Waiting {
  UINT Message;
  LPARAM Value;
};
const int kWaitingRoom = 64;
Waiting g_waiting[kWaitingRoom];
int g_waitingCount;
bool g_serving;

void Handle(HWND wnd, UINT msg, LPARAM lp) {
  if (msg == WM_CLOSE) {
    DestroyWindow(wnd);
  } else if (msg == tw::kMsgAssistantBackupSet) {
    ServeBackupSetRequest(g_directory, static_cast<int>(lp));
  } else {
    ServeActionRequest(g_directory, static_cast<int>(lp));
  }
}

// Serves one request or the close, then whatever came meanwhile, in order.
void Serve(HWND wnd, UINT msg, LPARAM lp) {
  if (g_serving && g_waitingCount < kWaitingRoom) {
    g_waiting[g_waitingCount++] = {msg, lp};
    return;
  }
  const bool outer = !g_serving;
  g_serving = true;
  Handle(wnd, msg, lp);
  if (!outer) return;
  // Served in turn; what comes while they are served joins the end.
  for (int next = 0; next < g_waitingCount && IsWindow(wnd); ++next)
    Handle(wnd, g_waiting[next].Message, g_waiting[next].Value);
  g_waitingCount = 0;
  g_serving = false;
}

}  // namespace

LRESULT CALLBACK AssistantWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case tw::kMsgAssistantBackupSet:
    case tw::kMsgAssistantAction:
    case WM_CLOSE:
      Serve(wnd, msg, lp);
      return 0;
    case WM_TIMER:
      EndIfUninstallAsks(wnd, g_directory);
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
  return WatchForEndRequest(
      CreateWindowExA(0, className, title, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr));
}
