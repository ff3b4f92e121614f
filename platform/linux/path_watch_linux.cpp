#include <fcntl.h>
#include <linux/magic.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <memory>
#include <thread>
#include <unordered_map>

#include "platform/linux/system_calls.h"
#include "platform/path_watch.h"

namespace zantovel {

using linux_calls::Sys;

namespace {

// A change to a name in a folder, or to the folder's own name. A folder's watch asks for no
// event that the kernel takes from the folder's files (a change of mode, a write): for such a
// watch it would first mark every name of the folder it holds in memory, which takes tens of
// milliseconds in a folder like /tmp. So the log's own writes beside the settings file wake
// nothing, and a change of a folder's mode on the way goes unseen; the settings file's own
// content and mode are watched on the file.
constexpr std::uint32_t kFolderEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;
constexpr std::uint32_t kContentEvents = IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB;
// Events that mean the watch itself is gone or has lost events.
constexpr std::uint32_t kWatchLost = IN_IGNORED | IN_Q_OVERFLOW | IN_UNMOUNT;

// File systems that only this kernel changes. On a network or FUSE file system another machine
// or a daemon may change a file without the kernel hearing of it.
bool OnlyThisKernelChanges(const char* path) {
  struct statfs fs {};
  if (Sys().statfs(path, &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case EXT4_SUPER_MAGIC:  // ext2 and ext3 too
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case TMPFS_MAGIC:
      return true;
    default:
      return false;
  }
}

// The parts of an absolute path, or nothing where a part would make the lexical path differ
// from the one the kernel walks ("..").
bool SplitAbsolute(const std::string& path, std::vector<std::string>& parts) {
  if (path.empty() || path[0] != '/') return false;
  std::size_t start = 1;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string part = path.substr(start, end - start);
    if (part == "..") return false;
    if (!part.empty() && part != ".") parts.push_back(part);
    start = end + 1;
  }
  return true;
}

}  // namespace

struct PathWatch::State {
  // Whether an event is one the watch must take as a change.
  bool Relevant(int watch, const char* name, unsigned mask) const;

  // How long the kernel takes to retire removed watches in the background, measured with
  // room to spare (50 us sufficed).
  static constexpr std::chrono::microseconds kRetireTime{200};

  int notify = -1;  // the inotify descriptor
  int mounts = -1;  // the mount table, which reports a mount or an unmount
  bool armed = false;
  std::chrono::steady_clock::time_point removedAt;  // when watches were last removed
  // By watch descriptor: the names in that folder whose change matters; none for a watched file,
  // every change of which matters.
  std::unordered_map<int, std::vector<std::string>> names;
};

PathWatch::PathWatch() : state_(std::make_unique<State>()) {}

PathWatch::~PathWatch() {
  // Closing an inotify descriptor whose watches the kernel has not yet retired makes the close
  // retire them itself and wait for a grace period: 5 to 15 ms on a small virtual machine,
  // more than a thousand-line pass. Removed a moment before the close, they are retired in the
  // background, and the close takes a tenth of a millisecond.
  if (state_->notify >= 0) {
    Forget();
    const auto retired = state_->removedAt + State::kRetireTime;
    if (const auto now = std::chrono::steady_clock::now(); now < retired)
      std::this_thread::sleep_for(retired - now);
    Sys().close(state_->notify);  // read from only: its close has nothing to report
  }
  if (state_->mounts >= 0) Sys().close(state_->mounts);
}

void PathWatch::Forget() {
  if (!state_->names.empty()) state_->removedAt = std::chrono::steady_clock::now();
  for (const auto& [watch, names] : state_->names) ::inotify_rm_watch(state_->notify, watch);
  state_->names.clear();
  state_->armed = false;
}

bool PathWatch::Watch(const std::vector<WatchedPath>& paths) {
  Forget();
  if (state_->mounts < 0)
    state_->mounts = Sys().openat(AT_FDCWD, "/proc/self/mountinfo", O_RDONLY | O_CLOEXEC, 0);
  if (state_->notify < 0) state_->notify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (state_->mounts < 0 || state_->notify < 0) return false;
  // What the watches before reported, and their removal, is of no interest now.
  alignas(inotify_event) char buffer[4096];
  while (Sys().read(state_->notify, buffer, sizeof buffer) > 0) {
  }
  // Takes in a mount made before now, which the caller's look after this call will see.
  pollfd mounts{state_->mounts, POLLPRI, 0};
  ::poll(&mounts, 1, 0);

  for (const WatchedPath& watched : paths) {
    std::vector<std::string> parts;
    if (!SplitAbsolute(watched.path, parts) || parts.empty()) {
      Forget();
      return false;
    }
    // Each folder on the way, from the root, watched for the name of the next part; a symbolic
    // link among them is refused (IN_ONLYDIR without following), and the walk ends at the first
    // part that does not exist: its coming is a change in the folder before it.
    std::string folder = "/";
    bool whole = true;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      const int watch = ::inotify_add_watch(state_->notify, folder.c_str(),
                                            kFolderEvents | IN_ONLYDIR | IN_DONT_FOLLOW);
      if (watch < 0 && errno == ENOENT && i > 0) {
        whole = false;  // the first folder that is missing: the one before it is watched
        break;
      }
      // A folder on the way to both paths is looked at once, and holds each name once.
      const auto known = state_->names.find(watch);
      if (watch < 0 || (known == state_->names.end() && !OnlyThisKernelChanges(folder.c_str()))) {
        Forget();
        return false;
      }
      std::vector<std::string>& names = state_->names[watch];
      if (std::find(names.begin(), names.end(), parts[i]) == names.end()) names.push_back(parts[i]);
      folder += (folder.size() > 1 ? "/" : "") + parts[i];
    }
    if (!whole) continue;
    // folder is now the path itself: a link there is followed by every later open, so refused.
    struct stat st {};
    if (Sys().fstatat(AT_FDCWD, folder.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
      if (S_ISLNK(st.st_mode)) {
        Forget();
        return false;
      }
      // Only a regular file has content to watch; anything else is no settings file, and its
      // replacement by one is a change in its folder.
      if (watched.what == Watched::NameAndContent && S_ISREG(st.st_mode)) {
        const int watch =
            ::inotify_add_watch(state_->notify, folder.c_str(), kContentEvents | IN_DONT_FOLLOW);
        if (watch < 0) {
          Forget();
          return false;
        }
        state_->names[watch];  // a file: any event counts
      }
    } else if (errno != ENOENT) {
      Forget();
      return false;
    }
  }
  state_->armed = true;
  return true;
}

bool PathWatch::State::Relevant(int watch, const char* name, unsigned mask) const {
  if (mask & IN_Q_OVERFLOW) return true;  // events were lost
  const auto found = names.find(watch);
  if (found == names.end()) return false;  // a watch removed before
  if (mask & (kWatchLost | IN_DELETE_SELF | IN_MOVE_SELF)) return true;
  if (found->second.empty() || name == nullptr || *name == '\0')
    return true;  // a watched file, or the folder itself
  return std::find(found->second.begin(), found->second.end(), name) != found->second.end();
}

bool PathWatch::Unchanged() {
  if (!state_->armed) return false;
  pollfd ready[2] = {{state_->notify, POLLIN, 0}, {state_->mounts, POLLPRI, 0}};
  const int count = ::poll(ready, 2, 0);
  if (count == 0) return true;
  if (count < 0 || ready[1].revents != 0) {
    Forget();
    return false;
  }
  // Events for other names in a watched folder (a file made beside the log) leave it unchanged.
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    const ssize_t size = Sys().read(state_->notify, buffer, sizeof buffer);
    if (size < 0 && errno == EAGAIN) break;  // all read
    if (size <= 0) {
      Forget();
      return false;
    }
    for (ssize_t at = 0; at < size;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (state_->Relevant(event->wd, event->len ? event->name : nullptr, event->mask)) {
        Forget();
        return false;
      }
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  return true;
}

}  // namespace zantovel
