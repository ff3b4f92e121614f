#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Profile strings: single values kept in an INI text file, in sections of "key=value" lines.
//
// Reading: section and key names match without regard to ASCII letter case; blanks (spaces
// and tabs) around names and values are dropped, and so is one pair of matching quotes (" or ')
// around a whole value; lines whose first non-blank character is ";" are comments. Lines may
// end in CR LF, LF or CR. Where a section or key stands twice, the first key wins.
namespace zantovel {

// The value of key in section of the file at path, or defaultValue when the file cannot be read
// or the section or key is missing. A key present with an empty value gives the empty text.
std::string ReadProfileString(std::string_view section, std::string_view key,
                              const std::string& defaultValue, const std::string& path);

// Stores each value under its key in section of the file at path, all in one save, creating
// the file, the section (at the end of the file) and the keys (after the section's last key)
// as needed, and replacing the line of an existing key. Every other line is kept byte for
// byte; lines written here end with CR LF. A value is one line: it is cut at its first line
// break. The file is replaced as ReplaceFileContent describes. Returns false when the file
// could not be written.
using ProfileValues = std::vector<std::pair<std::string, std::string>>;
bool WriteProfileStrings(std::string_view section, const ProfileValues& values,
                         const std::string& path);

// The pure halves of the two operations, on the file's content.
std::optional<std::string> FindProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key);
std::string WithProfileValue(std::string_view content, std::string_view section,
                             std::string_view key, std::string_view value);

}  // namespace zantovel
