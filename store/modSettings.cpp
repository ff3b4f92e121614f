#include "store/modSettings.h"

#include "platform/app.h"
#include "platform/profile.h"
#include "util/text.h"

namespace zantovel {
namespace {

// A read hands back what fits a 155-character buffer with its terminating NUL.
constexpr std::size_t kValueBufferChars = 155;
// The longest path the settings hold.
constexpr std::size_t kLongestPathChars = 32767;

}  // namespace

std::string IniFilePath() {
  // Asked before every log line, and the answer cannot change while the program runs.
  static const std::string path = [] {
    std::string folder = AppPath();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder + AppExeName() + ".ini";
  }();
  return path;
}

std::string GetIniSetting(const std::string& /*appName*/, const std::string& section,
                          const std::string& key, const std::string& defaultValue) {
  const std::optional<std::string> stored = ReadProfileString(section, key, IniFilePath());
  const std::string& value = stored ? *stored : defaultValue;
  return std::string(LeftChars(value, kValueBufferChars - 1));
}

std::string GetIniPathSetting(const std::string& /*appName*/, const std::string& section,
                              const std::string& key, const std::string& defaultValue) {
  std::optional<std::string> stored = ReadProfileString(section, key, IniFilePath());
  // A character takes at least one byte, so only a long value needs counting.
  if (!stored || (stored->size() > kLongestPathChars && CharCount(*stored) > kLongestPathChars))
    return defaultValue;
  return *stored;
}

void SaveIniSetting(const std::string& appName, const std::string& section, const std::string& key,
                    const std::string& value) {
  SaveIniSettings(appName, section, {{key, value}});
}

void SaveIniSettings(const std::string& /*appName*/, const std::string& section,
                     const std::vector<std::pair<std::string, std::string>>& values) {
  WriteProfileStrings(section, values, IniFilePath());
}

}  // namespace zantovel
