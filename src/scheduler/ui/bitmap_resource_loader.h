// Prepares the prompt's background picture once at start-up: detects what the
// display can show, builds a logical palette from a bitmap resource on palette
// displays, and converts a bitmap resource into a bitmap in the display's own
// format (the 16-colour variant on 16-colour displays).
#pragma once
#ifdef _WIN32
#include <windows.h>

enum DisplayColorModeValue {
  ColorModeOther = 0,    // true colour, or a count the display does not report
  ColorModePalette = 1,  // palette display with at most 256 colours, other than 16
  ColorMode16 = 2,       // 16-colour display
};

// No per-object data: every object shares the static members below. The first
// construction detects the display; destruction of the last live object deletes
// the palette it made.
class BitmapResourceLoader {
 public:
  BitmapResourceLoader();
  virtual ~BitmapResourceLoader();

  // A new logical palette from the colour table of bitmap resource `id`, or
  // nullptr. Only palette displays get one; the loader owns it.
  static HPALETTE CreatePaletteFromBitmap(int id);

  // Bitmap resource `normalId` (or `sixteenColourId` on a 16-colour display)
  // converted to the display's format, or nullptr. The caller owns it.
  static HBITMAP LoadDisplayBitmap(int normalId, int sixteenColourId);

  static int DisplayColorMode;

 private:
  static HMODULE ModuleHandle;    // set by the first construction: detection done
  static HPALETTE CurrentPalette;  // last made by CreatePaletteFromBitmap
  static int LiveInstances;
};
#endif
