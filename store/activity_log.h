#pragma once

#include <cstddef>
#include <ctime>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/path_watch.h"
#include "store/settings.h"

// The activity log: one time-stamped line per step of a rename pass.
namespace zantovel {

// One line to be written, with the time of the step it tells of.
struct LogEntry {
  std::tm time;
  std::string message;
};

// The log of one program, placed by its settings.
class ActivityLog {
 public:
  using Clock = std::function<std::tm()>;

  // The log's place is the AppLog setting of settings, or defaultPath; clock gives the time
  // stamps (the local time unless a test says otherwise).
  ActivityLog(const SettingsStore& settings, std::string defaultPath, Clock clock = {});

  // Where the log is now: the AppLog setting, read whole, or the default path. Looked up for
  // every write where anything may have changed, so an edit of the setting takes effect at the
  // next line.
  std::string Path() const;

  // The time now, for a line written later.
  std::tm Now() const;

  // Lines the log is looked up for, each time, before it watches the settings file and its own
  // path instead (where the system can): a watch costs about a third of a millisecond to start
  // and end, the price of some 100 looks, so a pass of a few files never pays it.
  static constexpr std::size_t kLooksBeforeWatch = 128;

  // Adds "dd-mm-yyyy hh:mm:ss message" and CR LF for each message, stamped now, in one write:
  // for steps that happen at the same moment. Control characters in a message (a line break
  // or a terminal's escape in a file name) are written escaped, "\n", "\x1B", so that one
  // line is always one event and the log shows what a name holds. A missing log is created, an
  // existing one is only ever extended, and the lines are in it whole or not at all. The log stays
  // open while its path names the same file. Throws PlatformError when the log cannot be opened or
  // written; earlier lines stay.
  void Write(std::initializer_list<std::string_view> messages);
  // The same for lines whose steps happened earlier, each with its own time.
  void Write(const std::vector<LogEntry>& entries);

 private:
  void Append(const std::string& lines);
  // Looks up the log's place and opens the file there unless it is the one open.
  void FindLog();

  const SettingsStore& settings_;
  std::string defaultPath_;
  Clock clock_;
  AppendFile file_;
  // The settings file and the log's path, watched since the last lookup: while neither can
  // have changed, a line goes to the open log without a look at either.
  PathWatch place_;
  std::size_t looks_ = 0;
  std::string unwatchable_;  // a log path the system could not watch: not tried again
};

// The time stamp of a log line: "dd-mm-yyyy hh:mm:ss", 19 characters.
std::string LogTimestamp(const std::tm& time);

// Whether a normal (regular) file exists at path: it decides whether the log is opened for
// appending or created. False without a look at the disk when path IsBlank; false for folders,
// devices and pipes. The path is taken literally.
bool FileExists(const std::string& path);

// Whether text is empty or holds nothing but spaces (U+0020). Tabs count as content.
bool IsBlank(const std::string& text);

// The default log of a program whose folder is programFolder: the folder followed by a
// separator and "applog.log", joined as they are (the root gives two separators in a row,
// which every system takes as one).
std::string DefaultLogPathIn(const std::string& programFolder);

}  // namespace zantovel
