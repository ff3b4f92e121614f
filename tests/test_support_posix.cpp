// The helpers that need a POSIX system: processes, mounts, file flags.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "tests/test_support.h"

namespace zantovel::test {

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
