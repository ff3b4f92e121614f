#pragma once

#include <string>

// Settings kept between runs in an INI file beside the executable. Nothing is cached: every
// call finds the file afresh and reads or writes it once.
namespace zantovel {

// The section every caller uses.
inline constexpr const char* kSettingsSection = "Settings";

// The settings file: the program folder, "/" unless it already ends with one, the executable's
// name without extension, ".ini". Does not fail.
std::string IniFilePath();

// The value of key in section, or defaultValue when the file, the section or the key is
// missing or the file cannot be read; either is cut to its first 154 characters. appName is
// passed by every caller and takes no part in the lookup.
std::string GetIniSetting(const std::string& appName, const std::string& section,
                          const std::string& key, const std::string& defaultValue);

// Stores value under key in section, creating the file, section and key as needed. A write
// that fails is not reported: the value is simply not kept. appName takes no part.
void SaveIniSetting(const std::string& appName, const std::string& section, const std::string& key,
                    const std::string& value);

}  // namespace zantovel
