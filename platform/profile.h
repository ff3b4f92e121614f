#pragma once

#include <optional>
#include <string>
#include <string_view>

// Profile strings: single values kept in an INI text file, in sections of "key=value" lines.
//
// Reading: section and key names match without regard to ASCII letter case; blanks (spaces
// and tabs) around names and values are dropped, and so is one pair of matching quotes (" or ')
// around a whole value; lines whose first non-blank character is ";" are comments. Lines may
// end in CR LF, LF or CR. Where a section or key stands twice, the first key wins.
namespace zantovel {

// The value of key in section of the file at path, or nothing when the file cannot be read or
// the section or key is missing. A key present with an empty value gives the empty text.
std::optional<std::string> ReadProfileString(std::string_view section, std::string_view key,
                                             const std::string& path);

// Stores value under key in section of the file at path, creating the file, the section
// (at the end of the file) and the key (after the section's last key) as needed, and
// replacing the line of an existing key. Every other line is kept byte for byte; lines written
// here end with CR LF. The new file replaces the old one in a single rename, so a failure at
// any point leaves the old file as it was. A value is one line: it is cut at its first line
// break. Returns false when the file could not be written.
bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                        const std::string& path);

// The pure halves of the two operations, on the file's content.
std::optional<std::string> FindProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key);
std::string WithProfileValue(std::string_view content, std::string_view section,
                             std::string_view key, std::string_view value);

}  // namespace zantovel
