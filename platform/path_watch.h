#pragma once

#include <memory>
#include <string>
#include <vector>

// Noticing, without a look at the disk each time, that a path may name something new.
namespace zantovel {

// What a watched path stands for: its name alone (the log, which the program writes itself),
// or its name and the content of the file it names (the settings file).
enum class Watched { Name, NameAndContent };

struct WatchedPath {
  std::string path;
  Watched what = Watched::Name;
};

// Says whether a few paths can still name the files they named when they were watched, so
// that a caller looking them up before every write looks again only after a change. Linux asks
// the kernel to report changes to each folder on the way (inotify) and to the mount table;
// such a report reaches the watch before the call that made the change returns, so a change
// made before a write is seen by that write. Windows watches nothing, and its callers look up
// the paths every time.
class PathWatch {
 public:
  PathWatch();
  ~PathWatch();
  PathWatch(const PathWatch&) = delete;
  PathWatch& operator=(const PathWatch&) = delete;

  // Watches paths from now on, in place of what was watched before. False, with Unchanged
  // false until the next Watch, where no change could go unseen only by luck: a relative path,
  // ".." or a symbolic link on the way, a file system that another machine may change behind
  // the kernel's back, or no watches left to the user. A path that does not exist yet is
  // watched for its coming.
  bool Watch(const std::vector<WatchedPath>& paths);

  // True while nothing watched has changed since Watch; false from the first change on (a
  // change to another name in a watched folder does not count), and false for a watch that
  // watches nothing.
  bool Unchanged();

  // Stops watching: Unchanged is false until the next Watch.
  void Forget();

 private:
  // What each system keeps for its watch (the Linux one its inotify descriptor and watches).
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zantovel
