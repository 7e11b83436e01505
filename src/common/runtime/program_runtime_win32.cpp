// The shipped programs' own C++ runtime hooks: allocation straight from the C
// heap and a handler for fatal C++ errors that simply ends the program. The
// runtime's versions throw and print demangled type names to a console these
// windowed programs do not have, and drag the exception machinery and the
// demangler into every executable. The programs use no exceptions; every
// allocation that may fail is written as new (std::nothrow) and checked.
#include <stdlib.h>

#include <new>

// A program that installed a new-handler (hdbtool does) gets its say before
// the end.
void* operator new(size_t size) {
  for (;;) {
    void* p = malloc(size ? size : 1);
    if (p != nullptr) return p;
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) abort();
    handler();
  }
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return malloc(size ? size : 1); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return malloc(size ? size : 1); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { free(p); }

namespace __gnu_cxx {
void __verbose_terminate_handler() { abort(); }
}  // namespace __gnu_cxx
