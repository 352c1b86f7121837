// The system's 8-bit code page: the one platform-specific piece of text conversion.

#include <cstdlib>

#include "base/codepage.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vrkt {

int SystemCodePage() {
#ifdef _WIN32
  // The ANSI code page is what every other program on the machine writes 8-bit text in.
  return static_cast<int>(GetACP());
#else
  // No 8-bit system code page here: take the one a Windows machine set up for the user's
  // language would use, so that a file written there reads the same here. The locale variables
  // are looked at in the order the C library gives them.
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return CodePageForLocale(value);
  }
  return CodePageForLocale("C");
#endif
}

}  // namespace vrkt
