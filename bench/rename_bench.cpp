// Measures a rename pass against the floor: a loop in this program that does only what the
// pass's design asks for, per file: list, copy into a new file, delete the old one, and for
// each of the four log lines read the settings file and add the line to the log. For one large
// file, `cp --reflink=auto` followed by `rm` is measured as well.
//
// Each measurement runs in a child process of its own, so its peak memory is its own.
//
//   rename_bench [--sizes 1000,10000,100000] [--runs 3] [--big-mib 1024] [--work DIR]
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/app.h"
#include "rename/modRename.h"
#include "store/modSettings.h"

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
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    sample.peakKiB = usage.ru_maxrss;
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

// Reads the file through, so every method starts with its content in the page cache.
void Warm(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Die("open " + path);
  std::vector<char> buffer(1 << 20);
  while (read(fd, buffer.data(), buffer.size()) > 0) {
  }
  close(fd);
}

// Puts every "a_" file back under its old name, so the next run finds the folder as it was.
void Restore(const std::string& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("a_", 0) == 0) fs::rename(entry.path(), folder + "/" + name.substr(2));
  }
}

// The floor: what the design asks for and nothing else.
void Floor(const std::string& folder, const std::string& settingsPath, const std::string& log) {
  const auto logLine = [&](const std::string& message) {
    char settings[4096];
    const int in = open(settingsPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0 || read(in, settings, sizeof settings) < 0) Die("read settings");
    close(in);
    const std::string line = "07-12-2026 12:00:00 " + message + "\r\n";
    const int out = open(log.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (out < 0 || write(out, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
      Die("append log");
    close(out);
  };
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) Die("opendir");
  while (const dirent* entry = readdir(dir))
    if (entry->d_type == DT_REG) names.emplace_back(entry->d_name);
  closedir(dir);
  for (const std::string& name : names) {
    const std::string from = folder + "/" + name;
    const std::string to = folder + "/a_" + name;
    logLine("Renaming file: " + folder + "/" + name);
    const int src = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int dst = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    struct stat st {};
    if (src < 0 || dst < 0 || fstat(src, &st) != 0) Die("copy " + from);
    for (off_t done = 0; done < st.st_size;) {
      const ssize_t n = copy_file_range(src, nullptr, dst, nullptr, st.st_size - done, 0);
      if (n <= 0) Die("copy_file_range " + from);
      done += n;
    }
    close(src);
    close(dst);
    logLine(folder + "/" + name + " renamed");
    logLine("Deleting original");
    if (unlink(from.c_str()) != 0) Die("unlink " + from);
    logLine("Original deleted");
  }
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Row {
  std::string what;
  std::string method;
  int files;
  double seconds;
  double floorSeconds;
  long peakKiB;
};

void Print(const Row& row) {
  std::printf("%-18s %-22s %8d %10.3f %12.0f %8.2f %10.1f\n", row.what.c_str(), row.method.c_str(),
              row.files, row.seconds, row.files / row.seconds, row.seconds / row.floorSeconds,
              row.peakKiB / 1024.0);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes = {1000, 10000, 100000};
  int runs = 3;
  long bigMiB = 1024;
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
  // The pass reads its log's place from the settings file beside this program, as it does in use.
  fs::remove(zantovel::IniFilePath());
  zantovel::SaveIniSetting(zantovel::AppTitle(), zantovel::kSettingsSection, "AppLog", log);
  const std::string settings = zantovel::IniFilePath();

  std::printf("%-18s %-22s %8s %10s %12s %8s %10s\n", "case", "method", "files", "seconds",
              "files/s", "/floor", "peak MiB");
  const std::function<void()> pass = [&] {
    std::string prefix = "a_";
    zantovel::RenameRun(folder, prefix, ".tmp");
  };
  const std::function<void()> floor = [&] { Floor(folder, settings, log); };

  for (const int files : sizes) {
    std::vector<double> passTimes, floorTimes;
    long passPeak = 0, floorPeak = 0;
    for (int run = 0; run < runs; ++run) {
      // The two take turns at going first, so neither always meets a colder cache.
      const auto measureAfresh = [&](const std::function<void()>& work) {
        MakeSmallFiles(folder, files);
        fs::remove(log);
        return Measure(work);
      };
      const Sample first = measureAfresh(run % 2 ? floor : pass);
      const Sample second = measureAfresh(run % 2 ? pass : floor);
      const Sample& p = run % 2 ? second : first;
      const Sample& f = run % 2 ? first : second;
      passTimes.push_back(p.seconds);
      floorTimes.push_back(f.seconds);
      passPeak = std::max(passPeak, p.peakKiB);
      floorPeak = std::max(floorPeak, f.peakKiB);
    }
    const std::string what = std::to_string(files) + " x 1 KiB";
    const double floorMedian = Median(floorTimes);
    Print({what, "RenameRun", files, Median(passTimes), floorMedian, passPeak});
    Print({what, "floor", files, floorMedian, floorMedian, floorPeak});
  }

  if (bigMiB > 0) {
    MakeBigFile(folder, bigMiB);
    const std::string big = folder + "/big.tmp";
    const std::string cp =
        "cp --reflink=auto '" + big + "' '" + folder + "/a_big.tmp' && rm '" + big + "'";
    std::vector<double> passTimes, floorTimes, cpTimes;
    long passPeak = 0, floorPeak = 0, cpPeak = 0;
    const std::function<void()> copyTool = [&] {
      if (std::system(cp.c_str()) != 0) Die("cp");
    };
    for (int run = 0; run < runs; ++run) {
      // The three take turns at going first.
      std::vector<const std::function<void()>*> order = {&pass, &floor, &copyTool};
      std::rotate(order.begin(), order.begin() + run % 3, order.end());
      Sample p{}, f{}, c{};
      for (const auto* work : order) {
        fs::remove(log);
        Warm(big);
        const Sample sample = Measure(*work);
        Restore(folder);
        (work == &pass ? p : work == &floor ? f : c) = sample;
      }
      passTimes.push_back(p.seconds);
      floorTimes.push_back(f.seconds);
      cpTimes.push_back(c.seconds);
      passPeak = std::max(passPeak, p.peakKiB);
      floorPeak = std::max(floorPeak, f.peakKiB);
      cpPeak = std::max(cpPeak, c.peakKiB);
    }
    const std::string what = std::to_string(bigMiB) + " MiB file";
    const double floorMedian = Median(floorTimes);
    const double cpMedian = Median(cpTimes);
    Print({what, "RenameRun", 1, Median(passTimes), floorMedian, passPeak});
    Print({what, "floor", 1, floorMedian, floorMedian, floorPeak});
    Print({what, "cp --reflink=auto+rm", 1, cpMedian, floorMedian, cpPeak});
    std::printf("%-18s RenameRun / (cp + rm) = %.2f\n", what.c_str(), Median(passTimes) / cpMedian);
  }
  fs::remove_all(work);
  fs::remove(zantovel::IniFilePath());
  return 0;
}
