#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// How a pass decides about one name, with nothing but the name: which files the type reaches,
// which it passes over, and what new name each gets.
namespace zantovel {

// The type that selects the all-files mode, compared exactly: every file is copied to its new
// name and kept.
inline constexpr std::string_view kAllFilesType = "*.*";

// The longest name a typed pass gives a new name, in characters.
inline constexpr std::size_t kLongestNameHandled = 20;

bool IsAllFiles(std::string_view fileType);

// Typed mode: whether the lower-cased name ends with fileType (compared exactly, so a type
// holding capitals matches nothing).
bool TypeMatches(std::string_view name, std::string_view fileType);

// Typed mode: why name is passed over, if it is: it begins with prefix already (an empty
// prefix begins every name), or it is longer than kLongestNameHandled characters.
enum class PassOver { No, HasPrefix, LongName };
PassOver WhyPassedOver(std::string_view name, std::string_view prefix);

// Whether prefix asks for numbering: it holds a "#" (in the all-files mode a full-width number
// sign, U+FF03, too).
bool AsksForNumbering(std::string_view prefix, bool allFilesMode);

// The new name for name. When prefix asks for numbering, every "#" of prefix becomes "0" (the
// change lasts, so only the first numbered file gets the "1") and the name is prefix + "1" +
// name; otherwise prefix + name. A full-width number sign asks but is never replaced.
std::string NewFileName(std::string& prefix, std::string_view name, bool allFilesMode);

}  // namespace zantovel
