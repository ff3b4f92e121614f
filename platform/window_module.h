#pragma once

// The window lives in a module of its own (zantovel-window.so), so that the command line
// starts without loading the toolkit.
namespace zantovel {

// The module's file name, and where it is looked for: beside the executable (a build, a
// portable copy), then at the installed place relative to the executable's folder.
inline constexpr const char* kWindowModuleName = "zantovel-window.so";

// Loads the module and runs its window with the program's arguments; returns its exit status.
// Says why on standard error and returns 1 when the module cannot be loaded.
int RunWindowModule(int argc, char** argv);

}  // namespace zantovel
