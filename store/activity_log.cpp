#include "store/activity_log.h"

#include <algorithm>
#include <array>

#include "platform/app.h"
#include "platform/files.h"
#include "platform/path_rules.h"
#include "store/settings.h"

namespace zantovel {

bool FileExists(const std::string& path) {
  return !IsBlank(path) && IsRegularFile(path);
}

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(' ') == std::string::npos;
}

std::string DefaultLogPath() {
  // Joined as it is: in the root the path holds two separators, which every system takes
  // as one.
  static const std::string path = AppPath() + kPathSeparator + "applog.log";
  return path;
}

std::string LogTimestamp(const std::tm& time) {
  // Lines come many to a second; the text changes once a second.
  static std::tm last{};
  static std::string text;
  if (text.empty() || time.tm_sec != last.tm_sec || time.tm_min != last.tm_min ||
      time.tm_hour != last.tm_hour || time.tm_mday != last.tm_mday || time.tm_mon != last.tm_mon ||
      time.tm_year != last.tm_year) {
    std::array<char, 32> buffer{};
    const std::size_t n = std::strftime(buffer.data(), buffer.size(), "%d-%m-%Y %H:%M:%S", &time);
    text.assign(buffer.data(), n);
    last = time;
  }
  return text;
}

std::string LogLine(const std::tm& time, std::string_view message) {
  std::string line = LogTimestamp(time);
  line.reserve(line.size() + message.size() + 3);
  line += ' ';
  // A file name may hold line breaks; written as they are, they would split one event over
  // several lines, or forge lines that look like events.
  const auto isBreak = [](char c) { return c == '\r' || c == '\n'; };
  for (auto pos = message.begin(); pos != message.end();) {
    const auto brk = std::find_if(pos, message.end(), isBreak);
    line.append(pos, brk);
    if (brk == message.end()) break;
    line += *brk == '\r' ? "\\r" : "\\n";
    pos = brk + 1;
  }
  line += "\r\n";
  return line;
}

std::string LogPath() {
  return ReadPathSetting(kSettingsSection, "AppLog", DefaultLogPath());
}

namespace {

template <typename Messages>
void WriteLines(const Messages& messages) {
  static AppendFile log;
  const std::string path = LogPath();
  if (!log.StillNames(path)) log.Open(path, !FileExists(path));
  const std::tm now = LocalTimeNow();
  std::string lines;
  for (const std::string_view message : messages) lines += LogLine(now, message);
  log.Append(lines);
}

}  // namespace

void WriteLog(std::initializer_list<std::string_view> messages) {
  WriteLines(messages);
}

void WriteLog(const std::vector<std::string>& messages) {
  if (!messages.empty()) WriteLines(messages);
}

void WriteLog(const std::string& message) {
  WriteLines(std::initializer_list<std::string_view>{message});
}

}  // namespace zantovel
