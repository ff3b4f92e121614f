// Profile strings where the system has no functions for them: the file is read and written
// whole, by the rules platform/profile.h gives.
#include "platform/files.h"
#include "platform/profile.h"

namespace zantovel {

std::string ReadProfileString(std::string_view section, std::string_view key,
                              const std::string& defaultValue, const std::string& path) {
  std::optional<std::string> content = ReadWholeFile(path);
  if (!content) return defaultValue;
  // The same key of the same content is asked for before every log line.
  struct Lookup {
    std::string content, section, key;
    std::optional<std::string> value;
  };
  static Lookup last;
  if (last.content != *content || last.section != section || last.key != key) {
    std::optional<std::string> value = FindProfileValue(*content, section, key);
    last = {std::move(*content), std::string(section), std::string(key), std::move(value)};
  }
  return last.value.value_or(defaultValue);
}

bool WriteProfileStrings(std::string_view section, const ProfileValues& values,
                         const std::string& path) {
  return ReplaceFileContent(path, [&](std::string_view content) {
    std::string next(content);
    for (const auto& [key, value] : values) next = WithProfileValue(next, section, key, value);
    return next;
  });
}

}  // namespace zantovel
