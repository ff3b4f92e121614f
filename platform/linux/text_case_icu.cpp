#include <unicode/uchar.h>

#include "platform/text_case.h"

namespace zantovel {

char32_t LowerCaseOf(char32_t codePoint) {
  return static_cast<char32_t>(u_tolower(static_cast<UChar32>(codePoint)));
}

}  // namespace zantovel
