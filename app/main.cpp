// The program's start. With arguments it works in the terminal and loads no toolkit; without,
// it opens the window: on Linux the module window_main.cpp is built into, on Windows (where
// this is the console program zantovel.com) the window program zantovel.exe beside it.
#include <string>
#include <vector>

#include "app/command_line.h"
#include "platform/app.h"
#include "platform/window_module.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = zantovel::ProgramArguments(argc, argv);
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  if (const std::optional<int> status = zantovel::RunCommandLine(static_cast<int>(pointers.size()),
                                                                 pointers.data(), stdout, stderr))
    return *status;
  return zantovel::RunWindowModule(argc, argv);
}
