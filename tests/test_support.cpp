#include "tests/test_support.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

namespace zantovel::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "zantovel-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
  path_ = pattern;
}

TempDir::~TempDir() {
  // Undo what fault tests leave: mounts below the folder and immutable flags.
  Shell("grep -o ' " + path_ + "[^ ]*' /proc/mounts | xargs -r -n1 umount -l 2>/dev/null");
  Shell("chattr -R -i -a '" + path_ + "' 2>/dev/null");
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, const std::string& content, mode_t mode) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    ASSERT_TRUE(out.good()) << path;
  }
  // FAT keeps no permissions; its drivers say so with ENOSYS.
  std::error_code error;
  fs::permissions(path, static_cast<fs::perms>(mode), error);
  if (error && error != std::errc::function_not_supported) ADD_FAILURE() << path << ": " << error;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> LogMessages(const std::string& logPath) {
  static const std::regex kLine(R"((\d\d)-(\d\d)-(\d{4}) (\d\d):(\d\d):(\d\d) ([^\r\n]*)\r\n)");
  const std::string content = ReadFile(logPath);
  std::vector<std::string> messages;
  std::size_t pos = 0;
  while (pos < content.size()) {
    const std::size_t end = content.find("\r\n", pos);
    if (end == std::string::npos) {
      ADD_FAILURE() << "log line without CR LF: " << content.substr(pos);
      break;
    }
    const std::string line = content.substr(pos, end + 2 - pos);
    std::smatch match;
    if (!std::regex_match(line, match, kLine)) {
      ADD_FAILURE() << "malformed log line: " << line;
    } else {
      messages.push_back(match[7]);
    }
    pos = end + 2;
  }
  return messages;
}

int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool CanMakeImmutable(const std::string& path) {
  if (geteuid() != 0) return false;
  if (Shell("chattr +i '" + path + "' 2>/dev/null") != 0) return false;
  return Shell("chattr -i '" + path + "' 2>/dev/null") == 0;
}

bool MountSmallTmpfs(const std::string& folder, const std::string& size) {
  const std::string options = "size=" + size;
  return geteuid() == 0 && mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

}  // namespace zantovel::test

namespace zantovel::test {

std::string Capture(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  pclose(pipe);
  return output;
}

}  // namespace zantovel::test

namespace zantovel::test {

InstalledProbe::InstalledProbe(const std::string& name) : exe(bin / name) {
  std::filesystem::copy_file(ZANTOVEL_PROBE, exe);
}

pid_t Spawn(const std::vector<std::string>& argv, const std::string& outputPath) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_GT(pid, 0) << argv[0];
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

std::size_t CountLines(const std::string& path) {
  const std::string content = ReadFile(path);
  return static_cast<std::size_t>(std::count(content.begin(), content.end(), '\n'));
}

}  // namespace zantovel::test
