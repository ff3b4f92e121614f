#include "store/settings.h"

#include "platform/app.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "util/text.h"

namespace zantovel {
namespace {

// A read hands back what fits a 155-character buffer with its terminating NUL.
constexpr std::size_t kValueBufferChars = 155;
// The longest path the settings hold.
constexpr std::size_t kLongestPathChars = 32767;

}  // namespace

std::string SettingsFilePath() {
  // Asked before every log line, and the answer cannot change while the program runs.
  static const std::string path = JoinPath(AppPath(), AppExeName() + ".ini");
  return path;
}

std::string ReadSetting(const std::string& section, const std::string& key,
                        const std::string& defaultValue) {
  const std::string value = ReadProfileString(section, key, defaultValue, SettingsFilePath());
  return std::string(LeftChars(value, kValueBufferChars - 1));
}

std::string ReadPathSetting(const std::string& section, const std::string& key,
                            const std::string& defaultValue) {
  std::string value = ReadProfileString(section, key, defaultValue, SettingsFilePath());
  // A character takes at least one byte, so only a long value needs counting.
  if (value.size() > kLongestPathChars && CharCount(value) > kLongestPathChars) return defaultValue;
  return value;
}

void SaveSetting(const std::string& section, const std::string& key, const std::string& value) {
  SaveSettings(section, {{key, value}});
}

void SaveSettings(const std::string& section,
                  const std::vector<std::pair<std::string, std::string>>& values) {
  WriteProfileStrings(section, values, SettingsFilePath());
}

}  // namespace zantovel
