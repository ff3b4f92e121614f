#include <unistd.h>

#include <string>

#include "platform/app.h"

namespace zantovel {

std::tm LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

namespace {

std::string ReadExecutablePath() {
  // /proc/self/exe names the running file wherever it was started from, unlike argv[0] or the
  // working directory.
  std::string path(256, '\0');
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < path.size()) {
      path.resize(static_cast<std::size_t>(n));
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

std::string ExecutablePath() {
  // Asked before every log line, and the answer cannot change while the program runs.
  static const std::string path = ReadExecutablePath();
  return path;
}

}  // namespace zantovel
