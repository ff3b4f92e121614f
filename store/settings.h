#pragma once

#include <string>
#include <utility>
#include <vector>

// Settings kept between runs in an INI file beside the executable. Every call finds the file
// afresh; the file is read again only when it has changed since the last read.
namespace zantovel {

// The section every caller uses.
inline constexpr const char* kSettingsSection = "Settings";

// The settings file: the program folder, "/" unless it already ends with one, the executable's
// name without extension, ".ini". Does not fail.
std::string SettingsFilePath();

// The value of key in section, or defaultValue when the file, the section or the key is
// missing or the file cannot be read; either is cut to its first 154 characters.
std::string ReadSetting(const std::string& section, const std::string& key,
                        const std::string& defaultValue);

// As ReadSetting, for a value that names a file or folder: it comes back whole, since a path
// cut short names another path. A value longer than 32,767 characters, which no path of this
// system can be, counts as unreadable and gives defaultValue, whole.
std::string ReadPathSetting(const std::string& section, const std::string& key,
                            const std::string& defaultValue);

// Stores value under key in section, creating the file, section and key as needed. A write
// that fails is not reported: the value is simply not kept.
void SaveSetting(const std::string& section, const std::string& key, const std::string& value);

// Stores several keys in one save: another program's save comes wholly before or after it, so
// the values of two saves never mix. Failures as for SaveSetting.
void SaveSettings(const std::string& section,
                  const std::vector<std::pair<std::string, std::string>>& values);

}  // namespace zantovel
