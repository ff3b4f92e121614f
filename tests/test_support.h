#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/path_rules.h"

namespace zantovel::test {

// A fresh folder under the system's temporary folder, removed with everything in it
// (immutable flags and mounts included) when the test ends.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + PathSeparator() + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& content, mode_t mode = 0644);
std::string ReadFile(const std::string& path);

// The words of text, as blanks separate them.
std::vector<std::string> Words(const std::string& text);

// The names directly inside folder, sorted.
std::vector<std::string> FolderNames(const std::string& folder);

// The log's lines without their time stamps; fails the test when a line is not
// "dd-mm-yyyy hh:mm:ss message" ended by CR LF.
std::vector<std::string> LogMessages(const std::string& logPath);

// LogMessages without the line of counts that closes each pass or undo ("Pass done: ...").
std::vector<std::string> StepMessages(const std::string& logPath);

// Runs a shell command, returning its exit status.
int Shell(const std::string& command);

// Whether this machine lets the tests make an immutable file at path (root, chattr, a file
// system that keeps the flag). Leaves the flag off.
bool CanMakeImmutable(const std::string& path);

// Mounts a tmpfs of the given size at the folder; false where mounting is not allowed.
bool MountSmallTmpfs(const std::string& folder, const std::string& size);

}  // namespace zantovel::test

namespace zantovel::test {

// Runs a shell command and returns what it printed on standard output.
std::string Capture(const std::string& command);

// The library's command-line probe copied into a folder of its own under the given name, so
// that it has a settings file of its own beside it; runs as a separate process.
struct InstalledProbe {
  explicit InstalledProbe(const std::string& name);
  std::string operator()(const std::string& args) const { return Capture(exe + " " + args); }
  TempDir bin;
  std::string exe;
};

// Starts argv[0] with the arguments, its standard output going to outputPath.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& outputPath);

// Waits for the process and returns its wait status.
int Wait(pid_t pid);

// The number of complete lines in the file (0 when it is missing).
std::size_t CountLines(const std::string& path);

}  // namespace zantovel::test
