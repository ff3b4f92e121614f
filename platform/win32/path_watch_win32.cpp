#include "platform/path_watch.h"

// Windows watches nothing yet: its callers look up the paths before every write.
namespace zantovel {

struct PathWatch::State {};

PathWatch::PathWatch() = default;
PathWatch::~PathWatch() = default;

void PathWatch::Forget() {}

bool PathWatch::Watch(const std::vector<WatchedPath>&) {
  return false;
}

bool PathWatch::Unchanged() {
  return false;
}

}  // namespace zantovel
