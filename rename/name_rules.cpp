#include "rename/name_rules.h"

#include <algorithm>

#include "platform/text_case.h"
#include "util/text.h"

namespace zantovel {
namespace {

constexpr char kPlaceholder = '#';
constexpr char kPlaceholderReplacement = '0';
constexpr std::string_view kNumber = "1";
// U+FF03, which a locale-aware, width-insensitive search takes for "#".
constexpr std::string_view kFullWidthPlaceholder = "\xEF\xBC\x83";

}  // namespace

bool IsAllFiles(std::string_view fileType) {
  return fileType == kAllFilesType;
}

bool TypeMatches(std::string_view name, std::string_view fileType) {
  const std::size_t count = CharCount(fileType);
  // A name in ASCII lower-cases byte by byte, one byte a character: only its end is lower-cased.
  if (std::all_of(name.begin(), name.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return LowerCase(name.substr(name.size() - std::min(count, name.size()))) == fileType;
  return RightChars(LowerCase(name), count) == fileType;
}

PassOver WhyPassedOver(std::string_view name, std::string_view prefix) {
  if (LeftChars(name, CharCount(prefix)) == prefix) return PassOver::HasPrefix;
  if (CharCount(name) > kLongestNameHandled) return PassOver::LongName;
  return PassOver::No;
}

bool AsksForNumbering(std::string_view prefix, bool allFilesMode) {
  if (prefix.find(kPlaceholder) != std::string_view::npos) return true;
  return allFilesMode && prefix.find(kFullWidthPlaceholder) != std::string_view::npos;
}

std::string NewFileName(std::string& prefix, std::string_view name, bool allFilesMode) {
  if (!AsksForNumbering(prefix, allFilesMode)) return prefix + std::string(name);
  std::replace(prefix.begin(), prefix.end(), kPlaceholder, kPlaceholderReplacement);
  return prefix + std::string(kNumber) + std::string(name);
}

}  // namespace zantovel
