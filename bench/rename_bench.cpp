// Measures a rename pass against its peers, in one run, each method in a child process of its
// own (so its peak memory is its own), the methods taking turns at going first:
//
// - typed mode (prefix "a_", type ".tmp") over N files of 1 KiB: RenamePass, without and with
//   its journal, and with the journal and a watcher and stop flag as the window's; mmv '*.tmp'
//   'a_#1.tmp'; perl rename 's/^/a_/'; and a bare loop of renameat2 calls, the floor of any rename
//   tool;
// - all-files mode ("*.*") over the same files: RenamePass against cp --reflink=auto
//   --preserve=all of the folder;
// - one large file renamed by RenamePass and by mmv.
//
//   rename_bench [--sizes 1000,10000,100000] [--runs 3] [--big-mib 1024] [--work DIR]
//                [--cases typed,all]
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/app.h"
#include "rename/pass_progress.h"
#include "rename/rename_pass.h"
#include "store/activity_log.h"
#include "store/settings.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Sample {
  double seconds;
  long peakKiB;
};

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "rename_bench: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

// Runs work in a child process and returns its duration and peak resident memory.
Sample Measure(const std::function<void()>& work) {
  sync();
  int channel[2];
  if (pipe(channel) != 0) Die("pipe");
  const pid_t pid = fork();
  if (pid < 0) Die("fork");
  if (pid == 0) {
    close(channel[0]);
    const auto started = Clock::now();
    work();
    Sample sample{std::chrono::duration<double>(Clock::now() - started).count(), 0};
    // The larger of this process and the tools it ran.
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    sample.peakKiB = std::max(self.ru_maxrss, children.ru_maxrss);
    if (write(channel[1], &sample, sizeof sample) != static_cast<ssize_t>(sizeof sample)) _exit(1);
    _exit(0);
  }
  close(channel[1]);
  Sample sample{};
  const bool got = read(channel[0], &sample, sizeof sample) == static_cast<ssize_t>(sizeof sample);
  close(channel[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) Die("measurement failed");
  return sample;
}

void WriteWhole(const std::string& path, const std::string& content) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0 || write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size()))
    Die("write " + path);
  close(fd);
}

void MakeSmallFiles(const std::string& folder, int count) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  std::string content(1024, '.');
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "f%06d.tmp", i);
    std::snprintf(content.data(), 32, "file %d", i);  // distinct contents
    WriteWhole(folder + "/" + name, content);
  }
}

void MakeBigFile(const std::string& folder, long mib) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  const int fd = open((folder + "/big.tmp").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) Die("create big file");
  std::string block(1 << 20, 'b');
  for (long i = 0; i < mib; ++i) {
    std::snprintf(block.data(), 32, "block %ld", i);
    if (write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size()))
      Die("write big file");
  }
  close(fd);
}

// Makes the folder hold `count` files again without writing them anew: a typed pass is undone
// by renaming back, an all-files pass by removing its copies.
void Reset(const std::string& folder, int count) {
  if (!fs::exists(folder)) return MakeSmallFiles(folder, count);
  std::size_t present = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("a_", 0) != 0) {
      ++present;
      continue;
    }
    const std::string old = folder + "/" + name.substr(2);
    if (fs::exists(old)) {
      fs::remove(entry.path());
    } else {
      fs::rename(entry.path(), old);
      ++present;
    }
  }
  if (present != static_cast<std::size_t>(count)) MakeSmallFiles(folder, count);
}

// The floor of any rename tool: list the folder, then one renameat2 per file.
void BareRenames(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) Die("opendir");
  while (const dirent* entry = readdir(dir))
    if (entry->d_type == DT_REG) names.emplace_back(entry->d_name);
  const int fd = dirfd(dir);
  for (const std::string& name : names)
    if (renameat2(fd, name.c_str(), fd, ("a_" + name).c_str(), RENAME_NOREPLACE) != 0)
      Die("renameat2 " + name);
  closedir(dir);
}

void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) Die(command);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Method {
  Method(std::string n, std::function<void()> w) : name(std::move(n)), work(std::move(w)) {}
  std::string name;
  std::function<void()> work;
  std::vector<double> seconds;
  long peakKiB = 0;
};

// Runs every method `runs` times on a folder made afresh by `prepare`, the methods taking turns
// at going first, and prints one row per method with its ratio to the first method's median.
void Compare(const std::string& what, int files, int runs, std::vector<Method>& methods,
             const std::function<void()>& prepare) {
  for (int run = 0; run < runs; ++run) {
    for (std::size_t i = 0; i < methods.size(); ++i) {
      Method& method = methods[(i + static_cast<std::size_t>(run)) % methods.size()];
      prepare();
      const Sample sample = Measure(method.work);
      method.seconds.push_back(sample.seconds);
      method.peakKiB = std::max(method.peakKiB, sample.peakKiB);
    }
  }
  const double base = Median(methods.front().seconds);
  for (const Method& method : methods) {
    const double seconds = Median(method.seconds);
    std::printf("%-18s %-34s %10.4f %10.1f %8.2f %10.1f\n", what.c_str(), method.name.c_str(),
                seconds, seconds / files * 1e6, seconds / base, method.peakKiB / 1024.0);
    std::fflush(stdout);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes = {1000, 10000, 100000};
  int runs = 3;
  long bigMiB = 1024;
  std::string cases = "typed,all";  // which comparisons run: the typed mode's, the copies'

  std::string work = fs::absolute("bench-work").string();
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i], value = argv[i + 1];
    if (option == "--sizes") {
      sizes.clear();
      for (std::size_t pos = 0; pos < value.size();) {
        const std::size_t comma = std::min(value.find(',', pos), value.size());
        sizes.push_back(std::stoi(value.substr(pos, comma - pos)));
        pos = comma + 1;
      }
    } else if (option == "--runs") {
      runs = std::stoi(value);
    } else if (option == "--big-mib") {
      bigMiB = std::stol(value);
    } else if (option == "--cases") {
      cases = value;
    } else if (option == "--work") {
      work = fs::absolute(value).string();
    } else {
      std::fprintf(stderr, "unknown option %s\n", option.c_str());
      return 2;
    }
  }

  const std::string folder = work + "/files";
  const std::string log = work + "/bench.log";
  fs::create_directories(work);
  // The pass reads its log's place from a settings file, as it does in use.
  zantovel::SettingsStore settings(work + "/bench.ini");
  settings.Save(zantovel::kSettingsSection, {{"AppLog", log}});
  zantovel::ActivityLog activityLog(settings, log);

  const std::string copies = work + "/copies";
  std::printf("%-18s %-34s %10s %10s %8s %10s\n", "case", "method", "seconds", "us/file", "ratio",
              "peak MiB");
  const std::string journal = work + "/bench.journals";
  fs::create_directories(journal);
  const auto pass = [&](const char* type, bool journalled = false, bool watched = false) {
    return [&folder, &activityLog, &journal, type, journalled, watched] {
      zantovel::PassContext context{activityLog, {}};
      if (journalled) context.journals.emplace(journal, "");
      zantovel::PassProgress progress;  // the window's
      std::atomic<bool> stop{false};
      if (watched) {
        context.progress = &progress;
        context.stop = &stop;
      }
      zantovel::RenamePass(context, folder, "a_", type);
    };
  };
  const std::string inFolder = "cd '" + folder + "' && ";
  for (const int files : sizes) {
    const std::string what = std::to_string(files) + " x 1 KiB";
    const auto fresh = [&] {
      Reset(folder, files);
      fs::remove(log);
    };
    std::vector<Method> typed = {
        {"Zantovel .tmp", pass(".tmp")},
        {"Zantovel .tmp, with its journal", pass(".tmp", true)},
        {"... and watched as the window does", pass(".tmp", true, true)},
        {"mmv '*.tmp' 'a_#1.tmp'", [&] { Shell(inFolder + "mmv '*.tmp' 'a_#1.tmp'"); }},
        {"perl rename 's/^/a_/'",
         [&] { Shell(inFolder + "printf '%s\\n' *.tmp | rename 's/^/a_/'"); }},
        {"renameat2 loop", [&] { BareRenames(folder); }},
    };
    if (cases.find("typed") != std::string::npos) Compare(what, files, runs, typed, fresh);
    std::vector<Method> allFiles = {
        {"Zantovel *.*", pass("*.*")},
        {"cp --reflink=auto --preserve=all",
         [&] { Shell("cp -r --reflink=auto --preserve=all '" + folder + "' '" + copies + "'"); }},
        // The pass flushes each copy before naming it; cp flushes nothing, so this shows what
        // durability costs when it is bought once for the whole folder.
        {"cp ... && sync -f",
         [&] {
           Shell("cp -r --reflink=auto --preserve=all '" + folder + "' '" + copies +
                 "' && sync -f '" + copies + "'");
         }},
    };
    if (cases.find("all") != std::string::npos)
      Compare(what, files, runs, allFiles, [&] {
        fresh();
        fs::remove_all(copies);
      });
  }

  if (bigMiB > 0) {
    const std::string what = std::to_string(bigMiB) + " MiB file";
    std::vector<Method> big = {
        {"Zantovel .tmp", pass(".tmp")},
        {"mmv '*.tmp' 'a_#1.tmp'", [&] { Shell(inFolder + "mmv '*.tmp' 'a_#1.tmp'"); }},
    };
    MakeBigFile(folder, bigMiB);
    Compare(what, 1, runs, big, [&] {
      fs::remove(log);
      if (fs::exists(folder + "/a_big.tmp")) fs::rename(folder + "/a_big.tmp", folder + "/big.tmp");
    });
  }
  fs::remove_all(work);
  return 0;
}
