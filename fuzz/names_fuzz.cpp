// The name logic of a pass (match, skip test, numbering) against a plain model written from
// the rules: a character is a well-formed UTF-8 sequence or else one byte.
//
// Input: NAME \0 PREFIX \0 TYPE.
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "rename/name_rules.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// The well-formed sequences, as a table of byte ranges per position.
struct Form {
  unsigned char lo[4], hi[4];
  int length;
};
constexpr Form kForms[] = {
    {{0x00}, {0x7F}, 1},
    {{0xC2, 0x80}, {0xDF, 0xBF}, 2},
    {{0xE0, 0xA0, 0x80}, {0xE0, 0xBF, 0xBF}, 3},
    {{0xE1, 0x80, 0x80}, {0xEC, 0xBF, 0xBF}, 3},
    {{0xED, 0x80, 0x80}, {0xED, 0x9F, 0xBF}, 3},
    {{0xEE, 0x80, 0x80}, {0xEF, 0xBF, 0xBF}, 3},
    {{0xF0, 0x90, 0x80, 0x80}, {0xF0, 0xBF, 0xBF, 0xBF}, 4},
    {{0xF1, 0x80, 0x80, 0x80}, {0xF3, 0xBF, 0xBF, 0xBF}, 4},
    {{0xF4, 0x80, 0x80, 0x80}, {0xF4, 0x8F, 0xBF, 0xBF}, 4},
};

std::vector<std::string> Chars(std::string_view text) {
  std::vector<std::string> chars;
  for (std::size_t pos = 0; pos < text.size();) {
    int length = 1;
    for (const Form& form : kForms) {
      if (pos + static_cast<std::size_t>(form.length) > text.size()) continue;
      bool fits = true;
      for (int i = 0; i < form.length; ++i) {
        const auto c = static_cast<unsigned char>(text[pos + static_cast<std::size_t>(i)]);
        fits = fits && c >= form.lo[i] && c <= form.hi[i];
      }
      if (fits) length = form.length;
    }
    chars.emplace_back(text.substr(pos, static_cast<std::size_t>(length)));
    pos += static_cast<std::size_t>(length);
  }
  return chars;
}

std::string Lower(const std::string& c) {
  if (c.size() == 1) {
    const auto b = static_cast<unsigned char>(c[0]);
    return std::string(1, static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b));
  }
  UChar32 cp = 0;
  std::size_t at = 0;
  U8_NEXT_UNSAFE(c.data(), at, cp);
  char out[U8_MAX_LENGTH];
  std::size_t size = 0;
  U8_APPEND_UNSAFE(out, size, u_tolower(cp));
  return std::string(out, size);
}

std::string Join(const std::vector<std::string>& chars, std::size_t from, std::size_t to) {
  std::string out;
  for (std::size_t i = from; i < to; ++i) out += chars[i];
  return out;
}

bool ModelMatches(std::string_view name, std::string_view type) {
  std::vector<std::string> lowered;
  for (const std::string& c : Chars(name)) lowered.push_back(Lower(c));
  const std::size_t take = std::min(Chars(type).size(), lowered.size());
  return Join(lowered, lowered.size() - take, lowered.size()) == type;
}

bool ModelSkipped(std::string_view name, std::string_view prefix) {
  const auto chars = Chars(name);
  const std::size_t take = std::min(Chars(prefix).size(), chars.size());
  return Join(chars, 0, take) == prefix || chars.size() > 20;
}

std::string ModelNewName(std::string& prefix, std::string_view name, bool allFiles) {
  bool numbered = false;
  for (const std::string& c : Chars(prefix))
    numbered = numbered || c == "#" || (allFiles && c == "\xEF\xBC\x83");
  if (!numbered) return prefix + std::string(name);
  for (char& c : prefix)
    if (c == '#') c = '0';
  return prefix + "1" + std::string(name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto cut1 = std::min(input.find('\0'), input.size());
  const auto cut2 = std::min(input.find('\0', cut1 + 1), input.size());
  const std::string_view name = input.substr(0, cut1);
  const std::string prefix(cut1 < input.size() ? input.substr(cut1 + 1, cut2 - cut1 - 1) : "");
  const std::string_view type = cut2 < input.size() ? input.substr(cut2 + 1) : "";

  Check(zantovel::TypeMatches(name, type) == ModelMatches(name, type));
  Check((zantovel::WhyPassedOver(name, prefix) != zantovel::PassOver::No) ==
        ModelSkipped(name, prefix));
  for (const bool allFiles : {false, true}) {
    std::string got = prefix, want = prefix;
    for (int file = 0; file < 2; ++file) {
      Check(zantovel::NewFileName(got, name, allFiles) == ModelNewName(want, name, allFiles));
      Check(got == want);
    }
  }
  return 0;
}
