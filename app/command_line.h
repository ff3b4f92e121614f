#pragma once

#include <cstdio>
#include <optional>

namespace zantovel {

// Runs the program from its command line when it was given arguments:
//
//   zantovel [--folder] DIR --prefix PREFIX --type TYPE [--dry-run | -n] [-q | -v]
//   zantovel --undo [--dry-run | -n] [-q | -v]
//   zantovel -h | --help | -V | --version
//
// A pass is the one "Run" makes, with the same log; "Done" goes to out, a failure's sentence
// to err after the program's name. A dry run prints one line per file the pass would reach and
// changes nothing. Returns the exit status (0 done, 1 a failure, 2 a usage error), or nothing
// when there are no arguments, or only the toolkit's own (-style NAME, ...), and the window is
// to start. Needs no display.
std::optional<int> RunCommandLine(int argc, const char* const* argv, std::FILE* out,
                                  std::FILE* err);

}  // namespace zantovel
