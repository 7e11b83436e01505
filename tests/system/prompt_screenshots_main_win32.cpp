// Photographs the pre-backup prompt for the documentation: while it slides in,
// with the countdown advanced, and paused. Each picture is the prompt's own
// window on a desktop-coloured margin, written as a 24-bit BMP into the folder given on the command line
// (default: the current one): prompt-sliding.bmp, prompt-countdown.bmp,
// prompt-paused.bmp. Run under Wine on a display; exit code 0 when all three
// were taken.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "own_prompt_win32.h"
#include "scheduler/ui/bitmap_resource_loader.h"
#include "scheduler/ui/pre_backup_prompt.h"
#include "scheduler/ui/tickwarden_ids.h"
#include "settings/settings.h"

namespace {

constexpr int kMargin = 8;
constexpr DWORD kDeadline = 15000;

DWORD WINAPI CallPrompt(LPVOID) { return static_cast<DWORD>(RunPreBackupPrompt()); }

HWND WaitForPrompt() {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kDeadline) {
    if (HWND w = promptwatch::OwnPrompt()) return w;
    Sleep(1);
  }
  return nullptr;
}

// The window's own pixels, on the desktop colour, inside `area` (screen
// coordinates); what lies beyond the bottom of the work area is left out, as
// the user would not see it either.
bool SaveWindow(const std::string& path, HWND window, RECT area, LONG visibleBottom) {
  const int w = area.right - area.left, h = area.bottom - area.top;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HDC source = GetWindowDC(window);
  HDC mem = CreateCompatibleDC(source);
  HBITMAP dib = CreateDIBSection(source, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, dib);
  RECT all = {0, 0, w, h};
  HBRUSH desk = CreateSolidBrush(RGB(58, 110, 165));
  FillRect(mem, &all, desk);
  DeleteObject(desk);
  RECT r;
  GetWindowRect(window, &r);
  const LONG shownBottom = r.bottom < visibleBottom ? r.bottom : visibleBottom;
  BitBlt(mem, r.left - area.left, r.top - area.top, r.right - r.left, shownBottom - r.top, source, 0, 0, SRCCOPY);
  GdiFlush();
  const DWORD stride = ((w * 3 + 3) / 4) * 4;
  BITMAPFILEHEADER fh = {};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + stride * h;
  bool ok = false;
  if (FILE* f = fopen(path.c_str(), "wb")) {
    ok = fwrite(&fh, sizeof fh, 1, f) == 1 && fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f) == 1 &&
         fwrite(bits, stride * h, 1, f) == 1;
    fclose(f);
  }
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
  ReleaseDC(window, source);
  printf("%s %s\n", ok ? "wrote" : "could not write", path.c_str());
  return ok;
}

RECT Around(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  InflateRect(&r, kMargin, kMargin);
  return r;
}

template <typename Done>
bool PollUntil(Done done) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kDeadline) {
    if (done()) return true;
    Sleep(1);
  }
  return false;
}

// Repaints the prompt until its progress bar shows its fill (its left end in
// another colour than its right end): the bar paints on the prompt's thread,
// and a picture taken before that would show it empty.
bool RepaintWithProgress(HWND w) {
  HWND bar = GetDlgItem(w, IDC_PROMPT_PROGRESS);
  return PollUntil([&] {
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT r;
    GetClientRect(bar, &r);
    HDC dc = GetDC(bar);
    const int y = (r.top + r.bottom) / 2;
    const bool drawn = GetPixel(dc, r.left + 2, y) != GetPixel(dc, r.right - 3, y);
    ReleaseDC(bar, dc);
    return drawn;
  });
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? std::string(argv[1]) + "\\" : std::string();
  BitmapResourceLoader* loader = new BitmapResourceLoader();
  BackgroundPalette = loader->CreatePaletteFromBitmap(IDB_PROMPT_256);
  BackgroundBitmap = loader->LoadDisplayBitmap(IDB_PROMPT_256, IDB_PROMPT_16);
  Preferences.PromptBeforeStarting = 1;

  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  HANDLE thread = CreateThread(nullptr, 0, CallPrompt, nullptr, 0, nullptr);
  HWND w = WaitForPrompt();
  if (w == nullptr) return 1;
  RECT r;
  GetWindowRect(w, &r);
  const int height = r.bottom - r.top;
  const int restingY = (work.bottom - work.top) - height - 1;

  // Halfway up: the lower part of the window is still below the work area.
  bool ok = PollUntil([&] {
    GetWindowRect(w, &r);
    return r.top <= restingY + height / 2;
  });
  RECT sliding = {r.left - kMargin, restingY - kMargin, r.right + kMargin, work.bottom - work.top};
  ok = ok && SaveWindow(folder + "prompt-sliding.bmp", w, sliding, work.bottom);

  HWND bar = GetDlgItem(w, IDC_PROMPT_PROGRESS);
  ok = ok && PollUntil([&] { return SendMessageA(bar, PBM_GETPOS, 0, 0) >= 8; });
  ok = ok && RepaintWithProgress(w) && SaveWindow(folder + "prompt-countdown.bmp", w, Around(w), work.bottom);

  SendMessageA(GetDlgItem(w, IDC_PROMPT_PAUSE), BM_CLICK, 0, 0);
  ok = ok && PollUntil([&] {
    char text[32] = "";
    GetDlgItemTextA(w, IDC_PROMPT_PAUSE, text, sizeof text);
    return strcmp(text, "Continue") == 0;
  });
  ok = ok && RepaintWithProgress(w) && SaveWindow(folder + "prompt-paused.bmp", w, Around(w), work.bottom);

  PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
  WaitForSingleObject(thread, kDeadline);
  CloseHandle(thread);
  if (BackgroundBitmap != nullptr) DeleteObject(BackgroundBitmap);
  delete loader;
  return ok ? 0 : 1;
}
