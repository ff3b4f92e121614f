#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Names are kept as the bytes the file system holds. Where a name is measured or cut, it is
// measured in characters: one well-formed UTF-8 sequence is one character, and so is every byte
// that does not start one, so a name that is not valid UTF-8 still has a sensible length.
namespace zantovel {

// Length in bytes of the character that starts at text[pos]; pos < text.size().
std::size_t CharLengthAt(std::string_view text, std::size_t pos);

std::size_t CharCount(std::string_view text);

// The first / last `count` characters (all of text when it is shorter).
std::string_view LeftChars(std::string_view text, std::size_t count);
std::string_view RightChars(std::string_view text, std::size_t count);

// The code point of the well-formed sequence of length bytes (CharLengthAt) at text.
char32_t DecodeChar(const char* text, std::size_t length);

// Appends the UTF-8 form of code point cp to out. A surrogate gets the three bytes the
// scheme gives it, as in WTF-8.
void AppendChar(char32_t cp, std::string& out);

// UTF-16 units as UTF-8, pairs of surrogates as one character; a lone surrogate keeps the
// three bytes UTF-8's scheme gives it (as WTF-8 does), so that it comes back unchanged.
std::string FromUtf16(std::u16string_view units);
// The UTF-16 units of text, such a lone surrogate's three bytes as that surrogate again; a
// stray byte, which UTF-16 has no form for, becomes U+FFFD.
std::u16string ToUtf16(std::string_view text);

// text with every control character (below U+0020, and DEL) written as an escape: "\n",
// "\r", "\t" or "\x1B"; with Backslashes::Escaped a backslash is written "\\" too, so
// that the escapes cannot be told from the text.
enum class Backslashes { AsTheyAre, Escaped };
std::string EscapeControls(std::string_view text, Backslashes backslashes);
// The same, added to the end of out.
void AppendEscapingControls(std::string& out, std::string_view text, Backslashes backslashes);

}  // namespace zantovel
