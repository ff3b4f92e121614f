#include "util/text.h"

#include <algorithm>

namespace zantovel {
namespace {

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

}  // namespace

char32_t DecodeChar(const char* text, std::size_t length) {
  static constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t cp = static_cast<unsigned char>(text[0]) & kLeadBits[length];
  for (std::size_t i = 1; i < length; ++i) cp = (cp << 6) | (text[i] & 0x3F);
  return cp;
}

void AppendChar(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

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

std::string FromUtf16(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  for (std::size_t pos = 0; pos < units.size(); ++pos) {
    char32_t cp = units[pos];
    if (cp >= 0xD800 && cp <= 0xDBFF && pos + 1 < units.size() && units[pos + 1] >= 0xDC00 &&
        units[pos + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (units[pos + 1] - 0xDC00);
      ++pos;
    }
    AppendChar(cp, out);
  }
  return out;
}

std::u16string ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    std::size_t length = CharLengthAt(text, pos);
    char32_t cp = DecodeChar(text.data() + pos, length);
    if (length == 1 && byte(0) >= 0x80) {
      // A lone surrogate carried over (ED A0..BF xx) goes back as it came.
      const bool surrogate = byte(0) == 0xED && text.size() - pos >= 3 && byte(1) >= 0xA0 &&
                             byte(1) <= 0xBF && (byte(2) & 0xC0) == 0x80;
      cp = surrogate ? 0xD000 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F) : 0xFFFD;
      length = surrogate ? 3 : 1;
    }
    pos += length;
    if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string EscapeControls(std::string_view text, Backslashes backslashes) {
  std::string out;
  AppendEscapingControls(out, text, backslashes);
  return out;
}

void AppendEscapingControls(std::string& out, std::string_view text, Backslashes backslashes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const auto plain = [&](const char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte != 0x7F && !(c == '\\' && backslashes == Backslashes::Escaped);
  };
  // Nearly every name is plain throughout: it is copied whole, up to its first character to
  // escape.
  const auto first = std::find_if_not(text.begin(), text.end(), plain);
  out.append(text.begin(), first);
  for (auto at = first; at != text.end(); ++at) {
    const char c = *at;
    const auto byte = static_cast<unsigned char>(c);
    if (plain(c)) {
      out += c;
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += {'\\', 'x', kDigits[byte >> 4], kDigits[byte & 15]};
    }
  }
}

}  // namespace zantovel
