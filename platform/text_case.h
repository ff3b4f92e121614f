#pragma once

// Letter case, as the platform knows it.
namespace zantovel {

// The Unicode simple lower-case mapping of one code point (the code point itself when it has
// none): ICU on Linux, the system's own tables on Windows.
char32_t LowerCaseOf(char32_t codePoint);

}  // namespace zantovel
