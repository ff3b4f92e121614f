// The program's command line, run as a process: what it prints, its exit status, and what is
// on disk afterwards. The program is copied into a folder of its own, beside a settings file
// that names the log.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/test_support.h"

namespace zantovel::test {
namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct Ran {
  int status;
  std::string out, err;
};

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(ZANTOVEL_PROGRAM, program);
    WriteFile(bin / "zantovel.ini", "[Settings]\r\nAppLog=" + log + "\r\n");
    fs::create_directory(folder);
  }

  // Runs the program with the arguments (each quoted for the shell), with no display at all:
  // a program that looked for one would fail.
  Ran Run(const std::vector<std::string>& args) const {
    std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb " + program;
    for (const std::string& arg : args) command += " " + Quote(arg);
    command += " >" + Quote(bin / "out") + " 2>" + Quote(bin / "err");
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(bin / "out"),
            ReadFile(bin / "err")};
  }

  TempDir bin;
  TempDir dir;
  const std::string program = bin / "zantovel";
  const std::string folder = dir / "files";
  const std::string log = dir / "run.log";
};

TEST_F(CommandLineTest, ExitStatusAndWhatIsPrinted) {
  WriteFile(folder + "/x.tmp", "X");
  const std::string usage =
      "usage: zantovel [--folder] DIR --prefix PREFIX --type TYPE [--dry-run] [-q | -v]\n"
      "       zantovel --undo [ID] [--dry-run] [-q | -v]\n"
      "       zantovel --history\n"
      "       zantovel [DIR]   (the window)\n"
      "       zantovel [-h | --help | -V | --version]\n";
  const std::string summary = "1 renamed.\nLog: " + log + "\n";
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;  // exactly, or the start of it when it ends with "..."
    std::string err;
  } cases[] = {
      {{"--version"}, 0, std::string("Zantovel ") + ZANTOVEL_TEST_VERSION + "\n", ""},
      {{"-V"}, 0, std::string("Zantovel ") + ZANTOVEL_TEST_VERSION + "\n", ""},
      {{"--help"}, 0, usage + "\n...", ""},
      {{"-h"}, 0, usage + "\n...", ""},
      // An unquoted *.* that the shell made into the working folder's file names.
      {{"--prefix", "a_", "--type", "2024-trip_IMG_0001.jpg", folder, "2024-trip_IMG_0002.jpg"},
       2,
       "",
       "zantovel: unexpected argument 2024-trip_IMG_0002.jpg (did the shell expand *.* into "
       "file names? quote it: '*.*')\n" +
           usage},
      {{"-style", "fusion", "--prefix", "a_"}, 2, "", "zantovel: unknown option -style\n" + usage},
      {{"--bogus"}, 2, "", "zantovel: unknown option --bogus\n" + usage},
      {{"--folder"}, 2, "", "zantovel: --folder needs a value\n" + usage},
      {{"--folder", folder, "--prefix", "a_"}, 2, "", "zantovel: missing --type\n" + usage},
      {{"--dry-run=yes"}, 2, "", "zantovel: --dry-run takes no value\n" + usage},
      {{"--folder", dir / "missing", "--prefix", "a_", "--type", ".tmp"},
       1,
       "",
       "zantovel: Cannot open folder \"" + (dir / "missing") + "\": No such file or directory\n"},
      {{"--folder", folder, "--prefix", "../", "--type", ".tmp"},
       1,
       "",
       "zantovel: The prefix may not contain \"/\" or a NUL character: it must name a file in the "
       "chosen "
       "folder.\n"},
      {{"-q", "-v"}, 2, "", "zantovel: -q and -v do not go together\n" + usage},
      {{"--undo", "--folder", folder},
       2,
       "",
       "zantovel: --undo takes back a pass: it takes no --folder, --prefix or --type\n" + usage},
      {{"--undo"}, 3, "", "zantovel: There is no pass left to take back\n"},
      {{"-n", "--folder", folder, "--prefix", "a_", "--type", ".TMP"},
       0,
       "No file would be renamed. No file name ends with \".TMP\". Names are compared in lower "
       "case, so a type holding capitals matches nothing.\n",
       ""},
      {{"-n", "--folder", folder, "--prefix", "a_", "--type", ".tmp"}, 0, "x.tmp -> a_x.tmp\n", ""},
      {{"-n", "--prefix", "a_", "--type", ".tmp", folder}, 0, "x.tmp -> a_x.tmp\n", ""},
      {{"-n", "--prefix", "a_", "--type", ".tmp", "--", folder}, 0, "x.tmp -> a_x.tmp\n", ""},
      {{"--folder=" + folder, "--prefix=a_", "--type=.tmp"}, 0, "Done\n\n" + summary, ""},
      {{"-n", "--undo"}, 0, "a_x.tmp -> x.tmp\nDone\n...", ""},
      {{"-q", "--undo"}, 0, "", ""},
      {{"-vn", "--folder", folder, "--prefix", "a_", "--type", ".tmp"},
       0,
       "x.tmp -> a_x.tmp\n",
       ""},
      {{"-v", "--folder", folder, "--prefix", "a_", "--type", ".tmp"},
       0,
       "x.tmp -> a_x.tmp\nDone\n\n" + summary,
       ""},
      {{"-q", "--folder", folder, "--prefix", "a_", "--type", ".TMP"}, 0, "", ""},
      {{"--folder", folder, "--prefix", "a_", "--type", ".TMP"},
       0,
       "Done\n\n0 renamed.\nNo file name ends with \".TMP\". Names are compared in lower case, "
       "so a type holding capitals matches nothing.\nLog: " +
           log + "\n",
       ""},
      {{"--folder", folder, "--prefix", "a_", "--type", ".tmp"},
       0,
       "Done\n\n0 renamed.\n1 passed over: already begins with a_ (a_x.tmp).\nLog: " + log + "\n",
       ""},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const std::string& arg : c.args) shown += arg + " ";
    SCOPED_TRACE(shown);
    const Ran ran = Run(c.args);
    EXPECT_EQ(ran.status, c.status);
    if (c.out.size() >= 3 && c.out.compare(c.out.size() - 3, 3, "...") == 0)
      EXPECT_EQ(ran.out.substr(0, c.out.size() - 3), c.out.substr(0, c.out.size() - 3));
    else
      EXPECT_EQ(ran.out, c.out);
    EXPECT_EQ(ran.err, c.err);
  }
  // The toolkit's own options, alone, open the window: here the program stands without its
  // window module, so it says it cannot load the window.
  // So does a folder alone, with them or not; with the pass's options, or a folder that is not
  // there, it is the terminal's.
  const struct {
    std::vector<std::string> args;
    bool window;
  } starts[] = {
      {{"-style", "fusion"}, true},
      {{"--platform=offscreen", "-reverse"}, true},
      {{folder}, true},
      {{"-style", "fusion", folder}, true},
      {{"--", folder}, true},
      {{folder, "--prefix", "a_"}, false},
      {{folder + "/missing"}, false},
      {{folder, folder}, false},
  };
  for (const auto& c : starts) {
    const Ran ran = Run(c.args);
    const bool window = ran.err.rfind("zantovel: cannot load the window:", 0) == 0;
    EXPECT_EQ(window, c.window) << c.args.back() << ": " << ran.err;
    EXPECT_NE(ran.status, 0) << c.args.back();
  }
  // A rename, its undo, the rename again, and the file passed over; the settings untouched.
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"a_x.tmp"});
  EXPECT_EQ(StepMessages(log).size(), 11u);
  EXPECT_EQ(ReadFile(bin / "zantovel.ini"), "[Settings]\r\nAppLog=" + log + "\r\n");
}

// Ctrl+C and SIGTERM stop a pass between two files, with their own exit status; the log says
// the pass stopped, and the undo takes back what it did. The progress line is drawn only on
// a terminal.
TEST_F(CommandLineTest, APassStopsOnASignalAndShowsProgressOnlyOnATerminal) {
  for (int i = 0; i < 8000; ++i) WriteFile(folder + "/f" + std::to_string(i) + ".tmp", "x");
  for (const auto& [signal, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
    SCOPED_TRACE(signal);
    const std::size_t before = CountLines(log);
    const pid_t pid =
        Spawn({program, "--folder", folder, "--prefix", "s_", "--type", ".tmp"}, bin / "out");
    // Until the pass is under way.
    for (int wait = 0; wait < 5000 && CountLines(log) < before + 40; ++wait) usleep(1000);
    kill(pid, signal);
    const int waited = Wait(pid);
    ASSERT_TRUE(WIFEXITED(waited));
    EXPECT_EQ(WEXITSTATUS(waited), status);
    EXPECT_EQ(LogMessages(log).back().rfind("Pass stopped: ", 0), 0u);
    EXPECT_EQ(Run({"-q", "--undo"}).status, 0);
    EXPECT_EQ(FolderNames(folder).size(), 8000u);
    EXPECT_FALSE(fs::exists(folder + "/s_f0.tmp"));
  }
  // On a terminal (script gives the program one) progress is drawn and erased; elsewhere not.
  if (Shell("command -v script >/dev/null") != 0) GTEST_SKIP() << "needs script for a terminal";
  const std::string args = " --folder " + Quote(folder) + " --prefix t_ --type .tmp";
  ASSERT_EQ(Shell("script -qec " + Quote(program + args + " >/dev/null") + " /dev/null >" +
                  Quote(bin / "tty")),
            0);
  const std::string tty = ReadFile(bin / "tty");
  EXPECT_NE(tty.find(" of 8000 files: "), std::string::npos);
  EXPECT_NE(tty.find("\r\x1B[K"), std::string::npos);
  EXPECT_EQ(Run({"-q", "--undo"}).err, "");
  EXPECT_EQ(Run({"--folder", folder, "--prefix", "t_", "--type", ".tmp"}).err, "");
}

TEST_F(CommandLineTest, NamesAreBytesAndPrintedEscaped) {
  WriteFile(folder + "/a\nDone\x1B[2J.tmp", "X");
  const Ran ran = Run({"--dry-run", "--folder", folder, "--prefix", "p\\", "--type", ".tmp"});
  EXPECT_EQ(ran.status, 0);
  EXPECT_EQ(ran.out, "a\\nDone\\x1B[2J.tmp -> p\\\\a\\nDone\\x1B[2J.tmp\n");
}

struct Snapshot {
  std::map<std::string, std::string> contents;
  std::map<std::string, long long> times;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const std::string& folder) {
  Snapshot snapshot;
  for (const std::string& name : FolderNames(folder)) {
    struct stat st {};
    lstat((folder + "/" + name).c_str(), &st);
    snapshot.contents[name] = S_ISREG(st.st_mode) ? ReadFile(folder + "/" + name) : "";
    snapshot.times[name] = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
  }
  return snapshot;
}

// For random folders, the dry run's lines are what the real pass then does, file by file.
TEST_F(CommandLineTest, ADryRunTouchesNothingAndForetellsThePass) {
  std::mt19937 random(11);
  const auto pick = [&](const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
  };
  const std::vector<std::string> stems = {"a",
                                          "b",
                                          "x",
                                          "IMG",
                                          "a_a",
                                          "00",
                                          "001b",
                                          "A_b",
                                          "long-name-of-a-file",
                                          "\xC3\x89t\xC3\xA9",
                                          "0_1a"};
  const std::vector<std::string> endings = {".tmp", ".TMP", ".txt", "", ".tmp.bak", "tmp"};
  const std::vector<std::string> prefixes = {"a_", "#_", "##", "A_", "0", "", "x#y#"};
  const std::vector<std::string> types = {".tmp", "tmp", "*.*", "", ".TMP", ".txt"};
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    fs::remove_all(folder);
    fs::create_directory(folder);
    fs::remove(log);
    const int files = std::uniform_int_distribution<int>(1, 8)(random);
    for (int i = 0; i < files; ++i) {
      const std::string name = pick(stems) + pick(endings);
      if (!name.empty()) WriteFile(folder + "/" + name, "content of " + name);
    }
    if (round % 4 == 0) fs::create_directory(folder + "/a_x.tmp");  // a taken name that is a folder
    const std::string prefix = pick(prefixes), type = pick(types);
    const std::vector<std::string> args = {"--folder", folder, "--prefix", prefix, "--type", type};
    SCOPED_TRACE("prefix [" + prefix + "] type [" + type + "]");

    const Snapshot before = Take(folder);
    std::vector<std::string> dryArgs = args;
    dryArgs.insert(dryArgs.begin(), "-n");
    const Ran dry = Run(dryArgs);
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(Take(folder), before);
    EXPECT_FALSE(fs::exists(log));

    const Ran real = Run(args);
    ASSERT_EQ(real.status, 0) << real.err;
    const Snapshot after = Take(folder);
    const std::vector<std::string> logged = StepMessages(log);

    // Each dry-run line against the folder and the log.
    std::set<std::string> made, removed;
    std::size_t renamedLines = 0, reachedLines = 0;
    std::istringstream lines(dry.out);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("No file would be renamed.", 0) == 0) continue;
      const auto arrow = line.find(" -> ");
      const std::string old = line.substr(0, arrow != std::string::npos ? arrow : line.find(": "));
      EXPECT_TRUE(reachedLines < logged.size() &&
                  logged[reachedLines] == "Renaming file: " + folder + old)
          << line;
      if (arrow != std::string::npos) {
        const std::string renamed = line.substr(arrow + 4);
        EXPECT_EQ(after.contents.count(renamed), 1u) << line;
        if (after.contents.count(renamed)) {
          EXPECT_EQ(after.contents.at(renamed), before.contents.at(old)) << line;
        }
        made.insert(renamed);
        if (type != "*.*") removed.insert(old);
        ++renamedLines;
        reachedLines += type == "*.*" ? 2 : 4;
      } else {
        EXPECT_EQ(after.contents.at(old), before.contents.at(old)) << line;
        reachedLines += 2;
      }
    }
    EXPECT_EQ(reachedLines, logged.size());
    // Nothing else changed.
    for (const auto& [name, content] : before.contents)
      if (!removed.count(name)) {
        EXPECT_EQ(after.contents.count(name), 1u) << name;
      }
    for (const auto& [name, content] : after.contents)
      EXPECT_TRUE(before.contents.count(name) || made.count(name)) << name;
    for (const std::string& name : removed)
      EXPECT_FALSE(after.contents.count(name) && !made.count(name)) << name;
  }
}

// What the program reads, loads and writes through is trusted only as far as its owner: a copy
// in a folder others share refuses the files they could have planted or changed, says which
// and whose, exits 1 and writes nothing. And the window that cannot open says why in one
// sentence, never with the toolkit's abort or a signal.
TEST(TrustTest, FilesAnotherUserMayChangeAreNotTrusted) {
  if (geteuid() != 0 || Shell("command -v setpriv >/dev/null") != 0)
    GTEST_SKIP() << "needs root to act as another user with setpriv";
  const std::string nobody = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  struct Case {
    const char* what;
    std::string prepare;  // shell, in the shared folder $S, with $F the files and $R root's
    std::string run;      // the program's arguments, or the whole command with $Z
    int status;
    std::string err;  // a part of what it says
  } cases[] = {
      {"root's own settings in a sticky folder", "", "$Z --folder $F --prefix a_ --type .tmp", 0,
       ""},
      {"settings another user planted",
       "printf '[Settings]\\nAppLog=%s/made-by-root\\n' $R >$S/zantovel.ini; chown 65534 "
       "$S/zantovel.ini",
       "$Z --folder $F --prefix a_ --type .tmp", 1,
       "Not using the settings file \"$S/zantovel.ini\": it belongs to nobody (65534), not to "
       "root"},
      {"settings that others may write", "chmod 666 $S/zantovel.ini",
       "$Z --folder $F --prefix a_ --type .tmp", 1, "other users may write it (mode 0666)"},
      // A group may write the file only where it is the user's own, with no one else in it.
      {"settings a shared group may write", "chgrp 100 $S/zantovel.ini; chmod 664 $S/zantovel.ini",
       "$Z --folder $F --prefix a_ --type .tmp", 1, "other users may write it (mode 0664)"},
      {"settings the user's own group may write", "chmod 664 $S/zantovel.ini",
       "$Z --folder $F --prefix a_ --type .tmp", 0, ""},
      {"a folder others may write that is not sticky", "chmod 777 $S",
       "$Z --folder $F --prefix a_ --type .tmp", 1,
       "other users may write the folder \"$S\", which holds it (mode 0777)"},
      {"a journal another user planted",
       "$Z --folder $F --prefix a_ --type .tmp >/dev/null; chown 65534 "
       "$S/zantovel.journals/*.journal",
       "$Z --undo", 1, "belongs to nobody (65534), not to root"},
      {"a folder of journals another user made",
       "mkdir $S/zantovel.journals; chown 65534 $S/zantovel.journals",
       "$Z --folder $F --prefix a_ --type .tmp", 1,
       "Not using the folder of journals \"$S/zantovel.journals\": it belongs to nobody (65534)"},
      {"a window module another user planted", "chown 65534 $S/zantovel-window.so",
       "QT_QPA_PLATFORM=offscreen $Z", 1,
       "Not using the window module \"$S/zantovel-window.so\": it belongs to nobody (65534)"},
      {"a window module cut short", "truncate -s 200000 $S/zantovel-window.so",
       "QT_QPA_PLATFORM=offscreen $Z", 1, "zantovel-window.so\": it is cut short"},
      {"a window module of another program", "cp /bin/true $S/zantovel-window.so",
       "QT_QPA_PLATFORM=offscreen $Z", 1, "zantovel: cannot load the window module"},
      {"no display", "", "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $Z", 1,
       "zantovel: cannot open the window: no display is named"},
      {"a display that is not there", "",
       "env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:77 $Z", 1,
       "zantovel: cannot open the window: "},
      {"another user runs root's copy with root's settings",
       "printf '[Settings]\\nAppLog=%s/nobody.log\\n' $F >$S/zantovel.ini; chown -R 65534 $F",
       nobody + "$Z --folder $F --prefix a_ --type .tmp", 0, ""},
      {"root with the home of another user, in an installed copy",
       "mkdir -p /opt/zantovel-trust/bin $H/.local/state/zantovel && cp $S/zantovel "
       "$S/zantovel-window.so /opt/zantovel-trust/bin/ && chown -R 65534 $H",
       "env -u XDG_CONFIG_HOME -u XDG_STATE_HOME HOME=$H /opt/zantovel-trust/bin/zantovel --undo",
       1, "belongs to nobody (65534), not to root"},
      {"another user without a home, in an installed copy",
       "mkdir -p /opt/zantovel-trust/bin && cp $S/zantovel $S/zantovel-window.so "
       "/opt/zantovel-trust/bin/",
       nobody + "env -u HOME -u XDG_CONFIG_HOME -u XDG_STATE_HOME /opt/zantovel-trust/bin/zantovel "
                "--folder /tmp --prefix a_ --type .none",
       1, "Cannot make folder \"/nonexistent/.local/state/zantovel\": Permission denied"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir top;
    const std::string shared = top / "shared", files = top / "files", rootOnly = top / "root",
                      home = top / "home";
    fs::create_directories(shared);
    fs::create_directories(files);
    fs::create_directories(rootOnly);
    fs::permissions(top.path(), fs::perms(0755));
    fs::permissions(rootOnly, fs::perms(0700));
    fs::copy_file(ZANTOVEL_PROGRAM, shared + "/zantovel");
    fs::copy_file(ZANTOVEL_WINDOW_MODULE, shared + "/zantovel-window.so");
    WriteFile(shared + "/zantovel.ini", "[Settings]\n");
    WriteFile(files + "/x.tmp", "X");
    Shell("chmod 1777 " + shared);
    const auto expand = [&](std::string text) {
      for (const auto& [from, to] :
           {std::pair<std::string, std::string>{"$Z", shared + "/zantovel"},
            {"$S", shared},
            {"$F", files},
            {"$R", rootOnly},
            {"$H", home}})
        for (std::size_t at; (at = text.find(from)) != std::string::npos;)
          text.replace(at, from.size(), to);
      return text;
    };
    Shell("rm -rf /opt/zantovel-trust");
    ASSERT_EQ(Shell("cd " + shared + " && (" + expand(c.prepare.empty() ? ":" : c.prepare) + ")"),
              0);
    const auto before = FolderNames(files);
    const std::string command = expand(c.run) + " >" + top / "out" + " 2>" + top / "err";
    const int status = Shell(command);
    EXPECT_EQ(status, c.status) << ReadFile(top / "err");
    EXPECT_NE(ReadFile(top / "err").find(expand(c.err)), std::string::npos)
        << ReadFile(top / "err");
    if (c.status != 0) {
      // Refused: nothing renamed, nothing made through the planted settings.
      EXPECT_EQ(FolderNames(files), before);
      EXPECT_FALSE(fs::exists(rootOnly + "/made-by-root"));
    }
  }
  Shell("rm -rf /opt/zantovel-trust");
}

// An installed copy keeps the user's files in the user's folders, and only what writes makes
// them: help, the version, dry runs and a dry undo leave no trace; a pass makes the state
// folder, or says with the system's reason why it cannot.
TEST(InstalledCopyTest, OnlyWritingMakesTheUsersFolders) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to install a copy under /opt";
  TempDir top;
  const std::string installed = "/opt/zantovel-installed-test/bin";
  Shell("rm -rf /opt/zantovel-installed-test && mkdir -p " + installed);
  fs::copy_file(ZANTOVEL_PROGRAM, installed + "/zantovel");
  fs::create_directories(top / "files");
  WriteFile(top / "files/x.tmp", "X");
  const std::string env = "env XDG_CONFIG_HOME=" + top / "config" +
                          " XDG_STATE_HOME=" + top / "state" + " " + installed + "/zantovel ";
  const std::string pass = " --folder " + top / "files" + " --prefix a_ --type .tmp";
  for (const std::string& args : {std::string("--help"), std::string("--version"), "-n" + pass,
                                  std::string("--undo -n"), std::string("--undo")})
    EXPECT_NE(Shell(env + args + " >/dev/null 2>&1"), -1) << args;
  EXPECT_EQ(FolderNames(top.path()), std::vector<std::string>{"files"});
  EXPECT_EQ(Shell(env + pass + " >/dev/null"), 0);
  EXPECT_TRUE(fs::exists(top / "state/zantovel/applog.log"));
  EXPECT_EQ(FolderNames(top / "state/zantovel/zantovel.journals").size(), 1u);
  EXPECT_FALSE(fs::exists(top / "config"));
  // A state folder the user may not make: the reason is the system's own.
  if (Shell("command -v setpriv >/dev/null") == 0) {
    fs::permissions(top.path(), fs::perms(0755));
    const std::string closed = top / "closed";
    fs::create_directory(closed);
    fs::permissions(closed, fs::perms(0755));
    Shell("chown -R 65534 " + top / "files");
    EXPECT_EQ(Shell("setpriv --reuid=65534 --regid=65534 --clear-groups env XDG_STATE_HOME=" +
                    closed + "/s XDG_CONFIG_HOME=" + closed + "/c " + installed + "/zantovel" +
                    pass + " 2>" + top / "err"),
              1);
    EXPECT_EQ(ReadFile(top / "err"),
              "zantovel: Cannot make folder \"" + closed + "/s/zantovel\": Permission denied\n");
  }
  Shell("rm -rf /opt/zantovel-installed-test");
}

}  // namespace
}  // namespace zantovel::test
