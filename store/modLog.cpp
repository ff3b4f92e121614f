#include "store/modLog.h"

#include <array>

#include "platform/app.h"
#include "platform/files.h"
#include "store/modSettings.h"
#include "util/modMain.h"

namespace zantovel {

std::string DefaultLogPath() {
  return AppPath() + "/applog.log";
}

std::string LogTimestamp(const std::tm& time) {
  std::array<char, 32> text{};
  const std::size_t n = std::strftime(text.data(), text.size(), "%d-%m-%Y %H:%M:%S", &time);
  return std::string(text.data(), n);
}

std::string LogLine(const std::tm& time, std::string_view message) {
  std::string line = LogTimestamp(time);
  line.reserve(line.size() + message.size() + 3);
  line += ' ';
  // A file name may hold line breaks; written as they are, they would split one event over
  // several lines, or forge lines that look like events.
  for (const char c : message) {
    if (c == '\r')
      line += "\\r";
    else if (c == '\n')
      line += "\\n";
    else
      line += c;
  }
  line += "\r\n";
  return line;
}

std::string LogPath() {
  return GetIniPathSetting(AppTitle(), kSettingsSection, "AppLog", DefaultLogPath());
}

void WriteLog(const std::string& message) {
  static AppendFile log;
  const std::string path = LogPath();
  if (!log.StillNames(path)) log.Open(path, !FileExists(path));
  log.Append(LogLine(LocalTimeNow(), message));
}

}  // namespace zantovel
