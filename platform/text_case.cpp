#include "platform/text_case.h"

#include "util/text.h"

namespace zantovel {

std::string LowerCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const auto c = static_cast<unsigned char>(text[pos]);
    if (c < 0x80) {
      out += static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
      ++pos;
      continue;
    }
    const std::size_t length = CharLengthAt(text, pos);
    if (length == 1) {
      out += static_cast<char>(c);
    } else {
      AppendChar(LowerCaseOf(DecodeChar(text.data() + pos, length)), out);
    }
    pos += length;
  }
  return out;
}

}  // namespace zantovel
