// The read-only in-memory backend of FileManager: reads and seeks over bytes
// the opener holds, one position per handle as the system keeps for files.
#include "database/file_image.h"

#include <string.h>

#include "database/file_manager.h"

namespace {

FileImageSlot g_images[MaxOpenFiles];

}  // namespace

FileImageSlot* ImageSlotAt(int file) {
  if (file < 0 || file >= MaxOpenFiles || !g_images[file].Open) return nullptr;
  return &g_images[file];
}

void RememberImage(int file, const unsigned char* bytes, size_t size) {
  FileImageSlot& slot = g_images[file];
  slot.Bytes = bytes;
  slot.Size = size;
  slot.Position = 0;
  slot.Open = 1;
}

void ForgetImage(int file) {
  if (file >= 0 && file < MaxOpenFiles) memset(&g_images[file], 0, sizeof g_images[file]);
}

int ReadImage(FileImageSlot* image, void* dest, unsigned count) {
  if (!dest && count > 0) return -1;
  if (image->Position >= image->Size) return 0;
  uint64_t left = image->Size - image->Position;
  // A count is reported as an int.
  if (count > 0x7FFFFFFFu) count = 0x7FFFFFFFu;
  size_t n = left < count ? (size_t)left : (size_t)count;
  memcpy(dest, image->Bytes + image->Position, n);
  image->Position += n;
  return (int)n;
}

int SeekImage(FileImageSlot* image, unsigned long high, unsigned long low) {
  // As on a real file, a position past the end is allowed; reads there get 0.
  image->Position = ((uint64_t)(high & 0xFFFFFFFFul) << 32) | (low & 0xFFFFFFFFul);
  return 0;
}

int FileManager::FileOpenImage(const unsigned char* bytes, size_t size) {
  if (!bytes && size > 0) return -1;
  int slot = StoreHandle(ImageTableEntry);
  if (slot >= 0) RememberImage(slot, bytes, size);
  return slot;
}

const unsigned char* FileManager::FileImage(int file, size_t* size) {
  FileImageSlot* image = ImageSlotAt(file);
  if (!image) return nullptr;
  if (size) *size = image->Size;
  return image->Bytes;
}
