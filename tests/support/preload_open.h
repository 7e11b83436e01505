/* What the test libraries preloaded into the Wine loader share: the real
 * function a wrapper stands in front of, and the mode argument that open()
 * and openat() take only with O_CREAT or O_TMPFILE. */
#pragma once
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <sys/types.h>

static void* real(const char* name) { return dlsym(RTLD_NEXT, name); }

#define MODE_ARG(flags, mode)            \
  mode_t mode = 0;                       \
  if ((flags) & (O_CREAT | O_TMPFILE)) { \
    va_list ap;                          \
    va_start(ap, flags);                 \
    mode = (mode_t)va_arg(ap, int);      \
    va_end(ap);                          \
  }
