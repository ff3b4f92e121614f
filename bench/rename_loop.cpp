// The floor of any rename tool, as a process of its own: lists a folder and gives every name
// ending in ".tmp" the prefix "a_" by renameat2, never replacing a name, with nothing else
// around it (no log, no journal, no look at a file).
// With --like-a-pass LOG it makes, besides, exactly the other calls a pass cannot do without,
// in a pass's order: the names sorted, a look at each file of a batch of 1,000 before the
// batch's renames (what the undo journal records), and one write of a log line before each
// rename. Nothing else: no journal written, no decisions, no watch of the log's place.
// Usage: rename_loop [--like-a-pass LOG] FOLDER
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  const bool likeAPass = argc == 4 && std::strcmp(argv[1], "--like-a-pass") == 0;
  if (argc != 2 && !likeAPass) {
    std::fprintf(stderr, "usage: rename_loop [--like-a-pass LOG] FOLDER\n");
    return 2;
  }
  const char* path = argv[argc - 1];
  DIR* folder = opendir(path);
  if (folder == nullptr) {
    std::perror(path);
    return 1;
  }
  std::vector<std::string> names;
  while (const dirent* entry = readdir(folder)) {
    const std::size_t length = std::strlen(entry->d_name);
    if (length > 4 && std::strcmp(entry->d_name + length - 4, ".tmp") == 0)
      names.emplace_back(entry->d_name, length);
  }
  const int dir = dirfd(folder);
  int log = -1;
  if (likeAPass) {
    std::sort(names.begin(), names.end());
    log = open(argv[2], O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (log < 0) {
      std::perror(argv[2]);
      return 1;
    }
  }
  // A log line as long as a pass's: the closing lines of one file and the first of the next.
  const std::string line(186, 'x');
  constexpr std::size_t kBatch = 1000;
  for (std::size_t first = 0; first < names.size(); first += kBatch) {
    const std::size_t last = std::min(names.size(), first + kBatch);
    struct stat st {};
    for (std::size_t i = first; i < last && likeAPass; ++i)
      if (fstatat(dir, names[i].c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) std::perror("fstatat");
    for (std::size_t i = first; i < last; ++i) {
      if (likeAPass && write(log, line.data(), line.size()) < 0) std::perror("write");
      const std::string newName = "a_" + names[i];
      if (renameat2(dir, names[i].c_str(), dir, newName.c_str(), RENAME_NOREPLACE) != 0) {
        std::perror(names[i].c_str());
        return 1;
      }
    }
  }
  if (log >= 0) close(log);
  closedir(folder);
  return 0;
}
