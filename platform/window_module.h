#pragma once

// The window lives apart from the command line, so that the command line starts without
// loading the toolkit: on Linux in a module (zantovel-window.so), on Windows in the window
// program zantovel.exe beside the console program zantovel.com.
namespace zantovel {

// The module's file name, and where it is looked for: beside the executable (a build, a
// portable copy), then at the installed place relative to the executable's folder.
inline constexpr const char* kWindowModuleName = "zantovel-window.so";

// Loads the module and runs its window with the program's arguments; returns its exit status.
// On Windows, starts the window program and returns 0 without waiting for it. Says why on
// standard error and returns 1 when the window cannot be started.
int RunWindowModule(int argc, char** argv);

}  // namespace zantovel
