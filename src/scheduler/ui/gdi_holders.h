// Thin scoped holders for a window's device context and for GDI selections,
// so every early return puts back what it selected and releases what it took.
// What is deleted rather than put back (memory contexts, GDI objects) has its
// holder in platform/handles.h.
#pragma once
#ifdef _WIN32
#include <windows.h>

#include "platform/handles.h"

// A window's (or, for nullptr, the screen's) device context, released at scope end.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a device context until scope end.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A palette selected (as foreground palette unless background is asked for)
// and realised, until scope end; does nothing for no palette.
class SelectedPalette {
 public:
  SelectedPalette(HDC dc, HPALETTE palette, bool background = false) : dc_(dc), previous_(nullptr) {
    if (palette == nullptr) return;
    previous_ = SelectPalette(dc, palette, background ? TRUE : FALSE);
    realized_ = RealizePalette(dc);
  }
  ~SelectedPalette() {
    if (previous_ != nullptr) SelectPalette(dc_, previous_, FALSE);
  }
  SelectedPalette(const SelectedPalette&) = delete;
  SelectedPalette& operator=(const SelectedPalette&) = delete;
  // RealizePalette's answer: GDI_ERROR when realising failed.
  UINT realized() const { return realized_; }

 private:
  HDC dc_;
  HPALETTE previous_;
  UINT realized_ = 0;
};
#endif
