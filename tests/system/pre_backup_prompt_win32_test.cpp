// The pre-backup prompt as the user meets it: the real dialog 113 from this
// program's resources, run by RunPreBackupPrompt on a thread and driven by
// window messages, and the picture loader on the real and on damaged bitmap
// resources.
#include "scheduler/ui/pre_backup_prompt.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <atomic>
#include <string>

#include "own_prompt_win32.h"
#include "scheduler/ui/bitmap_resource_loader.h"
#include "scheduler/ui/tickwarden_ids.h"
#include "settings/settings.h"

namespace {

constexpr DWORD kOpenDeadline = 20000;
constexpr DWORD kCloseDeadline = 10000;

struct PromptCall {
  HANDLE Thread = nullptr;
  int Result = -1;
};

DWORD WINAPI CallPrompt(LPVOID p) {
  static_cast<PromptCall*>(p)->Result = RunPreBackupPrompt();
  return 0;
}

using promptwatch::OwnPrompt;

// What the prompt's thread did to its window, as a spy on the messages sent
// there sees it: the tops at which the shown dialog stood and the bar's
// positions, in order. Each entry is written on the prompt's thread before
// its count is raised; read after the prompt has ended, or once a count shows
// what the test waits for.
struct PromptSpy {
  static constexpr int kRoom = 1024;
  LONG Tops[kRoom];
  WPARAM Bar[kRoom];
  std::atomic<int> TopCount{0}, BarCount{0};
};
PromptSpy g_spy;

LRESULT CALLBACK SpyOnPrompt(int code, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT& m = *reinterpret_cast<const CWPSTRUCT*>(lParam);
  char cls[16] = "";
  if (code == HC_ACTION && m.message == WM_WINDOWPOSCHANGED && IsWindowVisible(m.hwnd) &&
      GetClassNameA(m.hwnd, cls, sizeof cls) && strcmp(cls, "#32770") == 0) {
    const int n = g_spy.TopCount.load();
    if (n < PromptSpy::kRoom) {
      RECT r;
      GetWindowRect(m.hwnd, &r);
      g_spy.Tops[n] = r.top;
      g_spy.TopCount.store(n + 1);
    }
  }
  if (code == HC_ACTION && m.message == PBM_SETPOS) {
    const int n = g_spy.BarCount.load();
    if (n < PromptSpy::kRoom) {
      g_spy.Bar[n] = m.wParam;
      g_spy.BarCount.store(n + 1);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LPTHREAD_START_ROUTINE g_promptRoutine = nullptr;

DWORD WINAPI SpiedPromptThread(LPVOID arg) {
  HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, SpyOnPrompt, nullptr, GetCurrentThreadId());
  const DWORD result = g_promptRoutine(arg);
  if (hook != nullptr) UnhookWindowsHookEx(hook);
  return result;
}

// Starts the prompt's thread with the spy on it.
HANDLE WINAPI SpiedStart(LPSECURITY_ATTRIBUTES a, SIZE_T size, LPTHREAD_START_ROUTINE routine, LPVOID arg,
                         DWORD flags, LPDWORD id) {
  g_promptRoutine = routine;
  g_spy.TopCount.store(0);
  g_spy.BarCount.store(0);
  return CreateThread(a, size, SpiedPromptThread, arg, flags, id);
}

std::string Text(HWND w) {
  char buf[256] = "";
  GetWindowTextA(w, buf, sizeof buf);
  return buf;
}

RECT WindowRect(HWND w) {
  RECT r = {0, 0, 0, 0};
  GetWindowRect(w, &r);
  return r;
}

RECT WorkArea() {
  RECT r = {0, 0, 0, 0};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

class PreBackupPrompt : public ::testing::Test {
 protected:
  void SetUp() override {
    Preferences.PromptBeforeStarting = 1;
    savedStarter_ = StartPromptThread;
    StartPromptThread = SpiedStart;
  }

  void TearDown() override {
    StartPromptThread = savedStarter_;
    if (call_.Thread == nullptr) return;
    // A test that failed half-way must not leave its prompt to the next one.
    if (WaitForSingleObject(call_.Thread, 0) == WAIT_TIMEOUT) {
      if (HWND w = OwnPrompt()) PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
      WaitForSingleObject(call_.Thread, kCloseDeadline);
    }
    CloseHandle(call_.Thread);
  }

  HWND Open() {
    call_.Thread = CreateThread(nullptr, 0, CallPrompt, &call_, 0, nullptr);
    EXPECT_NE(call_.Thread, nullptr);
    // Shown only once its opening is done (position, bar range, title).
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kOpenDeadline) {
      HWND w = OwnPrompt();
      if (w != nullptr && IsWindowVisible(w)) return w;
      Sleep(5);
    }
    ADD_FAILURE() << "the prompt did not open";
    return nullptr;
  }

  // The answer of RunPreBackupPrompt, or -1 when it did not return in time.
  int Answer(DWORD deadline = kCloseDeadline) {
    if (WaitForSingleObject(call_.Thread, deadline) != WAIT_OBJECT_0) return -1;
    return call_.Result;
  }

  // Polls until the window rests at the given top, or the deadline passes
  // (the countdown would close it at twenty seconds).
  bool RestsAt(HWND w, LONG top, DWORD deadline = 15000) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < deadline) {
      if (WindowRect(w).top == top) return true;
      Sleep(5);
    }
    return false;
  }

  static void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

  PromptCall call_;
  PromptThreadStarter savedStarter_ = nullptr;
};

TEST_F(PreBackupPrompt, SkipAnswersSkip) {
  HWND w = Open();
  ASSERT_NE(w, nullptr);
  Click(w, IDCANCEL);
  EXPECT_EQ(Answer(), 1);
  EXPECT_EQ(PromptState.load(), PromptStage::Finished);
  EXPECT_FALSE(IsWindow(w));
}

TEST_F(PreBackupPrompt, StartNowAnswersGoAhead) {
  HWND w = Open();
  ASSERT_NE(w, nullptr);
  Click(w, IDOK);
  EXPECT_EQ(Answer(), 0);
}

TEST_F(PreBackupPrompt, ClosingTheWindowCountsAsSkip) {
  HWND w = Open();
  ASSERT_NE(w, nullptr);
  PostMessageA(w, WM_CLOSE, 0, 0);
  EXPECT_EQ(Answer(), 1);
}

TEST_F(PreBackupPrompt, IsAPlainTopLevelWindowWithTheTemplatesControls) {
  HWND w = Open();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(GetWindow(w, GW_OWNER), nullptr);
  EXPECT_EQ(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  const LONG style = GetWindowLongA(w, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_BORDER);  // a border, but no title bar
  EXPECT_EQ(style & WS_SYSMENU, 0);
  EXPECT_EQ(Text(GetDlgItem(w, IDC_PROMPT_PAUSE)), "Pause");
  EXPECT_EQ(Text(GetDlgItem(w, IDOK)), "Start Now");
  EXPECT_EQ(Text(GetDlgItem(w, IDCANCEL)), "Skip");
  EXPECT_EQ(Text(GetDlgItem(w, IDC_PROMPT_TEXT)),
            "A backup is scheduled to begin.\nPress Pause to delay this backup.\nPress Skip to cancel this backup.");
  HWND bar = GetDlgItem(w, IDC_PROMPT_PROGRESS);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 20);
  Click(w, IDCANCEL);
  EXPECT_EQ(Answer(), 1);
}

TEST_F(PreBackupPrompt, PauseTogglesItsCaptionAndNeverClosesThePrompt) {
  HWND w = Open();
  ASSERT_NE(w, nullptr);
  HWND pause = GetDlgItem(w, IDC_PROMPT_PAUSE);
  Click(w, IDC_PROMPT_PAUSE);
  EXPECT_EQ(Text(pause), "Continue");
  Click(w, IDC_PROMPT_PAUSE);
  EXPECT_EQ(Text(pause), "Pause");
  Click(w, IDC_PROMPT_PAUSE);
  EXPECT_EQ(Text(pause), "Continue");
  EXPECT_TRUE(IsWindow(w));
  EXPECT_EQ(WaitForSingleObject(call_.Thread, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  Click(w, IDOK);
  EXPECT_EQ(Answer(), 0);
}

TEST_F(PreBackupPrompt, TheNextPromptOpensRunningAfterAPausedOneWasSkipped) {
  HWND w = Open();
  ASSERT_NE(w, nullptr);
  Click(w, IDC_PROMPT_PAUSE);
  Click(w, IDCANCEL);
  ASSERT_EQ(Answer(), 1);
  CloseHandle(call_.Thread);
  call_ = PromptCall();

  HWND next = Open();
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(Text(GetDlgItem(next, IDC_PROMPT_PAUSE)), "Pause");
  Click(next, IDOK);
  EXPECT_EQ(Answer(), 0);
}

TEST_F(PreBackupPrompt, RisesFromBelowToOnePixelInsideTheWorkAreasSize) {
  const RECT work = WorkArea();
  HWND w = Open();
  ASSERT_NE(w, nullptr);
  const RECT first = WindowRect(w);
  const LONG width = first.right - first.left, height = first.bottom - first.top;
  const LONG restingY = (work.bottom - work.top) - height - 1;
  ASSERT_TRUE(RestsAt(w, restingY));
  EXPECT_EQ(WindowRect(w).left, (work.right - work.left) - width - 1);
  // It showed lower first and only rose.
  const int shown = g_spy.TopCount.load();
  ASSERT_GT(shown, 0);
  EXPECT_GT(g_spy.Tops[0], restingY);
  for (int i = 1; i < shown; ++i) EXPECT_LE(g_spy.Tops[i], g_spy.Tops[i - 1]) << i;
  Click(w, IDCANCEL);
  EXPECT_EQ(Answer(), 1);
}

TEST_F(PreBackupPrompt, UsesTheWorkAreasWidthAndHeightNotItsEdges) {
  const RECT saved = WorkArea();
  RECT shifted = {40, 30, 840, 630};  // as with a taskbar on the left and on top
  if (!SystemParametersInfoA(SPI_SETWORKAREA, 0, &shifted, 0)) GTEST_SKIP() << "work area is fixed here";
  const RECT now = WorkArea();
  if (!EqualRect(&now, &shifted)) {
    SystemParametersInfoA(SPI_SETWORKAREA, 0, const_cast<RECT*>(&saved), 0);
    GTEST_SKIP() << "work area is fixed here";
  }
  HWND w = Open();
  if (w != nullptr) {
    const RECT r = WindowRect(w);
    const LONG width = r.right - r.left, height = r.bottom - r.top;
    EXPECT_TRUE(RestsAt(w, 600 - height - 1));
    EXPECT_EQ(WindowRect(w).left, 800 - width - 1);
    Click(w, IDCANCEL);
    EXPECT_EQ(Answer(), 1);
  }
  SystemParametersInfoA(SPI_SETWORKAREA, 0, const_cast<RECT*>(&saved), 0);
}

TEST_F(PreBackupPrompt, DraggingMovesTheWindowWithTheCursor) {
  const RECT work = WorkArea();
  HWND w = Open();
  ASSERT_NE(w, nullptr);
  const RECT first = WindowRect(w);
  ASSERT_TRUE(RestsAt(w, (work.bottom - work.top) - (first.bottom - first.top) - 1));
  const RECT before = WindowRect(w);
  SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
  SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50, 5));
  SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(50, 5));
  const RECT after = WindowRect(w);
  EXPECT_EQ(after.left, before.left + 30);
  EXPECT_EQ(after.top, before.top - 15);
  // Moves after the release leave it where it is.
  SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(90, 90));
  EXPECT_EQ(WindowRect(w).left, after.left);
  Click(w, IDOK);
  EXPECT_EQ(Answer(), 0);
}

// With the start-up picture loaded as a palette display has it, the prompt
// shows it at (1, 1) inside a black one-pixel frame, reaching the frame,
// and answers the palette query as handled.
TEST_F(PreBackupPrompt, PaintsThePictureInsideABlackFrame) {
  BitmapResourceLoader loader;
  const int savedMode = BitmapResourceLoader::DisplayColorMode;
  BitmapResourceLoader::DisplayColorMode = ColorModePalette;
  BackgroundPalette = BitmapResourceLoader::CreatePaletteFromBitmap(IDB_PROMPT_256);
  BackgroundBitmap = BitmapResourceLoader::LoadDisplayBitmap(IDB_PROMPT_256, IDB_PROMPT_16);
  BitmapResourceLoader::DisplayColorMode = savedMode;
  ASSERT_NE(BackgroundBitmap, nullptr);
  ASSERT_NE(BackgroundPalette, nullptr);

  HWND w = Open();
  if (w != nullptr) {
    EXPECT_EQ(SendMessageA(w, WM_QUERYNEWPALETTE, 0, 0), TRUE);
    // The prompt's thread paints into a bitmap of ours and has finished when
    // the call returns: the screen may be caught half-way through a paint.
    // True colour whatever the display, so that every colour reads back as drawn.
    RECT client;
    GetClientRect(w, &client);
    BITMAPINFO target = {};
    target.bmiHeader.biSize = sizeof target.bmiHeader;
    target.bmiHeader.biWidth = client.right;
    target.bmiHeader.biHeight = client.bottom;
    target.bmiHeader.biPlanes = 1;
    target.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP painted = CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC window = CreateCompatibleDC(nullptr);
    HGDIOBJ oldPainted = SelectObject(window, painted);
    FillRect(window, &client, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));  // neither black nor white
    SendMessageA(w, WM_PRINT, reinterpret_cast<WPARAM>(window), PRF_ERASEBKGND | PRF_CLIENT);
    HDC picture = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(picture, BackgroundBitmap);
    EXPECT_EQ(GetPixel(window, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(window, 0, 40), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(window, 140, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(window, client.right - 1, client.bottom - 1), RGB(0, 0, 0));
    // Points of the banner, above every control.
    const int probes[][2] = {{0, 0}, {36, 24}, {140, 20}, {200, 45}};
    for (const auto& p : probes)
      EXPECT_EQ(GetPixel(window, p[0] + 1, p[1] + 1), GetPixel(picture, p[0], p[1])) << p[0] << "," << p[1];
    // The dialog's width follows the system font, the picture's does not: the
    // banner goes on in its edge colour up to the frame, and every control lies
    // inside the window.
    // A window no wider than the picture cuts it at the frame.
    BITMAP size = {};
    EXPECT_NE(0, GetObjectA(BackgroundBitmap, sizeof size, &size));
    const int edge = size.bmWidth - 1 < client.right - 3 ? size.bmWidth - 1 : client.right - 3;
    for (int y : {1, 20, 45})
      EXPECT_EQ(GetPixel(window, client.right - 2, y + 1), GetPixel(picture, edge, y))
          << "row " << y << ", window " << client.right << " wide";
    const RECT own = WindowRect(w);
    for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      const RECT r = WindowRect(c);
      EXPECT_TRUE(r.left >= own.left && r.right <= own.right && r.top >= own.top && r.bottom <= own.bottom)
          << "control " << GetDlgCtrlID(c);
    }
    SelectObject(picture, old);
    DeleteDC(picture);
    SelectObject(window, oldPainted);
    DeleteObject(painted);
    DeleteDC(window);
    Click(w, IDCANCEL);
    EXPECT_EQ(Answer(), 1);
  }
  DeleteObject(BackgroundBitmap);
  BackgroundBitmap = nullptr;
  BackgroundPalette = nullptr;  // the loader deletes it
}

// Nobody touches the prompt: twenty seconds, the bar ends on 19 of 20, the
// window sinks and the backup goes ahead.
TEST_F(PreBackupPrompt, LettingTheCountdownRunOutGoesAhead) {
  const RECT work = WorkArea();
  HWND w = Open();
  ASSERT_NE(w, nullptr);
  const RECT first = WindowRect(w);
  const LONG restingY = (work.bottom - work.top) - (first.bottom - first.top) - 1;
  ASSERT_TRUE(RestsAt(w, restingY));
  const DWORD start = GetTickCount();
  EXPECT_EQ(Answer(40000), 0);
  EXPECT_GE(GetTickCount() - start, 15000u);  // it really counted down
  // The prompt has ended: the spy's record is complete.
  WPARAM highest = 0;
  for (int i = 0; i < g_spy.BarCount.load(); ++i) highest = g_spy.Bar[i] > highest ? g_spy.Bar[i] : highest;
  EXPECT_EQ(highest, 19u);
  const int shown = g_spy.TopCount.load();
  ASSERT_GT(shown, 0);
  EXPECT_GT(g_spy.Tops[shown - 1], restingY);  // it slid out before closing
}

HANDLE WINAPI NoThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}

int threadStarts = 0;
HANDLE WINAPI CountingStarter(LPSECURITY_ATTRIBUTES a, SIZE_T b, LPTHREAD_START_ROUTINE c, LPVOID d, DWORD e,
                              LPDWORD f) {
  ++threadStarts;
  return CreateThread(a, b, c, d, e, f);
}

TEST(PreBackupPromptStart, AThreadThatCannotStartEndsTheWaitAndGoesAhead) {
  Preferences.PromptBeforeStarting = 1;
  const PromptThreadStarter saved = StartPromptThread;
  StartPromptThread = NoThread;
  const DWORD start = GetTickCount();
  const int answer = RunPreBackupPrompt();
  StartPromptThread = saved;
  EXPECT_EQ(answer, 0);
  EXPECT_EQ(PromptState.load(), PromptStage::Finished);
  EXPECT_LT(GetTickCount() - start, 5000u);
  EXPECT_EQ(OwnPrompt(), nullptr);
}

TEST(PreBackupPromptStart, PromptingOffMeansNoThreadAndGoAhead) {
  Preferences.PromptBeforeStarting = 0;
  const PromptThreadStarter saved = StartPromptThread;
  StartPromptThread = CountingStarter;
  threadStarts = 0;
  EXPECT_EQ(RunPreBackupPrompt(), 0);
  StartPromptThread = saved;
  EXPECT_EQ(threadStarts, 0);
  Preferences.PromptBeforeStarting = 1;
}

// ---------------------------------------------------------------- picture loader

struct ResourceDib {
  const BITMAPINFOHEADER* Header = nullptr;
  const RGBQUAD* Colours = nullptr;
  const BYTE* Pixels = nullptr;
};

ResourceDib OwnBitmap(int id) {
  ResourceDib d;
  HRSRC r = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));
  if (r == nullptr) return d;
  const BYTE* base = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, r)));
  d.Header = reinterpret_cast<const BITMAPINFOHEADER*>(base);
  d.Colours = reinterpret_cast<const RGBQUAD*>(base + 40);
  const DWORD entries = d.Header->biClrUsed ? d.Header->biClrUsed : (1u << d.Header->biBitCount);
  d.Pixels = base + 40 + entries * 4;
  return d;
}

// Colour of the 8-bit resource at (x, y), counted from the top.
COLORREF ResourcePixel8(const ResourceDib& d, int x, int y) {
  const int stride = ((d.Header->biWidth * 8 + 31) / 32) * 4;
  const BYTE index = d.Pixels[(d.Header->biHeight - 1 - y) * stride + x];
  const RGBQUAD c = d.Colours[index];
  return RGB(c.rgbRed, c.rgbGreen, c.rgbBlue);
}

class BitmapLoader : public ::testing::Test {
 protected:
  void SetUp() override { savedMode_ = BitmapResourceLoader::DisplayColorMode; }
  void TearDown() override { BitmapResourceLoader::DisplayColorMode = savedMode_; }
  BitmapResourceLoader loader_;
  int savedMode_ = 0;
};

bool PaletteDisplay() {
  HDC screen = GetDC(nullptr);
  const bool palette = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0;
  ReleaseDC(nullptr, screen);
  return palette;
}

TEST_F(BitmapLoader, ThePictureHasTheResourcesSizeAndColours) {
  // The display's own format holds every colour only on a true-colour display.
  if (PaletteDisplay()) GTEST_SKIP() << "a palette display keeps the picture in its own colours";
  BitmapResourceLoader::DisplayColorMode = ColorModeOther;
  HBITMAP b = BitmapResourceLoader::LoadDisplayBitmap(IDB_PROMPT_256, IDB_PROMPT_16);
  ASSERT_NE(b, nullptr);
  BITMAP info;
  ASSERT_NE(GetObjectA(b, sizeof info, &info), 0);
  EXPECT_EQ(info.bmWidth, 281);
  EXPECT_EQ(info.bmHeight, 160);

  const ResourceDib dib = OwnBitmap(IDB_PROMPT_256);
  ASSERT_NE(dib.Header, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, b);
  const int probes[][2] = {{0, 0}, {36, 24}, {140, 20}, {280, 0}, {140, 90}, {5, 159}};
  for (const auto& p : probes)
    EXPECT_EQ(GetPixel(dc, p[0], p[1]), ResourcePixel8(dib, p[0], p[1])) << p[0] << "," << p[1];
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(b);
}

TEST_F(BitmapLoader, SixteenColourDisplaysGetTheSixteenColourPicture) {
  BitmapResourceLoader::DisplayColorMode = ColorMode16;
  EXPECT_EQ(BitmapResourceLoader::CreatePaletteFromBitmap(IDB_PROMPT_256), nullptr);
  // The normal id is missing here: only the 16-colour one can give a picture.
  HBITMAP b = BitmapResourceLoader::LoadDisplayBitmap(999, IDB_PROMPT_16);
  ASSERT_NE(b, nullptr);
  BITMAP info;
  GetObjectA(b, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 281);
  EXPECT_EQ(info.bmHeight, 160);
  DeleteObject(b);
}

TEST_F(BitmapLoader, PaletteDisplaysGetAllTwoHundredFiftySixColours) {
  BitmapResourceLoader::DisplayColorMode = ColorModePalette;
  HPALETTE p = BitmapResourceLoader::CreatePaletteFromBitmap(IDB_PROMPT_256);
  ASSERT_NE(p, nullptr);
  PALETTEENTRY entries[256];
  ASSERT_EQ(GetPaletteEntries(p, 0, 256, entries), 256u);
  const ResourceDib dib = OwnBitmap(IDB_PROMPT_256);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(entries[i].peRed, dib.Colours[i].rgbRed) << i;
    EXPECT_EQ(entries[i].peGreen, dib.Colours[i].rgbGreen) << i;
    EXPECT_EQ(entries[i].peBlue, dib.Colours[i].rgbBlue) << i;
  }
  // A second palette replaces the first, which the loader deletes.
  HPALETTE again = BitmapResourceLoader::CreatePaletteFromBitmap(IDB_PROMPT_256);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(GetObjectType(p), 0u);
  HBITMAP b = BitmapResourceLoader::LoadDisplayBitmap(IDB_PROMPT_256, IDB_PROMPT_16);
  EXPECT_NE(b, nullptr);
  DeleteObject(b);
}

// On a 256-colour display (the 8-bit lane) the palette path runs for real:
// the picture keeps the resource's colours, whatever the system palette held
// when it was made, and drawn through the palette into a true-colour bitmap
// it shows them.
TEST_F(BitmapLoader, OnAPaletteDisplayThePictureKeepsItsOwnColours) {
  if (!PaletteDisplay()) GTEST_SKIP() << "a true-colour display; the 8-bit lane runs this";
  ASSERT_EQ(ColorModePalette, BitmapResourceLoader::DisplayColorMode);
  HPALETTE palette = BitmapResourceLoader::CreatePaletteFromBitmap(IDB_PROMPT_256);
  ASSERT_NE(palette, nullptr);
  HBITMAP b = BitmapResourceLoader::LoadDisplayBitmap(IDB_PROMPT_256, IDB_PROMPT_16);
  ASSERT_NE(b, nullptr);
  BITMAPINFO target = {};
  target.bmiHeader.biSize = sizeof target.bmiHeader;
  target.bmiHeader.biWidth = 281;
  target.bmiHeader.biHeight = 160;
  target.bmiHeader.biPlanes = 1;
  target.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP shown = CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(shown, nullptr);
  HDC to = CreateCompatibleDC(nullptr), from = CreateCompatibleDC(nullptr);
  HGDIOBJ oldTo = SelectObject(to, shown), oldFrom = SelectObject(from, b);
  HPALETTE oldPalette = SelectPalette(to, palette, FALSE);
  RealizePalette(to);
  BitBlt(to, 0, 0, 281, 160, from, 0, 0, SRCCOPY);
  const ResourceDib dib = OwnBitmap(IDB_PROMPT_256);
  const int probes[][2] = {{0, 0}, {36, 24}, {140, 20}, {280, 0}, {200, 45}, {250, 10}, {140, 90}, {5, 159}};
  for (const auto& p : probes)
    EXPECT_EQ(GetPixel(to, p[0], p[1]), ResourcePixel8(dib, p[0], p[1])) << p[0] << "," << p[1];
  SelectPalette(to, oldPalette, FALSE);
  SelectObject(to, oldTo);
  SelectObject(from, oldFrom);
  DeleteDC(to);
  DeleteDC(from);
  DeleteObject(shown);
  DeleteObject(b);
}

TEST_F(BitmapLoader, OtherDisplaysGetNoPalette) {
  BitmapResourceLoader::DisplayColorMode = ColorModeOther;
  EXPECT_EQ(BitmapResourceLoader::CreatePaletteFromBitmap(IDB_PROMPT_256), nullptr);
}

TEST_F(BitmapLoader, AMissingResourceGivesNothing) {
  BitmapResourceLoader::DisplayColorMode = ColorModePalette;
  EXPECT_EQ(BitmapResourceLoader::CreatePaletteFromBitmap(999), nullptr);
  EXPECT_EQ(BitmapResourceLoader::LoadDisplayBitmap(999, 998), nullptr);
  BitmapResourceLoader::DisplayColorMode = ColorModeOther;
  EXPECT_EQ(BitmapResourceLoader::LoadDisplayBitmap(999, IDB_PROMPT_16), nullptr);
}

TEST_F(BitmapLoader, DamagedResourcesGiveNothing) {
  // 900: rows cut off; 901: a table larger than 8 bits can index;
  // 902: shorter than its header; 903: rows too wide for any size.
  for (int id = 900; id <= 903; ++id) {
    ASSERT_NE(FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2)), nullptr) << id;
    BitmapResourceLoader::DisplayColorMode = ColorModePalette;
    EXPECT_EQ(BitmapResourceLoader::CreatePaletteFromBitmap(id), nullptr) << id;
    EXPECT_EQ(BitmapResourceLoader::LoadDisplayBitmap(id, id), nullptr) << id;
    BitmapResourceLoader::DisplayColorMode = ColorModeOther;
    EXPECT_EQ(BitmapResourceLoader::LoadDisplayBitmap(id, id), nullptr) << id;
  }
}

TEST(TrayIcons, AllThreeLoadAtSixteenBySixteen) {
  for (int id : {IDI_NORMAL, IDI_NORMAL_OLD, IDI_OFFLINE}) {
    HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
    ASSERT_NE(icon, nullptr) << id;
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(icon, &info)) << id;
    BITMAP mask;
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, 16) << id;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

}  // namespace
