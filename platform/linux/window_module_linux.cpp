#include <dlfcn.h>
#include <elf.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "platform/app.h"
#include "platform/files.h"
#include "platform/linux/file_ops.h"
#include "platform/path_rules.h"
#include "platform/window_module.h"

namespace zantovel {

using namespace linux_calls;

namespace {

// Whether the window has somewhere to open: a display named by the environment, or a platform
// named for the toolkit (its -platform option, or QT_QPA_PLATFORM). Qt itself would end the
// process with an abort of its own.
bool DisplayNamed(int argc, char** argv) {
  for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    if (const char* value = std::getenv(variable); value != nullptr && *value != '\0') return true;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-platform" || arg == "--platform" || arg.starts_with("-platform=") ||
        arg.starts_with("--platform="))
      return true;
  }
  return false;
}

// What is wrong with the module's file as a shared library for this machine, if anything: a
// file cut short would be mapped past its end, and the process killed by SIGBUS as soon as
// the loader touched the missing part.
std::optional<std::string> DamagedModule(const std::string& path) {
  Fd file(Sys().openat(AT_FDCWD, path.c_str(), O_RDONLY | O_CLOEXEC, 0));
  struct stat st {};
  if (file.fd < 0 || Sys().fstat(file.fd, &st) != 0) return std::string(std::strerror(errno));
  const auto size = static_cast<std::uint64_t>(st.st_size);
  Elf64_Ehdr header{};
  const auto readAt = [&](void* into, std::size_t length, std::uint64_t offset) {
    return offset + length <= size &&
           Sys().pread(file.fd, into, length, static_cast<off_t>(offset)) ==
               static_cast<ssize_t>(length);
  };
  if (!readAt(&header, sizeof header, 0) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0)
    return std::string("it is not a shared library");
#if defined(__x86_64__)
  constexpr Elf64_Half kMachine = EM_X86_64;
#elif defined(__aarch64__)
  constexpr Elf64_Half kMachine = EM_AARCH64;
#else
  const Elf64_Half kMachine = header.e_machine;
#endif
  if (header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_ident[EI_DATA] != ELFDATA2LSB ||
      header.e_type != ET_DYN || header.e_machine != kMachine ||
      header.e_phentsize != sizeof(Elf64_Phdr))
    return std::string("it is a library for another kind of machine");
  if (header.e_shoff + std::uint64_t{header.e_shnum} * header.e_shentsize > size)
    return std::string("it is cut short");
  for (Elf64_Half i = 0; i < header.e_phnum; ++i) {
    Elf64_Phdr segment{};
    if (!readAt(&segment, sizeof segment, header.e_phoff + std::uint64_t{i} * sizeof segment) ||
        segment.p_offset + segment.p_filesz > size)
      return std::string("it is cut short");
  }
  return std::nullopt;
}

}  // namespace

int RunWindowModule(int argc, char** argv) {
  if (!DisplayNamed(argc, argv)) {
    std::fprintf(stderr,
                 "zantovel: cannot open the window: no display is named (DISPLAY and "
                 "WAYLAND_DISPLAY are unset); the command line needs none (zantovel --help)\n");
    return 1;
  }
  const std::string folder = FolderOf(ExecutablePath());
  std::string tried;
  for (const std::string& path :
       {JoinPath(folder, kWindowModuleName),
        JoinPath(JoinPath(folder, ZANTOVEL_WINDOW_MODULE_DIR), kWindowModuleName)}) {
    struct stat st {};
    if (Sys().fstatat(AT_FDCWD, path.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      tried += "\n  " + path + ": " + std::strerror(errno);
      continue;
    }
    // Code loaded into the program runs as its user, root too: only a module that no other
    // user could have put there, or changed, is loaded.
    if (const std::optional<std::string> why = Untrusted(path, "window module")) {
      std::fprintf(stderr, "zantovel: %s\n", why->c_str());
      return 1;
    }
    if (const std::optional<std::string> why = DamagedModule(path)) {
      std::fprintf(stderr, "zantovel: cannot load the window module \"%s\": %s\n", path.c_str(),
                   why->c_str());
      return 1;
    }
    // RTLD_LOCAL: the module's own copy of the library stays its own.
    if (void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
      using WindowMain = int (*)(int, char**);
      if (const auto start = reinterpret_cast<WindowMain>(dlsym(module, "ZantovelWindowMain")))
        return start(argc, argv);
      std::fprintf(stderr, "zantovel: cannot load the window module \"%s\": it is not Zantovel's\n",
                   path.c_str());
      return 1;
    }
    const char* why = dlerror();
    std::fprintf(stderr, "zantovel: cannot load the window module: %s\n",
                 why != nullptr ? why : path.c_str());
    return 1;
  }
  std::fprintf(stderr, "zantovel: cannot load the window:%s\n", tried.c_str());
  return 1;
}

}  // namespace zantovel
