#include <windows.h>

#include "platform/text_case.h"

namespace zantovel {

char32_t LowerCaseOf(char32_t codePoint) {
  wchar_t in[2];
  int length = 1;
  if (codePoint >= 0x10000) {
    in[0] = static_cast<wchar_t>(0xD800 + ((codePoint - 0x10000) >> 10));
    in[1] = static_cast<wchar_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
    length = 2;
  } else {
    in[0] = static_cast<wchar_t>(codePoint);
  }
  wchar_t out[2];
  // The invariant locale: a name matches the same way whatever the user's language.
  const int n = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, in, length, out, 2, nullptr,
                              nullptr, 0);
  if (n == 1) return out[0];
  if (n == 2 && out[0] >= 0xD800 && out[0] <= 0xDBFF)
    return 0x10000 + ((char32_t{out[0]} - 0xD800) << 10) + (out[1] - 0xDC00);
  return codePoint;
}

}  // namespace zantovel
