#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/profile.h"

// Settings kept between runs in an INI file, the program's settings file.
namespace zantovel {

// The section every caller uses.
inline constexpr const char* kSettingsSection = "Settings";

// The settings file of a program at exePath: its folder, a separator unless the folder
// already ends with one, the executable's name without extension, ".ini". SettingsFileIn
// names it so in another folder (the user's, for an installed copy).
std::string SettingsFileOf(const std::string& exePath);
std::string SettingsFileIn(const std::string& folder, const std::string& exePath);

// One settings file. The file is read again only when it has changed since the last read, so
// an edit made while the program runs is seen by the next read.
class SettingsStore {
 public:
  explicit SettingsStore(std::string path) : path_(std::move(path)) {}

  const std::string& Path() const { return path_; }

  // The value of key in section, or defaultValue when the file, the section or the key is
  // missing or the file cannot be read; either is cut to its first 154 characters.
  std::string Read(const std::string& section, const std::string& key,
                   const std::string& defaultValue) const;

  // As Read, for a value that names a file or folder: it comes back whole, since a path cut
  // short names another path. A value longer than 32,767 characters, which no path of this
  // system can be, counts as unreadable and gives defaultValue, whole.
  std::string ReadPath(const std::string& section, const std::string& key,
                       const std::string& defaultValue) const;

  // Stores the values under their keys in section, in one save (another program's save comes
  // wholly before or after it), creating the file, section and keys as needed. Throws
  // PlatformError, with the reason, when they could not be stored.
  void Save(const std::string& section,
            const std::vector<std::pair<std::string, std::string>>& values);

 private:
  std::string path_;
  mutable ProfileCache cache_;
};

}  // namespace zantovel
