// The floor of any rename tool, as a process of its own: lists a folder and gives every name
// ending in ".tmp" the prefix "a_" by renameat2, never replacing a name, with nothing else
// around it (no log, no journal, no look at a file).
// Usage: rename_loop FOLDER
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: rename_loop FOLDER\n");
    return 2;
  }
  DIR* folder = opendir(argv[1]);
  if (folder == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  std::vector<std::string> names;
  while (const dirent* entry = readdir(folder)) {
    const std::size_t length = std::strlen(entry->d_name);
    if (length > 4 && std::strcmp(entry->d_name + length - 4, ".tmp") == 0)
      names.emplace_back(entry->d_name, length);
  }
  const int dir = dirfd(folder);
  for (const std::string& name : names) {
    const std::string newName = "a_" + name;
    if (renameat2(dir, name.c_str(), dir, newName.c_str(), RENAME_NOREPLACE) != 0) {
      std::perror(name.c_str());
      return 1;
    }
  }
  closedir(folder);
  return 0;
}
