#include "util/text.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace zantovel {
namespace {

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

}  // namespace

std::size_t CharLengthAt(std::string_view text, std::size_t pos) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  const unsigned char lead = at(0);
  const std::size_t left = text.size() - pos;
  // Well-formed sequences as Unicode defines them: no overlong forms, no surrogates,
  // nothing above U+10FFFF.
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return left >= 2 && IsContinuation(at(1)) ? 2 : 1;
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (left < 3 || !IsContinuation(at(2))) return 1;
    const unsigned char second = at(1);
    const bool ok = lead == 0xE0   ? second >= 0xA0 && second <= 0xBF
                    : lead == 0xED ? second >= 0x80 && second <= 0x9F
                                   : IsContinuation(second);
    return ok ? 3 : 1;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    if (left < 4 || !IsContinuation(at(2)) || !IsContinuation(at(3))) return 1;
    const unsigned char second = at(1);
    const bool ok = lead == 0xF0   ? second >= 0x90 && second <= 0xBF
                    : lead == 0xF4 ? second >= 0x80 && second <= 0x8F
                                   : IsContinuation(second);
    return ok ? 4 : 1;
  }
  return 1;
}

std::size_t CharCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); pos += CharLengthAt(text, pos)) ++count;
  return count;
}

std::string_view LeftChars(std::string_view text, std::size_t count) {
  std::size_t pos = 0;
  for (; pos < text.size() && count > 0; --count) pos += CharLengthAt(text, pos);
  return text.substr(0, pos);
}

std::string_view RightChars(std::string_view text, std::size_t count) {
  const std::size_t total = CharCount(text);
  if (count >= total) return text;
  std::size_t pos = 0;
  for (std::size_t skip = total - count; skip > 0; --skip) pos += CharLengthAt(text, pos);
  return text.substr(pos);
}

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
      // The sequence is well-formed, so ICU's unchecked forms are safe here.
      UChar32 cp = 0;
      std::size_t at = pos;
      U8_NEXT_UNSAFE(text.data(), at, cp);
      char encoded[U8_MAX_LENGTH];
      std::size_t size = 0;
      U8_APPEND_UNSAFE(encoded, size, u_tolower(cp));
      out.append(encoded, size);
    }
    pos += length;
  }
  return out;
}

}  // namespace zantovel
