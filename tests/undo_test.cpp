// Taking a pass back: every file under its old name again with its content and inode, nothing
// extra left, and nothing made after the pass ever replaced or removed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <thread>

#include "rename/undo.h"
#include "tests/pass_fixture.h"

namespace zantovel::test {
namespace {

namespace fs = std::filesystem;

// name -> content and inode of every entry in the folder.
std::map<std::string, std::pair<std::string, ino_t>> Snapshot(const std::string& folder) {
  std::map<std::string, std::pair<std::string, ino_t>> files;
  for (const std::string& name : FolderNames(folder)) {
    struct stat st {};
    lstat((folder + "/" + name).c_str(), &st);
    files[name] = {ReadFile(folder + "/" + name), st.st_ino};
  }
  return files;
}

class UndoTest : public PassTest {
 protected:
  void SetUp() override {
    PassTest::SetUp();
    context.journals.emplace(journals, "");
  }
};

TEST_F(UndoTest, APassIsTakenBackAndNothingMadeSinceIsTouched) {
  struct Case {
    const char* what;
    std::string files, prefix, type;
    void (*after)(const std::string& folder);  // what happens between the pass and the undo
    std::string left;                          // the names that stay as they are after `after`
    std::string line;                          // one line the undo logs, after the folder
  } cases[] = {
      {"renames", "a.tmp b.tmp c.txt a_z.tmp", "a_", ".tmp", nullptr, "",
       "a_a.tmp renamed back to a.tmp"},
      {"numbered renames", "p.tmp q.tmp", "##", ".tmp", nullptr, "", ""},
      // The first file's numbered name is the second file's new name, which the pass finds
      // taken.
      {"a numbered name met again", "0.tmp 10.tmp 2.tmp", "x#", ".tmp", nullptr, "", ""},
      {"copies", "x y", "c_", "*.*", nullptr, "", "c_x removed"},
      {"a copy changed since is kept", "x y", "c_", "*.*",
       [](const std::string& f) { WriteFile(f + "/c_y", "changed"); }, "c_y", ""},
      {"an old name taken since is never replaced", "a.tmp b.tmp", "a_", ".tmp",
       [](const std::string& f) { WriteFile(f + "/a.tmp", "new"); }, "a.tmp a_a.tmp", ""},
      {"a renamed file replaced since is kept", "a.tmp b.tmp", "a_", ".tmp",
       [](const std::string& f) {
         fs::remove(f + "/a_b.tmp");
         WriteFile(f + "/a_b.tmp", "other");
       },
       "a_b.tmp b.tmp", ""},
      {"a renamed file replaced since, its old name made again, is kept", "a.tmp b.tmp", "a_",
       ".tmp",
       [](const std::string& f) {
         fs::remove(f + "/a_b.tmp");
         WriteFile(f + "/a_b.tmp", "other");
         WriteFile(f + "/b.tmp", "new");
       },
       "b.tmp", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    for (const std::string& name : Words(c.files)) WriteFile(folder + "/" + name, name);
    const auto before = Snapshot(folder);
    ASSERT_EQ(Run(folder + "/", c.prefix, c.type).message, "Done");
    if (c.after != nullptr) c.after(folder);
    const auto changed = Snapshot(folder);

    UndoResult planned = UndoPass(context, {}, true);
    EXPECT_EQ(Snapshot(folder), changed) << "a dry run changes nothing";
    const UndoResult undone = UndoPass(context, {}, false);
    EXPECT_EQ(undone.message, "Done");
    EXPECT_EQ(undone.steps.size(), planned.steps.size());

    auto expected = before;
    const auto now = Snapshot(folder);
    for (const std::string& name : Words(c.left)) {
      expected.erase(name);
      if (now.count(name)) expected[name] = changed.at(name);
      // What was renamed from a name that is kept is kept under its new name.
      for (const auto& [newName, entry] : changed)
        if (newName == c.prefix + name && !before.count(newName)) expected[newName] = entry;
    }
    EXPECT_EQ(now, expected);
    const std::size_t left =
        undone.Count(UndoOutcome::Changed) + undone.Count(UndoOutcome::OldNameTaken);
    EXPECT_EQ(left, c.left.empty() ? 0u : 1u);
    // Once is enough: a pass taken back is not taken back again.
    const UndoResult again = UndoPass(context, {}, false);
    EXPECT_TRUE(again.nothingLeft) << again.message;
    EXPECT_EQ(Snapshot(folder), now);
    // One line for each step taken back, then the counts.
    const std::vector<std::string> lines = StepMessages(log);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.rfind("Undo: ", 0) == 0; }),
              undone.Count(UndoOutcome::RenamedBack) + undone.Count(UndoOutcome::CopyRemoved));
    if (!c.line.empty()) {
      const std::string copy = c.type == "*.*" ? "copy " : "";
      EXPECT_NE(std::find(lines.begin(), lines.end(), "Undo: " + copy + folder + "/" + c.line),
                lines.end());
    }
    EXPECT_EQ(LogMessages(log).back().rfind("Undo done: ", 0), 0u);
  }
}

// Every entry under dir, the folder of the pass among them, with its content.
std::map<std::string, std::string> Everything(const std::string& dir) {
  std::map<std::string, std::string> all;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    if (!entry.is_directory() && !entry.path().string().ends_with(".journal") &&
        !entry.path().string().ends_with(".taken-back") && !entry.path().string().ends_with(".log"))
      all[entry.path().string()] = entry.is_regular_file() ? ReadFile(entry.path()) : "";
  return all;
}

// A journal is believed only when it is one a pass wrote, for files of its own folder, in a
// file of the user's own that no one else may change. Each case changes the journal of a real
// pass; undo takes back what a whole journal says, and for anything else refuses, changing
// nothing anywhere. A record cut short at its end, at any byte, is ignored.
TEST_F(UndoTest, AJournalIsCheckedBeforeItIsBelieved) {
  std::string journal;
  // What each case does to the journal: edits of its text, or of the file itself.
  const auto edit = [&](std::string from, std::string to) {
    return [&journal, from, to] {
      std::string text = ReadFile(journal);
      const auto at = text.find(from);
      ASSERT_NE(at, std::string::npos) << from;
      WriteFile(journal, text.replace(at, from.size(), to), 0600);
    };
  };
  const bool root = geteuid() == 0;
  struct Case {
    const char* what;
    std::function<void()> change;
    const char* refusal;  // what the refusal says, or nothing when undo takes the pass back
  } cases[] = {
      {"a whole journal", [] {}, nullptr},
      {"a name out of the folder", edit("\ta_b.tmp\n", "\t../victim.txt\n"), "damaged at line 11"},
      {"an absolute name", edit("\tb.tmp\t", "\t" + dir / "victim.txt" + "\t"),
       "damaged at line 11"},
      {"a name with a folder", edit("\ta_b.tmp\n", "\tsub/a_b.tmp\n"), "damaged at line 11"},
      {"the folder itself", edit("\ta_b.tmp\n", "\t.\n"), "damaged at line 11"},
      {"its parent", edit("\ta_b.tmp\n", "\t..\n"), "damaged at line 11"},
      {"an empty name", edit("\ta_b.tmp\n", "\t\n"), "damaged at line 11"},
      {"a NUL escaped", edit("\ta_b.tmp\n", "\ta_\\x00b.tmp\n"), "damaged at line 11"},
      {"an escape no pass writes", edit("\ta_b.tmp\n", "\ta_\\xZZb.tmp\n"), "damaged at line 11"},
      {"a number that is none", edit("rename\t", "rename\t-1"), "damaged at line 10"},
      {"a kind of record no pass writes", edit("rename\t", "remove\t"), "damaged at line 10"},
      {"a record cut in the middle", edit("\ta.tmp\t", "\t"), "damaged at line 10"},
      {"a relative folder", edit("path\t/", "path\t"), "damaged at line 10"},
      {"another program's file", [&] { WriteFile(journal, "[Settings]\n"); },
       "not one this program wrote"},
      {"a line of 300 MiB",
       [&] {
         WriteFile(journal, ReadFile(journal) + "rename\t");
         fs::resize_file(journal, 300u << 20);
       },
       "damaged at line 14"},
      // A pipe is no file the history lists.
      {"a pipe",
       [&] {
         fs::remove(journal);
         mkfifo(journal.c_str(), 0600);
       },
       "There is no pass left to take back"},
      {"a link",
       [&] {
         fs::rename(journal, journal + ".real");
         fs::create_symlink(journal + ".real", journal);
       },
       "not a regular file"},
      {"writable by others", [&] { fs::permissions(journal, fs::perms(0666)); },
       "other users may write it"},
      {"another user's",
       [&] {
         if (root) {
           ASSERT_EQ(chown(journal.c_str(), 65534, 65534), 0);
         }
       },
       root ? "belongs to nobody (65534), not to root" : nullptr},
  };
  WriteFile(dir / "victim.txt", "precious");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    for (const char* name : {"a.tmp", "b.tmp", "c.tmp"}) WriteFile(folder + "/" + name, name);
    const auto before = Everything(dir.path());
    ASSERT_EQ(Run(folder, "a_", ".tmp").message, "Done");
    journal = NewestJournal();
    c.change();
    const auto changed = Everything(dir.path());
    const UndoResult undone = UndoPass(context, {}, false);
    if (c.refusal == nullptr) {
      EXPECT_EQ(undone.message, "Done");
      EXPECT_EQ(Everything(dir.path()), before);
    } else {
      EXPECT_NE(undone.message.find(c.refusal), std::string::npos) << undone.message;
      EXPECT_EQ(undone.end, PassEnd::Failed);
      EXPECT_EQ(Everything(dir.path()), changed);
    }
  }
  // The journal of a killed pass, cut at any byte of its last record: the rest is taken back,
  // and the last step, which its record no longer tells of, stays done.
  StartAfresh();
  for (const char* name : {"a.tmp", "b.tmp", "c.tmp"}) WriteFile(folder + "/" + name, name);
  ASSERT_EQ(Run(folder, "a_", ".tmp").message, "Done");
  journal = NewestJournal();
  std::string whole = ReadFile(journal);
  whole.erase(whole.rfind("ended\t"));  // a killed pass never ends its journal
  const std::size_t last = whole.rfind('\n', whole.size() - 2) + 1;
  for (std::size_t cut = last; cut < whole.size(); ++cut) {
    SCOPED_TRACE("cut at byte " + std::to_string(cut));
    fs::remove_all(journals);
    fs::create_directory(journals);
    WriteFile(journal, whole.substr(0, cut), 0600);
    EXPECT_EQ(UndoPass(context, {}, false).message, "Done");
    EXPECT_EQ(FolderNames(folder), (std::vector<std::string>{"a.tmp", "a_c.tmp", "b.tmp"}));
    ASSERT_EQ(Run(folder, "a_", ".tmp").message, "Done");  // a.tmp and b.tmp again
  }
}

// Passes that touch the same files are taken back one by one, newest first, each to the folder
// as it stood before it; then there is nothing left. One taken back out of turn, by its id,
// leaves what a later pass renamed again, and says so.
TEST_F(UndoTest, TheHistoryIsWalkedBackPassByPass) {
  for (const char* name : {"x.tmp", "y.tmp"}) WriteFile(folder + "/" + name, name);
  struct Pass {
    const char* prefix;
    const char* type;
  } passes[] = {{"a_", ".tmp"}, {"b_", ".tmp"}, {"c_", "*.*"}};
  std::vector<std::map<std::string, std::pair<std::string, ino_t>>> before;
  for (const Pass& pass : passes) {
    before.push_back(Snapshot(folder));
    ASSERT_EQ(Run(folder, pass.prefix, pass.type).message, "Done");
  }
  ASSERT_EQ(context.journals->Passes().size(), 3u);
  for (int back = 2; back >= 0; --back) {
    const UndoResult undone = UndoPass(context, {}, false);
    EXPECT_EQ(undone.message, "Done");
    EXPECT_EQ(undone.prefix, passes[back].prefix);
    EXPECT_EQ(Snapshot(folder), before[static_cast<std::size_t>(back)]) << passes[back].prefix;
  }
  EXPECT_TRUE(UndoPass(context, {}, false).nothingLeft);
  for (const JournalHistory::Pass& pass : context.journals->Passes())
    EXPECT_EQ(context.journals->TakenBackOf(pass), TakenBack::Wholly) << pass.id;

  // Out of turn: the first pass's files were renamed again by the second.
  StartAfresh();
  WriteFile(folder + "/x.tmp", "x");
  ASSERT_EQ(Run(folder, "a_", ".tmp").message, "Done");
  ASSERT_EQ(Run(folder, "b_", ".tmp").message, "Done");
  const std::string first = context.journals->Passes().back().id;
  const UndoResult early = UndoPass(context, first, false);
  EXPECT_EQ(early.Count(UndoOutcome::Gone), 1u);
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"b_a_x.tmp"});
  EXPECT_NE(UndoPass(context, first, false).message.find("taken back already"), std::string::npos);
  EXPECT_EQ(UndoPass(context, {}, false).Count(UndoOutcome::RenamedBack), 1u);
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"a_x.tmp"});
}

// A pass killed while it gave a name over a placeholder (FUSE) leaves that empty file at the
// first step after the last one done. Undo removes it there, and keeps an empty file that
// another program made under a later step's new name.
TEST_F(UndoTest, OnlyThePlaceholderAtTheFrontierGoes) {
  for (const char* name : {"a.tmp", "b.tmp", "c.tmp"}) WriteFile(folder + "/" + name, name);
  ASSERT_EQ(Run(folder, "k_", ".tmp").message, "Done");
  const std::string journal = NewestJournal();
  std::string text = ReadFile(journal);
  text.replace(text.find("placeholders\t0"), 14, "placeholders\t1");
  text.erase(text.rfind("ended\t"));
  WriteFile(journal, text, 0600);
  // As the kill left the folder: a.tmp renamed, b.tmp's placeholder made, c.tmp not reached,
  // and another program's empty file under c.tmp's new name.
  fs::rename(folder + "/k_b.tmp", folder + "/b.tmp");
  fs::rename(folder + "/k_c.tmp", folder + "/c.tmp");
  WriteFile(folder + "/k_b.tmp", "");
  WriteFile(folder + "/k_c.tmp", "");
  EXPECT_EQ(UndoPass(context, {}, false).message, "Done");
  EXPECT_EQ(FolderNames(folder), (std::vector<std::string>{"a.tmp", "b.tmp", "c.tmp", "k_c.tmp"}));
}

// Stops after a random number of files, then takes back what was done.
class StopAfter : public ProgressListener {
 public:
  StopAfter(std::size_t files, std::atomic<bool>& stop) : files_(files), stop_(stop) {}
  void FileReached(std::size_t done, std::size_t, const std::string&) override {
    if (done >= files_) stop_ = true;
  }
  void BytesCopied(std::uint64_t, std::uint64_t) override {}

 private:
  std::size_t files_;
  std::atomic<bool>& stop_;
};

// A stop lands within two files of the request: a rename pass has renamed no more than two
// files beyond it, and a copy pass, whose copies are named a batch at a time, has named none
// beyond it (the copies not yet named go with the stop).
TEST_F(UndoTest, AStoppedPassIsTakenBackAsFarAsItWent) {
  std::mt19937 random(17);
  for (const char* type : {".tmp", "*.*", ".tmp", "*.*"}) {
    SCOPED_TRACE(type);
    StartAfresh();
    for (int i = 0; i < 300; ++i) WriteFile(folder + "/f" + std::to_string(1000 + i) + ".tmp", "x");
    const auto before = Snapshot(folder);
    std::atomic<bool> stop{false};
    const std::size_t stopAt = std::uniform_int_distribution<std::size_t>(1, 299)(random);
    StopAfter watcher(stopAt, stop);
    context.progress = &watcher;
    context.stop = &stop;
    const PassResult result = Run(folder, "s_", type);
    context.progress = nullptr;
    stop = false;
    EXPECT_EQ(result.end, PassEnd::Stopped);
    EXPECT_EQ(LogMessages(log).back().rfind("Pass stopped: ", 0), 0u);
    const std::size_t done =
        result.counts[FileOutcome::Renamed] + result.counts[FileOutcome::Copied];
    EXPECT_LE(done, stopAt + 2) << "asked to stop at file " << stopAt;
    if (std::string(type) == ".tmp") {
      EXPECT_GE(done + 2, stopAt) << "stopped at " << stopAt;
    }
    EXPECT_EQ(UndoPass(context, {}, false).message, "Done");
    context.stop = nullptr;
    EXPECT_EQ(Snapshot(folder), before);
  }
}

// Another program makes a copy's new name while the pass runs, as cp -p would: the same
// content, size and time. The pass finds the name taken and leaves it, and undo, which
// removes only the copies it can prove the pass made, keeps that file.
class MakeNameAt : public ProgressListener {
 public:
  MakeNameAt(std::size_t file, std::string folder, std::string name)
      : file_(file), folder_(std::move(folder)), name_(std::move(name)) {}
  void FileReached(std::size_t done, std::size_t, const std::string&) override {
    if (done == file_)
      Shell("cp -p '" + folder_ + "/" + name_ + "' '" + folder_ + "/c_" + name_ + "'");
  }
  void BytesCopied(std::uint64_t, std::uint64_t) override {}

 private:
  std::size_t file_;
  std::string folder_, name_;
};

TEST_F(UndoTest, ACopysNameMadeByAnotherProgramIsKept) {
  struct Case {
    const char* what;
    std::size_t at;  // the file whose turn it is when the other program makes the name
    const char* name;
  } cases[] = {
      {"before its copy starts", 1, "d"},
      {"while its copy waits to be named with its batch", 4, "b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    for (const char* name : {"a", "b", "c", "d", "e"}) WriteFile(folder + "/" + name, name);
    MakeNameAt racer(c.at, folder, c.name);
    context.progress = &racer;
    const PassResult result = Run(folder, "c_", "*.*");
    context.progress = nullptr;
    EXPECT_EQ(result.counts[FileOutcome::NameTaken], 1u);
    EXPECT_EQ(result.counts[FileOutcome::Copied], 4u);
    EXPECT_EQ(UndoPass(context, {}, false).Count(UndoOutcome::CopyRemoved), 4u);
    EXPECT_EQ(FolderNames(folder),
              (std::vector<std::string>{"a", "b", "c", "c_" + std::string(c.name), "d", "e"}));
  }
}

// A stop inside a large copy discards the unnamed copy: nothing of it is left.
class StopInCopy : public ProgressListener {
 public:
  explicit StopInCopy(std::atomic<bool>& stop) : stop_(stop) {}
  void FileReached(std::size_t, std::size_t, const std::string&) override {}
  void BytesCopied(std::uint64_t done, std::uint64_t) override {
    if (done > 0) stop_ = true;
  }

 private:
  std::atomic<bool>& stop_;
};

TEST_F(UndoTest, AStopInsideALargeCopyLeavesNothingOfIt) {
  const std::string big = folder + "/big";
  {
    std::ofstream out(big, std::ios::binary);
    const std::string block(1 << 20, 'b');
    for (int i = 0; i < 40; ++i) out << block;
  }
  std::atomic<bool> stop{false};
  StopInCopy watcher(stop);
  context.progress = &watcher;
  context.stop = &stop;
  const PassResult result = Run(folder, "c_", "*.*");
  context.progress = nullptr;
  context.stop = nullptr;
  EXPECT_EQ(result.end, PassEnd::Stopped);
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"big"});
  EXPECT_EQ(fs::file_size(big), 40u << 20);
}

// Copies the disk image as a power cut would leave it when the pass reaches a random file:
// what the pass had handed to the disk is there, what it had not is lost. The image lies on
// XFS, whose clone of a file (cp --reflink) waits for a write under way and holds back the
// next, so the copy is the disk at one moment, while the kernel goes on committing. A plain
// copy could hold some blocks from before a commit and others from after it, which no power
// cut leaves, and undo failed once on such a copy.
class CutPowerAt : public ProgressListener {
 public:
  CutPowerAt(std::size_t file, std::string image) : file_(file), image_(std::move(image)) {}
  void FileReached(std::size_t done, std::size_t, const std::string&) override {
    if (done == file_)
      cut = Shell("cp --reflink=always '" + image_ + "' '" + image_ + ".cut'") == 0;
  }
  void BytesCopied(std::uint64_t, std::uint64_t) override {}
  bool cut = false;

 private:
  std::size_t file_;
  std::string image_;
};

// A power cut at a random file of a pass over a loop-mounted ext4 image, its journal on the
// same disk: after the disk's own journal is replayed, undo puts every file back under its
// old name with its content and inode, and leaves nothing extra.
TEST_F(UndoTest, APassCutByPowerIsTakenBackAsFarAsItWent) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to loop-mount an ext4 image";
  for (const char* tool : {"mkfs.ext4", "mkfs.xfs", "e2fsck", "losetup"})
    if (Shell(std::string("command -v ") + tool + " >/dev/null") != 0)
      GTEST_SKIP() << "needs " << tool;
  const std::string holder = dir / "xfs", image = holder + "/ext4.img", mount = dir / "mnt",
                    files = mount + "/files";
  fs::create_directory(holder);
  fs::create_directory(mount);
  ASSERT_EQ(
      Shell("truncate -s 512M '" + dir / "xfs.img" + "' && mkfs.xfs -q '" + dir / "xfs.img" + "'"),
      0);
  if (Shell("mount -o loop '" + dir / "xfs.img" + "' '" + holder + "' 2>/dev/null") != 0)
    GTEST_SKIP() << "cannot loop-mount here";
  ASSERT_EQ(Shell("truncate -s 64M '" + image + "' && mkfs.ext4 -q '" + image + "'"), 0);
  if (Shell("mount -o loop '" + image + "' '" + mount + "' 2>/dev/null") != 0) {
    Shell("umount '" + holder + "'");
    GTEST_SKIP() << "cannot loop-mount here";
  }
  std::mt19937 random(29);
  for (const char* type : {".tmp", "*.*"}) {
    SCOPED_TRACE(type);
    fs::remove_all(files);
    fs::create_directory(files);
    for (int i = 0; i < 2500; ++i)
      WriteFile(files + "/h" + std::to_string(10000 + i) + ".tmp", std::to_string(i));
    sync();
    const auto before = Snapshot(files);
    // A journal of its own for each case: undo must find this pass's journal, never the
    // last case's, which names the same new names.
    context.journals.emplace(mount + "/journals" + (type[0] == '.' ? "-typed" : "-all"), "");
    fs::create_directory(context.journals->Folder());
    CutPowerAt watcher(std::uniform_int_distribution<std::size_t>(1, 2499)(random), image);
    context.progress = &watcher;
    Run(files, "p_", type);
    context.progress = nullptr;
    ASSERT_TRUE(watcher.cut);
    // The cut disk takes the place of the one the pass went on.
    ASSERT_EQ(Shell("umount '" + mount + "'"), 0);
    ASSERT_LE(Shell("e2fsck -fy '" + image + ".cut' >/dev/null 2>&1"), 1);
    ASSERT_EQ(Shell("mv '" + image + ".cut' '" + image + "' && mount -o loop '" + image + "' '" +
                    mount + "'"),
              0);
    const UndoResult undone = UndoPass(context, {}, false);
    EXPECT_EQ(undone.message, "Done");
    const auto after = Snapshot(files);
    if (after != before)
      ADD_FAILURE() << "undo: " << undone.Count(UndoOutcome::RenamedBack) << " renamed back, "
                    << undone.Count(UndoOutcome::CopyRemoved) << " copies removed, "
                    << undone.Count(UndoOutcome::Changed) << " changed since, "
                    << undone.Count(UndoOutcome::OldNameTaken) << " old names taken, of "
                    << undone.steps.size() << " steps";
    EXPECT_EQ(after, before);
    // What differs, named, where the whole maps are too long to show.
    for (const auto& [name, file] : after)
      if (before.count(name) == 0 || before.at(name) != file)
        ADD_FAILURE() << "after undo: " << name << " holding \"" << file.first << "\"";
    for (const auto& [name, file] : before)
      if (after.count(name) == 0) ADD_FAILURE() << "lost by the pass and undo: " << name;
  }
  Shell("umount '" + mount + "'; umount '" + holder + "'");
}

// A pass killed at a random moment, in a process of its own, is taken back as far as it went.
TEST(UndoKillTest, AKilledPassIsTakenBackAsFarAsItWent) {
  InstalledProbe probe("zantovel");
  TempDir dir;
  WriteFile(probe.bin / "zantovel.ini", "[Settings]\r\nAppLog=" + dir / "run.log" + "\r\n");
  std::mt19937 random(23);
  for (int round = 0; round < 4; ++round) {
    const std::string folder = dir / ("f" + std::to_string(round));
    fs::create_directory(folder);
    for (int i = 0; i < 2000; ++i)
      WriteFile(folder + "/g" + std::to_string(10000 + i) + ".tmp", "y");
    const auto before = Snapshot(folder);
    const pid_t pid =
        Spawn({probe.exe, "run", folder, "k_", round % 2 ? "*.*" : ".tmp"}, dir / "out");
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::uniform_int_distribution<int>(0, 60000)(random)));
    kill(pid, SIGKILL);
    Wait(pid);
    ASSERT_EQ(Wait(Spawn({probe.exe, "undo"}, dir / "out")), 0);
    // A kill before the first pass had begun its journal leaves nothing to take back.
    const std::string out = ReadFile(dir / "out");
    if (out != "done|Done\n") {
      EXPECT_EQ(out, "failed|There is no pass left to take back\n");
    }
    EXPECT_EQ(Snapshot(folder), before) << "round " << round;
  }
}

}  // namespace
}  // namespace zantovel::test
