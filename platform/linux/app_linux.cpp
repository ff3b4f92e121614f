#include <fcntl.h>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/app.h"
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

namespace {

// Makes path and its missing parents, each 0700 less the umask: the user's own.
void MakeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0700);
    if (slash == std::string::npos) break;
  }
}

std::string FromEnvironment(const char* variable, const char* underHome) {
  const char* value = std::getenv(variable);
  // The XDG base directory rules ignore a relative path.
  if (value != nullptr && value[0] == '/') return value;
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return {};
  return std::string(home) + underHome;
}

}  // namespace

UserFolders ProgramUserFolders() {
  const std::string config = FromEnvironment("XDG_CONFIG_HOME", "/.config");
  const std::string state = FromEnvironment("XDG_STATE_HOME", "/.local/state");
  if (config.empty() || state.empty()) return {};
  UserFolders folders{config + "/zantovel", state + "/zantovel"};
  MakeFolders(folders.settings);
  MakeFolders(folders.state);
  return folders;
}

bool KeepsFilesBeside(const std::string& folder) {
  for (const char* system : {"/bin", "/sbin", "/usr/bin", "/usr/sbin", "/usr/local/bin",
                             "/usr/local/sbin", "/usr/games", "/opt/"}) {
    const std::string_view prefix(system);
    if (folder == prefix || (prefix.back() == '/' && folder.rfind(prefix, 0) == 0)) return false;
  }
  return faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
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
