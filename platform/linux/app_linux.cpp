#include <sys/auxv.h>
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
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
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
