#include "platform/path_rules.h"

#include <algorithm>

#include "util/text.h"

namespace zantovel {

char PathSeparator(PathStyle style) {
  return style == PathStyle::Windows ? '\\' : '/';
}

bool IsPathSeparator(char c, PathStyle style) {
  return c == '/' || (style == PathStyle::Windows && c == '\\');
}

std::string_view DefaultFolder(PathStyle style) {
  return style == PathStyle::Windows ? "c:\\windows\\temp\\" : "/tmp/";
}

bool FitsInName(std::string_view text, PathStyle style) {
  if (style == PathStyle::Posix) return text.find_first_of(std::string_view("/\0", 2)) == text.npos;
  const auto control = [](char c) { return static_cast<unsigned char>(c) < 0x20; };
  return std::none_of(text.begin(), text.end(), control) &&
         text.find_first_of("\\/:*?\"<>|") == text.npos;
}

bool IsAbsolutePath(std::string_view path, PathStyle style) {
  if (style == PathStyle::Posix) return path.starts_with('/');
  if (path.size() >= 2 && IsPathSeparator(path[0], style) && IsPathSeparator(path[1], style))
    return true;
  return path.size() >= 3 && path[1] == ':' && IsPathSeparator(path[2], style);
}

bool IsSingleName(std::string_view name, PathStyle style) {
  if (name.empty() || name == "." || name == "..") return false;
  const std::string_view refused =
      style == PathStyle::Windows ? std::string_view("\\/:\0", 4) : std::string_view("/\0", 2);
  return name.find_first_of(refused) == name.npos;
}

bool NameFitsLength(std::string_view name, PathStyle style) {
  constexpr std::size_t kLongestName = 255;
  if (style == PathStyle::Posix) return name.size() <= kLongestName;
  std::size_t units = 0;
  for (std::size_t pos = 0; pos < name.size();) {
    const std::size_t length = CharLengthAt(name, pos);
    units += length == 4 ? 2 : 1;  // beyond U+FFFF a character takes two UTF-16 units
    pos += length;
  }
  return units <= kLongestName;
}

bool IsReservedName(std::string_view name, PathStyle style) {
  if (style == PathStyle::Posix) return false;
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  const auto sameLetters = [&](std::string_view word) {
    return std::equal(word.begin(), word.end(), base.begin(), [](char w, char b) {
      return w == (b >= 'a' && b <= 'z' ? char(b - 'a' + 'A') : b);
    });
  };
  if (base.size() == 3)
    return sameLetters("CON") || sameLetters("PRN") || sameLetters("AUX") || sameLetters("NUL");
  if (base.size() < 4 || !(sameLetters("COM") || sameLetters("LPT"))) return false;
  const std::string_view number = base.substr(3);
  return (number.size() == 1 && number[0] >= '1' && number[0] <= '9') || number == "\xC2\xB9" ||
         number == "\xC2\xB2" || number == "\xC2\xB3";
}

std::string_view ForbiddenInNamesText(PathStyle style) {
  return style == PathStyle::Windows ? "\\ / : * ? \" < > | or a control character"
                                     : "\"/\" or a NUL character";
}

std::string JoinPath(std::string_view folder, std::string_view name, PathStyle style) {
  std::string path(folder);
  if (path.empty() || !IsPathSeparator(path.back(), style)) path += PathSeparator(style);
  path += name;
  return path;
}

namespace {

std::size_t LastSeparator(std::string_view path, PathStyle style) {
  for (std::size_t i = path.size(); i > 0; --i)
    if (IsPathSeparator(path[i - 1], style)) return i - 1;
  return std::string_view::npos;
}

}  // namespace

std::string FolderOf(std::string_view path, PathStyle style) {
  const auto slash = LastSeparator(path, style);
  if (slash == std::string_view::npos) return ".";
  // The root keeps its separator: "/" here, C:\ on Windows.
  const bool root = slash == 0 || (style == PathStyle::Windows && path[slash - 1] == ':');
  return std::string(path.substr(0, root ? slash + 1 : slash));
}

std::string FileNameOf(std::string_view path, PathStyle style) {
  const auto slash = LastSeparator(path, style);
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string StemOf(std::string_view path, PathStyle style) {
  const auto slash = LastSeparator(path, style);
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const auto dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  return std::string(name);
}

}  // namespace zantovel
