// Holders for what the system hands out and must be given back: one template,
// and one holder per close function, so that every way out of a scope
// releases what it took. A holder owns one value; it can be moved, never
// copied. Windows only.
#pragma once
#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#include <stdlib.h>

// Close is a type with `static bool IsHeld(T)` and `static void Release(T)`,
// and `static T None()` for the value that holds nothing.
template <typename T, typename Close>
class Held {
 public:
  Held() = default;
  explicit Held(T value) : value_(value) {}
  ~Held() { Reset(); }
  Held(Held&& other) noexcept : value_(other.Take()) {}
  Held& operator=(Held&& other) noexcept {
    if (this != &other) Reset(other.Take());
    return *this;
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;

  bool IsOpen() const { return Close::IsHeld(value_); }
  T Get() const { return value_; }
  // Gives the value up without releasing it.
  T Take() {
    T value = value_;
    value_ = Close::None();
    return value;
  }
  // Releases what is held and holds value instead.
  void Reset(T value = Close::None()) {
    if (Close::IsHeld(value_)) Close::Release(value_);
    value_ = value;
  }
  // For calls that hand the value out through a pointer (RegOpenKeyA).
  T* Receive() {
    Reset();
    return &value_;
  }

 private:
  T value_ = Close::None();
};

namespace handle_close {

// Kernel objects: files, processes, threads, events, mutexes, timers. CreateFile
// answers INVALID_HANDLE_VALUE on failure, most others null: neither is held.
struct Kernel {
  static HANDLE None() { return nullptr; }
  static bool IsHeld(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Release(HANDLE h) { CloseHandle(h); }
};
struct Find {
  static HANDLE None() { return INVALID_HANDLE_VALUE; }
  static bool IsHeld(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Release(HANDLE h) { FindClose(h); }
};
struct RegistryKey {
  static HKEY None() { return nullptr; }
  static bool IsHeld(HKEY k) { return k != nullptr; }
  static void Release(HKEY k) { RegCloseKey(k); }
};
struct Service {
  static SC_HANDLE None() { return nullptr; }
  static bool IsHeld(SC_HANDLE s) { return s != nullptr; }
  static void Release(SC_HANDLE s) { CloseServiceHandle(s); }
};
struct Library {
  static HMODULE None() { return nullptr; }
  static bool IsHeld(HMODULE m) { return m != nullptr; }
  static void Release(HMODULE m) { FreeLibrary(m); }
};
template <typename T>
struct GdiObject {
  static T None() { return nullptr; }
  static bool IsHeld(T o) { return o != nullptr; }
  static void Release(T o) { DeleteObject(o); }
};
// Memory the shell hands out through the task allocator (item id lists).
template <typename T>
struct TaskMemory {
  static T None() { return nullptr; }
  static bool IsHeld(T p) { return p != nullptr; }
  static void Release(T p) { CoTaskMemFree(p); }
};
// Memory from the C library's malloc.
template <typename T>
struct CrtMemory {
  static T None() { return nullptr; }
  static bool IsHeld(T p) { return p != nullptr; }
  static void Release(T p) { free(p); }
};
struct MemoryDc {
  static HDC None() { return nullptr; }
  static bool IsHeld(HDC dc) { return dc != nullptr; }
  static void Release(HDC dc) { DeleteDC(dc); }
};

}  // namespace handle_close

using OwnedHandle = Held<HANDLE, handle_close::Kernel>;
using OwnedFind = Held<HANDLE, handle_close::Find>;
using OwnedKey = Held<HKEY, handle_close::RegistryKey>;
using OwnedService = Held<SC_HANDLE, handle_close::Service>;
using OwnedLibrary = Held<HMODULE, handle_close::Library>;
using OwnedMemoryDc = Held<HDC, handle_close::MemoryDc>;
template <typename T>
using OwnedGdiObject = Held<T, handle_close::GdiObject<T>>;
template <typename T>
using OwnedTaskMemory = Held<T, handle_close::TaskMemory<T>>;
template <typename T>
using OwnedMemory = Held<T*, handle_close::CrtMemory<T*>>;

// A FindFirstFile search that is always ended, whichever way its scope is left.
class FindHandle {
 public:
  FindHandle(const char* pattern, WIN32_FIND_DATAA* data) : search_(FindFirstFileA(pattern, data)) {}
  bool Found() const { return search_.IsOpen(); }
  bool Next(WIN32_FIND_DATAA* data) { return Found() && FindNextFileA(search_.Get(), data) != FALSE; }

 private:
  OwnedFind search_;
};

#endif
