#pragma once

#include <ctime>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// The activity log: one time-stamped line per step of a rename pass.
namespace zantovel {

// Adds "dd-mm-yyyy hh:mm:ss message" and CR LF, in local time, to the log that LogPath names.
// The log is looked up for every line, so an edit of the setting takes effect at the next one;
// it stays open while its path names the same file. A missing log is created, an existing one
// is only ever extended, and a line is in it whole or not at all. Throws PlatformError when the
// log cannot be opened or written; earlier lines stay.
void WriteLog(const std::string& message);

// Adds one line per message, written together: for steps that happen at the same moment, such
// as the lines that follow a rename. The log is looked up once for all of them.
void WriteLog(std::initializer_list<std::string_view> messages);
void WriteLog(const std::vector<std::string>& messages);

// Where the log is now: the AppLog setting, read whole, or DefaultLogPath.
std::string LogPath();

// One whole line of the log: time stamp, " ", message, CR LF. A CR or LF inside the message is
// written as the two characters "\r" or "\n", so that one line is always one event.
std::string LogLine(const std::tm& time, std::string_view message);

// The time stamp of a log line: "dd-mm-yyyy hh:mm:ss", 19 characters.
std::string LogTimestamp(const std::tm& time);

// Whether a normal (regular) file exists at path: it decides whether the log is opened for
// appending or created. False without a look at the disk when path IsBlank; false for folders,
// devices and pipes. The path is taken literally.
bool FileExists(const std::string& path);

// Whether text is empty or holds nothing but spaces (U+0020). Tabs count as content.
bool IsBlank(const std::string& text);

// The default log path: the program folder followed by "/applog.log", joined as they are.
std::string DefaultLogPath();

}  // namespace zantovel
