#include <gtest/gtest.h>

#include <string>

#include "platform/text_case.h"
#include "util/text.h"

namespace zantovel::test {
namespace {

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (const unsigned char c : bytes) hex += {kDigits[c >> 4], kDigits[c & 15], ' '};
  return hex;
}

// Each row pins one boundary of well-formed UTF-8: a sequence just inside counts as one
// character, one just outside falls apart into its bytes, each a character of its own.
TEST(TextTest, CharactersFollowTheBoundariesOfWellFormedUtf8) {
  struct Case {
    std::string bytes;
    std::size_t chars;      // CharCount
    std::size_t firstSize;  // bytes of the first character
  } cases[] = {
      {"", 0, 0},
      {"a", 1, 1},
      {"\x7F", 1, 1},
      {"\x80", 1, 1},          // a continuation byte alone
      {"\xBF\x80", 2, 1},      // two of them
      {"\xC1\xBF", 2, 1},      // overlong two-byte form
      {"\xC2\x80", 1, 2},      // U+0080, the first two-byte character
      {"\xC2\x7F", 2, 1},      // second byte below the continuation range
      {"\xC2\xBF", 1, 2},      // top of the continuation range
      {"\xC2\xC0", 2, 1},      // second byte above it
      {"\xDF\xBF", 1, 2},      // U+07FF
      {"\xE0\x9F\xBF", 3, 1},  // overlong three-byte form
      {"\xE0\xA0\x80", 1, 3},  // U+0800
      {"\xE0\xBF\xBF", 1, 3},
      {"\xE0\xC0\x80", 3, 1},
      {"\xE1\x80\x80", 1, 3},
      {"\xE1\x7F\x80", 3, 1},
      {"\xE1\x80\x7F", 3, 1},  // third byte not a continuation
      {"\xE1\x80\xC0", 3, 1},
      {"\xED\x9F\xBF", 1, 3},      // U+D7FF, the last before the surrogates
      {"\xED\xA0\x80", 3, 1},      // U+D800, a surrogate
      {"\xEF\xBF\xBF", 1, 3},      // U+FFFF
      {"\xF0\x8F\xBF\xBF", 4, 1},  // overlong four-byte form
      {"\xF0\x90\x80\x80", 1, 4},  // U+10000
      {"\xF0\xBF\xBF\xBF", 1, 4},
      {"\xF0\xC0\x80\x80", 4, 1},
      {"\xF1\x80\x80\x80", 1, 4},
      {"\xF1\x80\x7F\x80", 4, 1},  // third byte not a continuation
      {"\xF1\x80\x80\x7F", 4, 1},  // fourth byte not a continuation
      {"\xF4\x8F\xBF\xBF", 1, 4},  // U+10FFFF, the last character
      {"\xF4\x90\x80\x80", 4, 1},  // above it
      {"\xF5\x80\x80\x80", 4, 1},
      {"\xFF", 1, 1},
      {"\xC3", 1, 1},  // cut short at the end of the text
      {"\xE2\x82", 2, 1},
      {"\xF0\x9F\x98", 3, 1},
      {"x\xF0\x9F\x98\x80y", 3, 1},  // a four-byte character between two letters
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Hex(c.bytes));
    EXPECT_EQ(CharCount(c.bytes), c.chars);
    EXPECT_EQ(LeftChars(c.bytes, 1).size(), c.firstSize);
    if (!c.bytes.empty()) {
      EXPECT_EQ(CharLengthAt(c.bytes, 0), c.firstSize);
      // Cutting never splits a character: the left and right parts add up to the whole.
      for (std::size_t n = 0; n <= c.chars; ++n)
        EXPECT_EQ(
            std::string(LeftChars(c.bytes, n)) + std::string(RightChars(c.bytes, c.chars - n)),
            c.bytes)
            << n;
    }
  }
}

TEST(TextTest, LowerCasingKeepsStrayBytesAndTheCharacterCount) {
  struct Case {
    std::string text;
    std::string lower;
  } cases[] = {
      {"ABC.TMP", "abc.tmp"},
      {"\xC3\x89t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},  // Été
      {"\xCE\xA3", "\xCF\x83"},                    // Greek capital sigma
      {"\xF0\x90\x90\x80", "\xF0\x90\x90\xA8"},    // Deseret capital long I, four bytes
      {"\xC3\x89\xFF\x80Z", "\xC3\xA9\xFF\x80z"},  // stray bytes kept as they are
      {"\xED\xA0\x80Q", "\xED\xA0\x80q"},          // so is a surrogate's bytes
      {"\xC2\x80\x7F", "\xC2\x80\x7F"},  // the first two-byte character, and the last one-byte
#ifndef _WIN32
      // The Kelvin sign lower-cases to k; Wine's case tables leave it as it is.
      {"\xE2\x84\xAA", "k"},
#endif
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LowerCase(c.text), c.lower) << Hex(c.text);
    EXPECT_EQ(CharCount(LowerCase(c.text)), CharCount(c.text)) << Hex(c.text);
  }
}

}  // namespace
}  // namespace zantovel::test
