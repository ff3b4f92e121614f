#include "store/settings.h"

#include "platform/path_rules.h"
#include "util/text.h"

namespace zantovel {
namespace {

// A read hands back what fits a 155-character buffer with its terminating NUL.
constexpr std::size_t kValueBufferChars = 155;
// The longest path the settings hold.
constexpr std::size_t kLongestPathChars = 32767;

}  // namespace

std::string SettingsFileOf(const std::string& exePath) {
  return SettingsFileIn(FolderOf(exePath), exePath);
}

std::string SettingsFileIn(const std::string& folder, const std::string& exePath) {
  return JoinPath(folder, StemOf(exePath) + ".ini");
}

std::string SettingsStore::Read(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
  const std::string value = ReadProfileString(section, key, defaultValue, path_, cache_);
  return std::string(LeftChars(value, kValueBufferChars - 1));
}

std::string SettingsStore::ReadPath(const std::string& section, const std::string& key,
                                    const std::string& defaultValue) const {
  std::string value = ReadProfileString(section, key, defaultValue, path_, cache_);
  // A character takes at least one byte, so only a long value needs counting.
  if (value.size() > kLongestPathChars && CharCount(value) > kLongestPathChars) return defaultValue;
  return value;
}

void SettingsStore::Save(const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& values) {
  WriteProfileStrings(section, values, path_);
}

}  // namespace zantovel
