#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "platform/app.h"
#include "platform/path_rules.h"
#include "platform/window_module.h"

namespace zantovel {

int RunWindowModule(int argc, char** argv) {
  const std::string folder = FolderOf(ExecutablePath());
  std::string tried;
  for (const std::string& path :
       {JoinPath(folder, kWindowModuleName),
        JoinPath(JoinPath(folder, ZANTOVEL_WINDOW_MODULE_DIR), kWindowModuleName)}) {
    // RTLD_LOCAL: the module's own copy of the library stays its own.
    if (void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
      using WindowMain = int (*)(int, char**);
      if (const auto start = reinterpret_cast<WindowMain>(dlsym(module, "ZantovelWindowMain")))
        return start(argc, argv);
    }
    const char* why = dlerror();
    tried += "\n  " + (why != nullptr ? std::string(why) : path);
  }
  std::fprintf(stderr, "zantovel: cannot load the window:%s\n", tried.c_str());
  return 1;
}

}  // namespace zantovel
