// The prompt's picture: display detection, the palette from a bitmap resource's
// colour table, and conversion of a bitmap resource to the display's format.
// A resource is only used after its header, colour table and pixel rows have
// been checked to lie inside it; a damaged one gives no palette and no bitmap.
#include "scheduler/ui/bitmap_resource_loader.h"
#include "scheduler/ui/gdi_holders.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

int BitmapResourceLoader::DisplayColorMode = ColorModeOther;
HMODULE BitmapResourceLoader::ModuleHandle = nullptr;
HPALETTE BitmapResourceLoader::CurrentPalette = nullptr;
int BitmapResourceLoader::LiveInstances = 0;

namespace {

constexpr uint32_t kHeaderSize = sizeof(BITMAPINFOHEADER);  // 40
constexpr uint32_t kBitFieldMasks = 3;

// A bitmap resource whose parts have all been found inside it.
struct DibView {
  const BITMAPINFOHEADER* Header;
  const BYTE* ColourTable;   // right after the header (and the masks, for bit fields)
  uint32_t ColourEntries;    // entries of ColourTable, masks not counted
  LONG Width;
  LONG Rows;                 // scan lines, whichever way up they are stored
  uint64_t Stride;           // bytes per scan line
  const BYTE* Pixels;
};

bool BitsPerPixelKnown(WORD bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool ViewBitmapResource(HMODULE module, int id, DibView* view) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
  if (found == nullptr) return false;
  const uint64_t size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  if (loaded == nullptr) return false;
  const BYTE* base = static_cast<const BYTE*>(LockResource(loaded));
  if (base == nullptr || size < kHeaderSize) return false;

  const BITMAPINFOHEADER* h = reinterpret_cast<const BITMAPINFOHEADER*>(base);
  if (h->biSize != kHeaderSize || h->biPlanes != 1 || !BitsPerPixelKnown(h->biBitCount)) return false;
  if (h->biWidth <= 0 || h->biHeight == 0 || h->biHeight < -0x7FFFFFFF) return false;
  // Run-length data cannot be bounded before GDI decodes it, so only plain rows
  // (and bit-field masks for 16 and 32 bits) are accepted.
  const bool bitFields = h->biCompression == BI_BITFIELDS;
  if (!(h->biCompression == BI_RGB || (bitFields && (h->biBitCount == 16 || h->biBitCount == 32))))
    return false;

  // Beyond 8 bits per pixel there is no implied table: only what biClrUsed says.
  uint64_t entries = h->biClrUsed;
  if (h->biBitCount <= 8) {
    const uint64_t implied = 1u << h->biBitCount;
    if (entries > implied) return false;
    if (entries == 0) entries = implied;
  }
  const uint64_t tableOffset = kHeaderSize + (bitFields ? kBitFieldMasks * 4 : 0);
  const uint64_t pixelOffset = tableOffset + entries * 4;
  const uint64_t rows = h->biHeight < 0 ? -static_cast<int64_t>(h->biHeight) : h->biHeight;
  const uint64_t stride = ((static_cast<uint64_t>(h->biWidth) * h->biBitCount + 31) / 32) * 4;
  if (pixelOffset > size || stride * rows > size - pixelOffset) return false;

  view->Header = h;
  view->ColourTable = base + tableOffset;
  view->ColourEntries = static_cast<uint32_t>(entries);
  view->Width = h->biWidth;
  view->Rows = static_cast<LONG>(rows);
  view->Stride = stride;
  view->Pixels = base + pixelOffset;
  return true;
}

}  // namespace

BitmapResourceLoader::BitmapResourceLoader() {
  ++LiveInstances;
  if (ModuleHandle != nullptr) return;
  ModuleHandle = GetModuleHandleA(nullptr);
  WindowDc screen(nullptr);
  if (screen.get() == nullptr) return;
  // The colour table's size tells on Windows; a display that does not report
  // it (Wine answers -1 at 8 bits too) is known by its depth and its palette.
  const int n = GetDeviceCaps(screen.get(), NUMCOLORS);
  const int bits = GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES);
  const bool palette = (GetDeviceCaps(screen.get(), RASTERCAPS) & RC_PALETTE) != 0;
  if (n == 16 || bits == 4) DisplayColorMode = ColorMode16;
  else if (palette || (n != -1 && n <= 256)) DisplayColorMode = ColorModePalette;
}

BitmapResourceLoader::~BitmapResourceLoader() {
  if (--LiveInstances > 0) return;
  if (CurrentPalette != nullptr) {
    DeleteObject(CurrentPalette);
    CurrentPalette = nullptr;
  }
}

HPALETTE BitmapResourceLoader::CreatePaletteFromBitmap(int id) {
  if (DisplayColorMode != ColorModePalette) return nullptr;
  DibView dib;
  if (!ViewBitmapResource(ModuleHandle, id, &dib)) return nullptr;

  const BITMAPINFOHEADER* h = dib.Header;
  uint32_t count = h->biClrImportant;
  if (count == 0) count = h->biClrUsed;
  if (count == 0) count = h->biBitCount <= 8 ? (1u << h->biBitCount) : 256;
  if (count > 256) count = 256;
  // Never more entries than the table really holds.
  if (count > dib.ColourEntries) count = dib.ColourEntries;
  if (count == 0) return nullptr;

  const size_t bytes = sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY);
  LOGPALETTE* description = static_cast<LOGPALETTE*>(calloc(1, bytes));
  if (description == nullptr) return nullptr;
  description->palVersion = 0x300;
  description->palNumEntries = static_cast<WORD>(count);
  for (uint32_t i = 0; i < count; ++i) {
    const BYTE* quad = dib.ColourTable + i * 4;  // blue, green, red, reserved
    description->palPalEntry[i].peRed = quad[2];
    description->palPalEntry[i].peGreen = quad[1];
    description->palPalEntry[i].peBlue = quad[0];
    description->palPalEntry[i].peFlags = 0;
  }
  if (CurrentPalette != nullptr) DeleteObject(CurrentPalette);
  CurrentPalette = CreatePalette(description);
  free(description);
  return CurrentPalette;
}

HBITMAP BitmapResourceLoader::LoadDisplayBitmap(int normalId, int sixteenColourId) {
  const int id = DisplayColorMode == ColorMode16 ? sixteenColourId : normalId;
  DibView dib;
  if (!ViewBitmapResource(ModuleHandle, id, &dib)) return nullptr;

  OwnedMemoryDc memory(CreateCompatibleDC(nullptr));
  if (memory.Get() == nullptr) return nullptr;
  // On a palette display a bitmap in the display's format would hold the
  // system palette's entries as they stood at start-up, and show other colours
  // as soon as another program realises its palette: the picture keeps its own
  // colours instead, and each copy to the window matches them to the palette
  // realised there.
  if (DisplayColorMode == ColorModePalette) {
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(memory.Get(), reinterpret_cast<const BITMAPINFO*>(dib.Header), DIB_RGB_COLORS,
                                       &bits, nullptr, 0);
    if (section == nullptr) return nullptr;
    if (bits == nullptr) {
      DeleteObject(section);
      return nullptr;
    }
    memcpy(bits, dib.Pixels, static_cast<size_t>(dib.Stride * static_cast<uint64_t>(dib.Rows)));
    return section;
  }
  HBITMAP bitmap = CreateBitmap(dib.Width, dib.Rows, GetDeviceCaps(memory.Get(), PLANES),
                                GetDeviceCaps(memory.Get(), BITSPIXEL), nullptr);
  if (bitmap == nullptr) return nullptr;
  // The bitmap must not be selected into any context while SetDIBits writes it.
  const int converted = SetDIBits(memory.Get(), bitmap, 0, dib.Rows, dib.Pixels,
                                  reinterpret_cast<const BITMAPINFO*>(dib.Header), DIB_RGB_COLORS);
  // A picture GDI refused to convert would show as garbage: better none at all.
  if (converted == 0) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}
