// What a pass and a save keep safe on real file systems: content, ownership and attributes,
// other file systems, concurrency, the settings file and the log. Most of these need root
// (other owners, mounts, FUSE); without it they are skipped and say why.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/profile.h"
#include "rename/rename_pass.h"
#include "store/activity_log.h"
#include "tests/pass_fixture.h"

namespace zantovel::test {
namespace {

namespace fs = std::filesystem;

// Users that need no account: setpriv and chown take any number.
constexpr uid_t kRunner = 65533;
constexpr uid_t kNobody = 65534;

bool IsRoot() {
  return geteuid() == 0;
}

bool Have(const std::string& tool) {
  return Shell("command -v " + tool + " >/dev/null 2>&1") == 0;
}

struct stat Stat(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
  return st;
}

std::string Xattr(const std::string& path, const char* name) {
  std::string value(4096, '\0');
  const ssize_t n = lgetxattr(path.c_str(), name, value.data(), value.size());
  return n < 0 ? "<none>" : value.substr(0, static_cast<std::size_t>(n));
}

std::string RandomContent(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string content(size, '\0');
  for (char& c : content) c = static_cast<char>(random());
  return content;
}

// --- Content -------------------------------------------------------------------------------

TEST_F(PassTest, RenameKeepsOpenWritersHardLinksAndHoles) {
  const std::string x = folder + "/x.tmp";
  WriteFile(x, "before\n");
  const int writer = open(x.c_str(), O_WRONLY | O_APPEND);
  ASSERT_GE(writer, 0);
  WriteFile(folder + "/h.tmp", "linked");
  ASSERT_EQ(link((folder + "/h.tmp").c_str(), (folder + "/h-link").c_str()), 0);
  constexpr off_t kSparse = off_t{1} << 30;
  {
    const int fd = open((folder + "/s.tmp").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(ftruncate(fd, kSparse), 0);
    ASSERT_EQ(pwrite(fd, "head", 4, 0), 4);
    ASSERT_EQ(pwrite(fd, "tail", 4, kSparse - 4), 4);
    close(fd);
  }
  const ino_t xInode = Stat(x).st_ino;

  ASSERT_EQ(Run(folder, "a_", ".tmp").message, "Done");

  // The writer goes on writing into the renamed file, not into a deleted one.
  ASSERT_EQ(write(writer, "after\n", 6), 6);
  close(writer);
  EXPECT_EQ(ReadFile(folder + "/a_x.tmp"), "before\nafter\n");
  EXPECT_EQ(Stat(folder + "/a_x.tmp").st_ino, xInode);
  EXPECT_EQ(Stat(folder + "/a_h.tmp").st_ino, Stat(folder + "/h-link").st_ino);
  EXPECT_EQ(Stat(folder + "/a_h.tmp").st_nlink, 2u);

  // A copy keeps the holes too: a 1 GiB file of eight bytes takes a few blocks, not 1 GiB.
  ASSERT_EQ(Run(folder, "c_", "*.*").message, "Done");
  for (const char* name : {"a_s.tmp", "c_a_s.tmp"}) {
    const std::string path = folder + "/" + name;
    EXPECT_EQ(Stat(path).st_size, kSparse) << name;
    EXPECT_LT(Stat(path).st_blocks * 512, 1 << 20) << name;
    const int fd = open(path.c_str(), O_RDONLY);
    char head[4] = {}, tail[4] = {};
    EXPECT_EQ(pread(fd, head, 4, 0), 4);
    EXPECT_EQ(pread(fd, tail, 4, kSparse - 4), 4);
    close(fd);
    EXPECT_EQ(std::string(head, 4) + std::string(tail, 4), "headtail") << name;
  }
  EXPECT_EQ(ReadFile(folder + "/c_a_h.tmp"), "linked");
  EXPECT_EQ(Stat(folder + "/c_a_h.tmp").st_nlink, 1u);
}

// --- Ownership and attributes --------------------------------------------------------------

TEST_F(PassTest, RenameKeepsOwnerModeAndEveryAttributeAndACopyAllButFlags) {
  if (!IsRoot()) GTEST_SKIP() << "needs root to give a file another owner";
  for (const char* tool : {"setfacl", "getfacl", "setcap", "chattr", "lsattr"})
    if (!Have(tool)) GTEST_SKIP() << "needs " << tool;
  const std::string tool = folder + "/tool.tmp";
  WriteFile(tool, "#!/bin/sh\n");
  ASSERT_EQ(chown(tool.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(chmod(tool.c_str(), 04755), 0);
  ASSERT_EQ(setxattr(tool.c_str(), "user.origin", "kept", 4, 0), 0);
  ASSERT_EQ(Shell("setfacl -m u:" + std::to_string(kRunner) + ":r '" + tool + "'"), 0);
  ASSERT_EQ(Shell("setcap cap_net_raw+ep '" + tool + "'"), 0);
  if (Shell("chattr +d '" + tool + "' 2>/dev/null") != 0) GTEST_SKIP() << "no chattr flags here";

  struct Attribute {
    const char* what;
    std::function<std::string(const std::string&)> of;
    bool copied;
  } attributes[] = {
      {"owner",
       [](const std::string& p) {
         return std::to_string(Stat(p).st_uid) + ":" + std::to_string(Stat(p).st_gid);
       },
       true},
      {"mode", [](const std::string& p) { return std::to_string(Stat(p).st_mode); }, true},
      {"user xattr", [](const std::string& p) { return Xattr(p, "user.origin"); }, true},
      {"ACL", [](const std::string& p) { return Capture("getfacl -cp '" + p + "'"); }, true},
      {"capability", [](const std::string& p) { return Xattr(p, "security.capability"); }, true},
      {"chattr flags",
       [](const std::string& p) { return Capture("lsattr -d '" + p + "' | cut -d' ' -f1"); },
       false},
  };
  std::vector<std::string> before;
  for (const Attribute& a : attributes) before.push_back(a.of(tool));
  ASSERT_EQ(Xattr(tool, "user.origin"), "kept");

  Run(folder, "a_", ".tmp");
  Run(folder, "c_", "*.*");
  for (std::size_t i = 0; i < std::size(attributes); ++i) {
    EXPECT_EQ(attributes[i].of(folder + "/a_tool.tmp"), before[i]) << attributes[i].what;
    if (attributes[i].copied) {
      EXPECT_EQ(attributes[i].of(folder + "/c_a_tool.tmp"), before[i]) << attributes[i].what;
    }
  }
}

// Another user's pass in a shared folder: renamed files keep their owner; a copy that cannot
// keep its owner loses setuid, and a folder's default ACL opens a copy to nobody.
TEST(OwnershipTest, AnotherUsersPassInASharedFolder) {
  if (!IsRoot() || !Have("setpriv") || !Have("setfacl"))
    GTEST_SKIP() << "needs root, setpriv and setfacl to act as other users";
  TempDir dir;
  fs::permissions(dir.path(), fs::perms(0755));
  const std::string shared = dir / "shared";
  fs::create_directory(shared);
  fs::permissions(shared, fs::perms(0777));
  ASSERT_EQ(Shell("setfacl -d -m u:" + std::to_string(kNobody) + ":rwx '" + shared + "'"), 0);
  const auto make = [&](const std::string& name, uid_t owner, mode_t mode) {
    WriteFile(shared + "/" + name, name);
    ASSERT_EQ(Shell("setfacl -b '" + shared + "/" + name + "'"), 0);
    ASSERT_EQ(chown((shared + "/" + name).c_str(), owner, owner), 0);
    ASSERT_EQ(chmod((shared + "/" + name).c_str(), mode), 0);
  };
  make("data.bin", kNobody, 0644);
  make("tool.tmp", kNobody, 04755);
  make("secret.tmp", kRunner, 0600);

  // A portable copy, which the runner may write beside, so it reads the settings beside it.
  InstalledProbe probe("zantovel");
  fs::permissions(probe.bin.path(), fs::perms(0777));
  WriteFile(probe.bin / "zantovel.ini", "[Settings]\r\nAppLog=" + shared + "/../run.log\r\n");
  fs::permissions(dir.path(), fs::perms(0777));
  const std::string asRunner = "setpriv --reuid=" + std::to_string(kRunner) +
                               " --regid=" + std::to_string(kRunner) + " --clear-groups " +
                               probe.exe + " run " + shared;
  EXPECT_EQ(Capture(asRunner + " t_ .bin"), "done|Done\n");
  EXPECT_EQ(Capture(asRunner + " c_ '*.*'"), "done|Done\n");

  EXPECT_EQ(Stat(shared + "/t_data.bin").st_uid, kNobody);
  struct Expected {
    const char* name;
    uid_t owner;
    mode_t mode;
  } expected[] = {
      {"t_data.bin", kNobody, 0644}, {"c_t_data.bin", kRunner, 0644},
      {"tool.tmp", kNobody, 04755},  {"c_tool.tmp", kRunner, 0755},
      {"secret.tmp", kRunner, 0600}, {"c_secret.tmp", kRunner, 0600},
  };
  for (const Expected& e : expected) {
    const struct stat st = Stat(shared + "/" + e.name);
    EXPECT_EQ(st.st_uid, e.owner) << e.name;
    EXPECT_EQ(st.st_mode & 07777, e.mode) << e.name;
    EXPECT_EQ(Xattr(shared + "/" + e.name, "system.posix_acl_access"), "<none>") << e.name;
  }
  EXPECT_EQ(FolderNames(shared).size(), std::size(expected));
}

// --- File systems --------------------------------------------------------------------------

struct FuseFileSystem {
  const char* name;
  const char* make;   // makes the file system in the image "$1"
  const char* mount;  // mounts the image "$1" at "$2"
  std::vector<const char*> tools;
};

class FuseTest : public PassTest, public ::testing::WithParamInterface<FuseFileSystem> {};

// FAT and exFAT have no hard links; NTFS has them but FUSE offers no RENAME_NOREPLACE; none
// has unnamed temporary files. A pass still renames and copies, never replacing a name, and a
// temporary left by an earlier copy that was killed is neither listed nor left behind.
TEST_P(FuseTest, RenamesAndCopiesWithoutReplacingAnything) {
  const FuseFileSystem& fsys = GetParam();
  if (!IsRoot() || !fs::exists("/dev/fuse")) GTEST_SKIP() << "needs root and /dev/fuse";
  for (const char* tool : fsys.tools)
    if (!Have(tool)) GTEST_SKIP() << "needs " << tool;
  const std::string image = dir / "image", mount = dir / "mnt";
  fs::create_directory(mount);
  ASSERT_EQ(Shell("truncate -s 64M '" + image + "' && set -- '" + image + "' '" + mount + "' && " +
                  fsys.make + " >/dev/null 2>&1"),
            0);
  if (Shell("set -- '" + image + "' '" + mount + "' && " + fsys.mount + " >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "cannot mount " << fsys.name << " through FUSE here";
  const std::string files = mount + "/f";
  fs::create_directory(files);
  for (const char* name : {"x.tmp", "y.tmp", "a_y.tmp", ".zantovel-copy-0123456789abcdef0c93"})
    WriteFile(files + "/" + name, name);

  EXPECT_EQ(Run(files, "a_", ".tmp").message, "Done");
  EXPECT_EQ(Run(files, "c_", "*.*").message, "Done");

  const std::vector<std::pair<std::string, std::string>> expected = {
      {"a_x.tmp", "x.tmp"},     {"a_y.tmp", "a_y.tmp"}, {"c_a_x.tmp", "x.tmp"},
      {"c_a_y.tmp", "a_y.tmp"}, {"c_y.tmp", "y.tmp"},   {"y.tmp", "y.tmp"}};
  std::vector<std::pair<std::string, std::string>> found;
  for (const std::string& name : FolderNames(files))
    found.emplace_back(name, ReadFile(files + "/" + name));
  EXPECT_EQ(found, expected) << fsys.name;
  EXPECT_EQ(StepMessages(log).at(7), "Target file exists, cannot rename");

  // Passes killed at random moments, then taken back: every file under its old name, and
  // nothing of the pass left, no temporary, no placeholder and no copy.
  InstalledProbe probe("zantovel");
  WriteFile(probe.bin / "zantovel.ini", "[Settings]\r\nAppLog=" + dir / "killed.log" + "\r\n");
  std::mt19937 random(31);
  for (int round = 0; round < 10; ++round) {
    const std::string killed = mount + "/k" + std::to_string(round);
    fs::create_directory(killed);
    for (int i = 0; i < 120; ++i) WriteFile(killed + "/g" + std::to_string(1000 + i) + ".tmp", "g");
    const auto before = FolderNames(killed);
    const pid_t pid =
        Spawn({probe.exe, "run", killed, "k_", round % 2 ? "*.*" : ".tmp"}, dir / "out");
    // Within the time such a pass takes on exFAT here: a typed one about 60 ms, copies 160.
    usleep(std::uniform_int_distribution<useconds_t>(1000, round % 2 ? 150000 : 55000)(random));
    kill(pid, SIGKILL);
    Wait(pid);
    ASSERT_EQ(Wait(Spawn({probe.exe, "undo"}, dir / "out")), 0);
    const auto after = FolderNames(killed);
    std::vector<std::string> extra, lost;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(extra));
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                        std::back_inserter(lost));
    EXPECT_TRUE(extra.empty() && lost.empty())
        << "round " << round << ", undo: " << ReadFile(dir / "out")
        << "left: " << testing::PrintToString(extra) << ", lost: " << testing::PrintToString(lost);
  }
  Shell("umount '" + mount + "'; losetup -j '" + image + "' -O NAME -n | xargs -r losetup -d");
}

INSTANTIATE_TEST_SUITE_P(
    FileSystems, FuseTest,
    ::testing::Values(
        FuseFileSystem{
            "vfat", "mkfs.vfat \"$1\"", "fusefat -o rw+ \"$1\" \"$2\"", {"mkfs.vfat", "fusefat"}},
        FuseFileSystem{"exfat",
                       "mkfs.exfat \"$1\"",
                       "mount.exfat-fuse \"$(losetup -f --show \"$1\")\" \"$2\"",
                       {"mkfs.exfat", "mount.exfat-fuse", "losetup"}},
        FuseFileSystem{
            "ntfs", "mkntfs -F -Q \"$1\"", "ntfs-3g \"$1\" \"$2\"", {"mkntfs", "ntfs-3g"}}),
    [](const auto& info) { return std::string(info.param.name); });

// A pass that said "Done" is on disk: the disk image, copied at once as a power cut would
// leave it and with its journal replayed, holds every new name with its whole content.
TEST_F(PassTest, PowerCutRightAfterDoneKeepsEveryNewName) {
  if (!IsRoot()) GTEST_SKIP() << "needs root to loop-mount an ext4 image";
  for (const char* tool : {"mkfs.ext4", "e2fsck", "debugfs", "losetup"})
    if (!Have(tool)) GTEST_SKIP() << "needs " << tool;
  const std::string image = dir / "ext4.img", mount = dir / "mnt", files = mount + "/files";
  fs::create_directory(mount);
  ASSERT_EQ(Shell("truncate -s 64M '" + image + "' && mkfs.ext4 -q '" + image + "'"), 0);
  if (Shell("mount -o loop '" + image + "' '" + mount + "' 2>/dev/null") != 0)
    GTEST_SKIP() << "cannot loop-mount here";
  fs::create_directory(files);
  const std::string x = RandomContent(1 << 20, 1), y = RandomContent(1 << 20, 2);
  WriteFile(files + "/x.tmp", x);
  WriteFile(files + "/y.txt", y);
  sync();

  Run(files, "a_", ".tmp");
  Run(files, "c_", "*.*");
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].message + results[1].message, "DoneDone");
  ASSERT_EQ(Shell("cp --sparse=always '" + image + "' '" + image + ".cut'"), 0);
  Shell("umount '" + mount + "'");
  ASSERT_LE(Shell("e2fsck -fy '" + image + ".cut' >/dev/null 2>&1"), 1);

  const auto onDisk = [&](const std::string& name) {
    return Capture("debugfs -R 'cat /files/" + name + "' '" + image + ".cut' 2>/dev/null");
  };
  EXPECT_EQ(onDisk("x.tmp"), "");
  EXPECT_TRUE(onDisk("a_x.tmp") == x && onDisk("c_a_x.tmp") == x && onDisk("y.txt") == y &&
              onDisk("c_y.txt") == y);
}

// --- Concurrency ---------------------------------------------------------------------------

TEST(ConcurrentSaveTest, TwoWindowsClosingAtOnceNeverMixTheirValues) {
  InstalledProbe probe("zantovel");
  const std::string ini = probe.bin / "zantovel.ini";
  // Long values make each save take long enough for two to meet.
  const auto values = [](char c) {
    return std::vector<std::string>{std::string(20000, c), std::string(20000, c) + "f",
                                    std::string(20000, c) + "t"};
  };
  const std::vector<std::string> a = values('a'), b = values('b');
  int mixed = 0;
  constexpr int kRounds = 60;
  for (int round = 0; round < kRounds; ++round) {
    fs::remove(ini);
    const pid_t first = Spawn({probe.exe, "saveall", a[0], a[1], a[2]}, "/dev/null");
    const pid_t second = Spawn({probe.exe, "saveall", b[0], b[1], b[2]}, "/dev/null");
    Wait(first);
    Wait(second);
    const std::string content = ReadFile(ini);
    std::vector<std::string> saved;
    for (const char* key : {"LastP", "LastF", "LastT"})
      saved.push_back(FindProfileValue(content, "Settings", key).value_or("<missing>"));
    mixed += saved != a && saved != b;
  }
  EXPECT_EQ(mixed, 0) << "of " << kRounds << " rounds";
  for (const std::string& name : FolderNames(probe.bin.path()))
    EXPECT_TRUE(name == "zantovel" || name == "zantovel.ini") << name;
}

// --- Settings file -------------------------------------------------------------------------

TEST(SettingsSaveTest, ASaveRespectsTheFileItReplaces) {
  struct Case {
    const char* what;
    bool needsRoot;
    std::function<void(const TempDir& bin, const std::string& elsewhere)> setUp;
    std::function<void(const TempDir& bin, const std::string& elsewhere)> check;
  } cases[] = {
      {"a link is followed and its target written", false,
       [](const TempDir& bin, const std::string& elsewhere) {
         WriteFile(elsewhere + "/real.ini", "[Settings]\r\nLastF=f\r\n");
         fs::create_symlink(elsewhere + "/real.ini", bin / "zantovel.ini");
       },
       [](const TempDir& bin, const std::string& elsewhere) {
         EXPECT_TRUE(fs::is_symlink(bin / "zantovel.ini"));
         EXPECT_EQ(ReadFile(elsewhere + "/real.ini"), "[Settings]\r\nLastF=f\r\nLastP=/new/\r\n");
       }},
      {"a dangling link gets its target made", false,
       [](const TempDir& bin, const std::string& elsewhere) {
         fs::create_symlink(elsewhere + "/later.ini", bin / "zantovel.ini");
       },
       [](const TempDir& bin, const std::string& elsewhere) {
         EXPECT_TRUE(fs::is_symlink(bin / "zantovel.ini"));
         EXPECT_EQ(ReadFile(elsewhere + "/later.ini"), "[Settings]\r\nLastP=/new/\r\n");
       }},
      {"a read-only file is left as it is", false,
       [](const TempDir& bin, const std::string&) {
         WriteFile(bin / "zantovel.ini", "[Settings]\r\nLastP=/old/\r\n", 0444);
       },
       [](const TempDir& bin, const std::string&) {
         EXPECT_EQ(ReadFile(bin / "zantovel.ini"), "[Settings]\r\nLastP=/old/\r\n");
       }},
      {"owner, group, mode and ACL are kept", true,
       [](const TempDir& bin, const std::string&) {
         WriteFile(bin / "zantovel.ini", "[Settings]\r\n", 0640);
         ASSERT_EQ(chown((bin / "zantovel.ini").c_str(), kNobody, kRunner), 0);
         ASSERT_EQ(
             Shell("setfacl -m u:" + std::to_string(kRunner) + ":r '" + bin / "zantovel.ini" + "'"),
             0);
       },
       [](const TempDir& bin, const std::string&) {
         const struct stat st = Stat(bin / "zantovel.ini");
         EXPECT_EQ(st.st_uid, kNobody);
         EXPECT_EQ(st.st_gid, kRunner);
         EXPECT_EQ(st.st_mode & 07777, 0640u);
         EXPECT_NE(Capture("getfacl -cp '" + bin / "zantovel.ini" + "'")
                       .find("user:" + std::to_string(kRunner) + ":r--"),
                   std::string::npos);
         EXPECT_EQ(ReadFile(bin / "zantovel.ini"), "[Settings]\r\nLastP=/new/\r\n");
       }},
      {"a temporary left by a killed save is removed, a file of the user's is not", false,
       [](const TempDir& bin, const std::string&) {
         WriteFile(bin / ".zantovel.ini.00000000deadbeef00df", "half");
         WriteFile(bin / ".zantovel.ini.backup", "the user's");
       },
       [](const TempDir& bin, const std::string&) {
         EXPECT_EQ(FolderNames(bin.path()),
                   (std::vector<std::string>{".zantovel.ini.backup", "zantovel", "zantovel.ini"}));
       }},
  };
  std::string skipped;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.needsRoot && (!IsRoot() || !Have("setfacl"))) {
      skipped += std::string("\n  ") + c.what;
      continue;
    }
    InstalledProbe probe("zantovel");
    TempDir elsewhere;
    c.setUp(probe.bin, elsewhere.path());
    EXPECT_EQ(probe("save LastP /new/ 2>&1"), "");
    c.check(probe.bin, elsewhere.path());
  }
  if (!skipped.empty()) GTEST_SKIP() << "needs root and setfacl for:" << skipped;
}

// --- Log -----------------------------------------------------------------------------------

TEST_F(PassTest, ALogLineIsInTheLogWholeOrNotAtAll) {
  const std::string small = dir / "small";
  fs::create_directory(small);
  if (!MountSmallTmpfs(small, "4k")) GTEST_SKIP() << "needs root to mount a small tmpfs";
  const std::string full = small + "/full.log";
  const std::string earlier = std::string(4000, 'e') + "\r\n";
  WriteFile(full, earlier);
  settings.Save(kSettingsSection, {{"AppLog", full}});

  EXPECT_THROW(activityLog.Write({std::string(200, 'm')}), PlatformError);
  EXPECT_EQ(ReadFile(full), earlier);
  activityLog.Write({"fits"});
  EXPECT_EQ(ReadFile(full).substr(0, earlier.size()), earlier);
  EXPECT_EQ(ReadFile(full).substr(earlier.size() + 19), " fits\r\n");
}

TEST(OwnFilesTest, APassLeavesTheProgramItsSettingsAndItsLogAlone) {
  InstalledProbe probe("zantovel");
  const TempDir& bin = probe.bin;
  WriteFile(bin / "zantovel.ini", "[Settings]\r\n");
  WriteFile(bin / "applog.log", "");
  WriteFile(bin / "data.log", "data");
  ASSERT_EQ(link((bin / "zantovel.ini").c_str(), (bin / "settings-link").c_str()), 0);

  EXPECT_EQ(probe("run " + bin.path() + " a_ '*.*'"), "done|Done\n");
  EXPECT_EQ(probe("run " + bin.path() + " b_ .log"), "done|Done\n");
  // The journals of the passes before, in a folder of their own.
  const std::vector<std::string> journals = FolderNames(bin / "zantovel.journals");
  EXPECT_EQ(probe("run " + bin / "zantovel.journals" + " c_ '*.*'"), "done|Done\n");
  EXPECT_EQ(FolderNames(bin.path()),
            (std::vector<std::string>{"applog.log", "b_a_data.log", "b_data.log", "settings-link",
                                      "zantovel", "zantovel.ini", "zantovel.journals"}));
  for (const std::string& journal : journals)
    EXPECT_TRUE(fs::exists(bin / ("zantovel.journals/" + journal))) << journal;
  for (const std::string& name : FolderNames(bin / "zantovel.journals"))
    EXPECT_NE(name.rfind("c_", 0), 0u) << name;
  const std::vector<std::string> messages = StepMessages(bin / "applog.log");
  EXPECT_EQ(std::count(messages.begin(), messages.end(), "File in use by Zantovel, cannot rename"),
            7);
}

}  // namespace
}  // namespace zantovel::test
