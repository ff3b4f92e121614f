#include "store/activity_log.h"

#include <array>

#include "platform/app.h"
#include "platform/path_rules.h"
#include "util/text.h"

namespace zantovel {

bool FileExists(const std::string& path) {
  return !IsBlank(path) && IsRegularFile(path);
}

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(' ') == std::string::npos;
}

std::string DefaultLogPathIn(const std::string& programFolder) {
  return programFolder + PathSeparator() + "applog.log";
}

std::string LogTimestamp(const std::tm& time) {
  std::array<char, 32> buffer{};
  const std::size_t n = std::strftime(buffer.data(), buffer.size(), "%d-%m-%Y %H:%M:%S", &time);
  return std::string(buffer.data(), n);
}

namespace {

// Adds one whole line to lines. Lines come many to a second: the stamp is formatted once for
// each second.
void AppendLogLine(std::string& lines, const std::tm& time, std::string_view message) {
  thread_local std::tm stamped{};
  thread_local std::string stamp;
  if (stamp.empty() || time.tm_sec != stamped.tm_sec || time.tm_min != stamped.tm_min ||
      time.tm_hour != stamped.tm_hour || time.tm_mday != stamped.tm_mday ||
      time.tm_mon != stamped.tm_mon || time.tm_year != stamped.tm_year) {
    stamp = LogTimestamp(time);
    stamped = time;
  }
  lines += stamp;
  lines += ' ';
  AppendEscapingControls(lines, message, Backslashes::AsTheyAre);
  lines += "\r\n";
}

// Room for a line's stamp, space and line end around its message.
constexpr std::size_t kLineFrame = 19 + 1 + 2;

}  // namespace

ActivityLog::ActivityLog(const SettingsStore& settings, std::string defaultPath, Clock clock)
    : settings_(settings), defaultPath_(std::move(defaultPath)), clock_(std::move(clock)) {
  if (!clock_) clock_ = LocalTimeNow;
}

std::string ActivityLog::Path() const {
  return settings_.ReadPath(kSettingsSection, "AppLog", defaultPath_);
}

std::tm ActivityLog::Now() const {
  return clock_();
}

void ActivityLog::FindLog() {
  std::string path = Path();
  // The watch starts before the look that counts, so that a change after that look is seen
  // by the next line; should the look find the log moved meanwhile, the next line looks again.
  if (++looks_ > kLooksBeforeWatch && path != unwatchable_) {
    if (place_.Watch({{settings_.Path(), Watched::NameAndContent}, {path, Watched::Name}})) {
      const std::string watched = path;
      path = Path();
      if (path != watched) place_.Forget();
    } else {
      unwatchable_ = path;
    }
  }
  if (!file_.StillNames(path))
    file_.Open(path, FileExists(path) ? Opening::Existing : Opening::OrCreate);
}

void ActivityLog::Append(const std::string& lines) {
  if (!file_.IsOpen() || !place_.Unchanged()) FindLog();
  file_.Append(lines);
}

void ActivityLog::Write(std::initializer_list<std::string_view> messages) {
  const std::tm now = Now();
  std::string lines;
  for (const std::string_view message : messages) AppendLogLine(lines, now, message);
  Append(lines);
}

void ActivityLog::Write(const std::vector<LogEntry>& entries) {
  if (entries.empty()) return;
  std::size_t size = 0;
  for (const LogEntry& entry : entries) size += kLineFrame + entry.message.size();
  std::string lines;
  lines.reserve(size);
  for (const LogEntry& entry : entries) AppendLogLine(lines, entry.time, entry.message);
  Append(lines);
}

}  // namespace zantovel
