#pragma once

#include <algorithm>
#include <string_view>

// What paths and names look like on the platform the program is built for.
namespace zantovel {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
// The folder the window offers before any pass has been run.
inline constexpr std::string_view kDefaultFolder = "c:\\windows\\temp\\";
// The characters Windows refuses in a file name, besides the control characters.
inline constexpr std::string_view kForbiddenInNames = "\\/:*?\"<>|";
inline constexpr std::string_view kForbiddenInNamesText =
    "\\ / : * ? \" < > | or a control character";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr std::string_view kDefaultFolder = "/tmp/";
inline constexpr std::string_view kForbiddenInNames = std::string_view("/\0", 2);
inline constexpr std::string_view kForbiddenInNamesText = "\"/\" or a NUL character";
#endif

// Whether text may stand in a file name: the prefix of a pass must name a file in its folder.
inline bool FitsInName(std::string_view text) {
#ifdef _WIN32
  const auto control = [](char c) { return static_cast<unsigned char>(c) < 0x20; };
  if (std::any_of(text.begin(), text.end(), control)) return false;
#endif
  return text.find_first_of(kForbiddenInNames) == std::string_view::npos;
}

}  // namespace zantovel
