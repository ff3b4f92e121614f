#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

// Profile strings: single values kept in an INI text file, in sections of "key=value" lines.
//
// The file is text in UTF-8, with or without a byte order mark, or in UTF-16 (either byte
// order) with its mark; both builds read all of them, and a save keeps the form the file had,
// so no character is lost and nothing is read twice. A new file is UTF-8 without a mark, which
// both builds and any editor read. A file without a mark that is not valid UTF-8 was written
// in a legacy code page: Windows reads it in the system's code page, and saves it as UTF-8 with
// a mark so that a character beyond that code page survives; Linux keeps its bytes.
//
// Reading: section and key names match without regard to ASCII letter case; blanks (spaces
// and tabs) around names and values are dropped, and so is one pair of matching quotes (" or ')
// around a whole value; lines whose first non-blank character is ";" are comments. Lines may
// end in CR LF, LF or CR. Where a section or key stands twice, the first key wins.
namespace zantovel {

// A settings file is a few short lines; one larger than this is not one the program wrote, and
// is neither read (reading it before every log line would cost seconds) nor rewritten.
inline constexpr std::size_t kLargestProfile = 1 << 20;

// What a reader keeps of the file from one read to the next, so that a file asked for before
// every log line is read again only when it has changed.
struct ProfileCache {
  std::string path;
  std::vector<long long> stamp;        // identity, size and change times when it was read
  std::optional<std::string> content;  // the file's bytes, as stored
  // Values already looked up in content, by section and key: the log's place is asked for
  // before every line.
  std::map<std::pair<std::string, std::string>, std::optional<std::string>> values;
};

// The value of key in section of the file at path, or defaultValue when the file cannot be read
// or the section or key is missing. A key present with an empty value gives the empty text.
std::string ReadProfileString(std::string_view section, std::string_view key,
                              const std::string& defaultValue, const std::string& path,
                              ProfileCache& cache);

// Stores each value under its key in section of the file at path, all in one save, creating
// the file, the section (at the end of the file) and the keys (after the section's last key)
// as needed, and replacing the line of an existing key. Every other line is kept byte for
// byte; lines written here end with CR LF. A value is one line: it is cut at its first line
// break. Returns false when the file could not be written.
//
// On Linux saves are serialised with other processes by a lock on the folder, so a save always
// starts from the content of the last one. A symbolic link is followed and its target written.
// The new content is written and flushed beside the file and renamed over it, so a crash
// leaves the old file or the new one; the file keeps its owner, group, mode and extended
// attributes (ACL included), and a new file gets 0666 less the umask. Where that cannot be done
// (no file can be made in the folder, or the owner cannot be kept) the file is written in
// place and cut to its new length. A file without any write permission bit, or that the
// process may not write, is left as it is. A temporary left by a killed save is removed.
// Throws PlatformError ("Cannot save settings file "...": reason") when the file could not be
// written, having left it as it was.
using ProfileValues = std::vector<std::pair<std::string, std::string>>;
void WriteProfileStrings(std::string_view section, const ProfileValues& values,
                         const std::string& path);

// A file's bytes as UTF-8 text, and that text stored again in the same form.
enum class TextForm { Utf8, Utf8Marked, Utf16LittleEndian, Utf16BigEndian, LegacyCodePage };
struct ProfileText {
  std::string text;
  TextForm form = TextForm::Utf8;
};
ProfileText DecodeProfile(std::string_view bytes);
std::string EncodeProfile(std::string_view text, TextForm form);

// The pure halves of the two operations, on the file's content.
std::optional<std::string> FindProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key);
std::string WithProfileValue(std::string_view content, std::string_view section,
                             std::string_view key, std::string_view value);

// What each system gives the code above (platform/linux/profile_linux.cpp,
// platform/win32/profile_win32.cpp).
namespace native {

// The file's bytes, read again only when the file has changed since cache was filled; nothing
// when it is missing, unreadable, not a regular file or larger than kLargestProfile.
const std::optional<std::string>& ReadProfileBytes(const std::string& path, ProfileCache& cache);

// Replaces the file's bytes with transform(old bytes), "" for a missing file, as
// WriteProfileStrings says. The reason, leaving the file as it was, when that cannot be done.
std::error_code ReplaceProfileBytes(const std::string& path,
                                    const std::function<std::string(std::string_view)>& transform);

// Text in a legacy code page as UTF-8, and the bytes such a file is saved in again.
std::string LegacyToUtf8(std::string_view bytes);
std::string Utf8ForLegacyFile(std::string_view text);

}  // namespace native

}  // namespace zantovel
