// The floor of an all-files pass, as a process of its own: copies every file of a folder to
// "c_" + its name with only the calls that a pass cannot do without, and nothing else (no log,
// no journal written, no decisions):
// - a look at each file, and at each copy once named (what the undo journal records);
// - each copy made unnamed (O_TMPFILE), so that no half-made copy is ever seen, from the open
//   original, whose size is checked again afterwards;
// - the owner, the mode, an ACL inherited from the folder removed, the extended attributes
//   listed, the times;
// - batches of 128 copies flushed with one syncfs before they are linked in under their names,
//   so that no named copy lacks its content after a power cut;
// - one write of a log line before each copy is named, as a pass tells of each copy first.
// Usage: copy_loop FOLDER LOG
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Says what failed; 1, the exit status.
int Fail(const std::string& what) {
  std::perror(what.c_str());
  return 1;
}

// Makes the unnamed copy of name, whose descriptor goes to copy: 0, or 1 on a failure.
int StartCopy(int dir, const std::string& name, int& copy) {
  const int from = openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (from < 0) return Fail(name);
  struct stat st {};
  if (fstat(from, &st) != 0) return Fail(name);
  copy = openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (copy < 0) return Fail("O_TMPFILE");
  for (off_t done = 0; done < st.st_size;) {
    const ssize_t n = copy_file_range(from, nullptr, copy, nullptr, st.st_size - done, 0);
    if (n <= 0) return Fail(name);
    done += n;
  }
  struct stat after {};
  if (fstat(from, &after) != 0 || after.st_size != st.st_size) return Fail(name);
  fremovexattr(copy, "system.posix_acl_access");
  if (fchown(copy, st.st_uid, st.st_gid) != 0 || fchmod(copy, st.st_mode & 07777) != 0)
    return Fail(name);
  flistxattr(from, nullptr, 0);
  const std::array<timespec, 2> times{st.st_atim, st.st_mtim};
  if (futimens(copy, times.data()) != 0) return Fail(name);
  close(from);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: copy_loop FOLDER LOG\n");
    return 2;
  }
  const int log = open(argv[2], O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (log < 0) return Fail(argv[2]);
  // A log line as long as a pass's for one copy: its first line and its closing lines.
  const std::string line(186, 'x');
  DIR* folder = opendir(argv[1]);
  if (folder == nullptr) return Fail(argv[1]);
  std::vector<std::string> names;
  while (const dirent* entry = readdir(folder))
    if (entry->d_type == DT_REG) names.emplace_back(entry->d_name);
  std::sort(names.begin(), names.end());
  const int dir = dirfd(folder);
  constexpr std::size_t kBatch = 128;
  for (std::size_t first = 0; first < names.size(); first += kBatch) {
    const std::size_t last = std::min(names.size(), first + kBatch);
    std::vector<int> copies;
    struct stat st {};
    for (std::size_t i = first; i < last; ++i) {
      if (fstatat(dir, names[i].c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return Fail(names[i]);
      int copy = -1;
      if (StartCopy(dir, names[i], copy) != 0) return 1;
      copies.push_back(copy);
    }
    if (syncfs(dir) != 0) return Fail("syncfs");
    for (std::size_t i = first; i < last; ++i) {
      const int copy = copies[i - first];
      const std::string self = "/proc/self/fd/" + std::to_string(copy);
      const std::string newName = "c_" + names[i];
      if (write(log, line.data(), line.size()) < 0) return Fail(argv[2]);
      if (linkat(AT_FDCWD, self.c_str(), dir, newName.c_str(), AT_SYMLINK_FOLLOW) != 0)
        return Fail(newName);
      if (fstatat(dir, newName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return Fail(newName);
      close(copy);
    }
  }
  close(log);
  closedir(folder);
  return 0;
}
