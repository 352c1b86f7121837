/* Preloaded into the command-line program by the serial-line test: pseudo-terminals have no
 * modem lines, so the modem-line ioctls are answered from two small files instead.
 *   $VRKT_MODEM_LINES.out  the lines the program drives (DTR, RTS), written here
 *   $VRKT_MODEM_LINES.in   the lines the unit drives (CTS, DSR, CD, RI), written by the test
 * Each file holds the TIOCM_* bits as a decimal number and is replaced in one step (rename),
 * so a reader never sees a half-written file. Without the variable every call passes through.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

typedef int (*ioctl_fn)(int, unsigned long, ...);

static int read_bits(const char* base, const char* suffix) {
  char path[4096];
  snprintf(path, sizeof path, "%s%s", base, suffix);
  FILE* f = fopen(path, "r");
  if (!f) return 0;
  int bits = 0;
  if (fscanf(f, "%d", &bits) != 1) bits = 0;
  fclose(f);
  return bits;
}

static void write_bits(const char* base, const char* suffix, int bits) {
  char path[4096], tmp[4160];
  snprintf(path, sizeof path, "%s%s", base, suffix);
  snprintf(tmp, sizeof tmp, "%s.%ld", path, (long)getpid());
  FILE* f = fopen(tmp, "w");
  if (!f) return;
  fprintf(f, "%d\n", bits);
  fclose(f);
  rename(tmp, path);
}

int ioctl(int fd, unsigned long request, ...) {
  va_list ap;
  va_start(ap, request);
  void* arg = va_arg(ap, void*);
  va_end(ap);

  static ioctl_fn real = NULL;
  if (!real) real = (ioctl_fn)dlsym(RTLD_NEXT, "ioctl");

  const char* base = getenv("VRKT_MODEM_LINES");
  const int outputs = TIOCM_DTR | TIOCM_RTS;
  if (base && *base && isatty(fd)) {
    int* bits = (int*)arg;
    switch (request) {
      case TIOCMGET:
        *bits = (read_bits(base, ".out") & outputs) | (read_bits(base, ".in") & ~outputs);
        return 0;
      case TIOCMSET:
        write_bits(base, ".out", *bits & outputs);
        return 0;
      case TIOCMBIS:
        write_bits(base, ".out", (read_bits(base, ".out") | *bits) & outputs);
        return 0;
      case TIOCMBIC:
        write_bits(base, ".out", read_bits(base, ".out") & ~*bits & outputs);
        return 0;
      default:
        break;
    }
  }
  return real(fd, request, arg);
}
