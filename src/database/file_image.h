// In-memory files of the file layer: read-only images of a file that
// FileOpenImage puts into the handle table beside the operating system's files
// (a snapshot, file_snapshot.h). Internal to FileManager.
#pragma once
#include <stddef.h>
#include <stdint.h>

struct FileImageSlot {
  const unsigned char* Bytes;  // borrowed from the opener
  size_t Size;
  uint64_t Position;
  int Open;
};

// What the handle table holds for an image: never an operating-system entry
// (Windows never stores INVALID_HANDLE_VALUE, POSIX stores descriptors plus one).
const intptr_t ImageTableEntry = -1;

// The image behind a handle, or null when the handle is no open image.
FileImageSlot* ImageSlotAt(int file);
void RememberImage(int file, const unsigned char* bytes, size_t size);
void ForgetImage(int file);
int ReadImage(FileImageSlot* image, void* dest, unsigned count);
int SeekImage(FileImageSlot* image, unsigned long high, unsigned long low);
