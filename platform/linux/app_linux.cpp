#include <fcntl.h>
#include <pwd.h>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/app.h"
#include "platform/linux/system_calls.h"
#include "platform/path_rules.h"

namespace zantovel {

PathStyle NativeStyle() {
  return PathStyle::Posix;
}

std::tm LocalTimeNow() {
  // Asked for every log line: the conversion is made once a second.
  thread_local std::time_t last = -1;
  thread_local std::tm local{};
  const std::time_t now = std::time(nullptr);
  if (now != last) {
    localtime_r(&now, &local);
    last = now;
  }
  return local;
}

std::tm LocalTimeAt(std::time_t moment) {
  std::tm local{};
  localtime_r(&moment, &local);
  return local;
}

namespace {

// The user's home: $HOME where it is an absolute path, otherwise the one the user database
// gives (a shell started without a login may have none, or a relative one).
std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  passwd entry{};
  passwd* found = nullptr;
  std::array<char, 4096> buffer;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/')
    return found->pw_dir;
  return {};
}

std::string FromEnvironment(const char* variable, const std::string& home, const char* underHome) {
  const char* value = std::getenv(variable);
  // The XDG base directory rules ignore a relative path.
  if (value != nullptr && value[0] == '/') return value;
  if (home.empty()) return {};
  return home + underHome;
}

}  // namespace

std::string UserHome() {
  return HomeFolder();
}

UserFolders ProgramUserFolders() {
  const std::string home = HomeFolder();
  const std::string config = FromEnvironment("XDG_CONFIG_HOME", home, "/.config");
  const std::string state = FromEnvironment("XDG_STATE_HOME", home, "/.local/state");
  if (config.empty() || state.empty()) return {};
  return {config + "/zantovel", state + "/zantovel"};
}

bool KeepsFilesBeside(const std::string& folder) {
  for (const char* system : {"/bin", "/sbin", "/usr/bin", "/usr/sbin", "/usr/local/bin",
                             "/usr/local/sbin", "/usr/games", "/opt/"}) {
    const std::string_view prefix(system);
    if (folder == prefix || (prefix.back() == '/' && folder.rfind(prefix, 0) == 0)) return false;
  }
  return linux_calls::Sys().faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return {argv, argv + argc};
}

std::string ExecutablePath() {
  // /proc/self/exe names the running file wherever it was started from, unlike argv[0] or the
  // working directory.
  std::string path(256, '\0');
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n < 0) break;
    if (static_cast<std::size_t>(n) < path.size()) {
      path.resize(static_cast<std::size_t>(n));
      return path;
    }
    path.resize(path.size() * 2);
  }
  // Without /proc: the path the kernel was given to start the program, resolved from the
  // working folder the program started in.
  const auto* started = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
  if (started == nullptr) return {};
  const std::unique_ptr<char, decltype(&std::free)> real(realpath(started, nullptr), &std::free);
  return real ? std::string(real.get()) : std::string(started);
}

}  // namespace zantovel
