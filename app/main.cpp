// The Linux program's start. With arguments it works in the terminal and loads no toolkit;
// without, it loads the window (window_main.cpp, a module of its own) and runs it.
#include "app/command_line.h"
#include "platform/window_module.h"

int main(int argc, char** argv) {
  if (const std::optional<int> status = zantovel::RunCommandLine(argc, argv, stdout, stderr))
    return *status;
  return zantovel::RunWindowModule(argc, argv);
}
