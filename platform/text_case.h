#pragma once

#include <string>
#include <string_view>

// Letter case, as the platform knows it.
namespace zantovel {

// The Unicode simple lower-case mapping of one code point (the code point itself when it has
// none): ICU on Linux, the system's own tables on Windows.
char32_t LowerCaseOf(char32_t codePoint);

// The same mapping of every well-formed character of text (util/text.h); stray bytes are
// kept, so the result has as many characters as text.
std::string LowerCase(std::string_view text);

}  // namespace zantovel
