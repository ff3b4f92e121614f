#pragma once

#include <cstdio>
#include <optional>

namespace zantovel {

// Runs the program from its command line when it was given arguments:
//
//   zantovel [--folder] DIR --prefix PREFIX --type TYPE [--dry-run | -n] [-q | -v]
//   zantovel --undo [ID] [--dry-run | -n] [-q | -v]
//   zantovel --history
//   zantovel [toolkit options] [DIR]   (the window)
//   zantovel -h | --help | -V | --version
//
// A pass is the one "Run" makes, with the same log; "Done" goes to out, a failure's sentence
// to err after the program's name. A dry run prints one line per file the pass would reach and
// changes nothing. Returns the exit status (0 done, 1 a failure, 2 a usage error, 3 no pass to
// take back), or nothing when the window is to start: with no arguments, only the toolkit's own
// (-style NAME, ...), or those and one folder, which the window opens on. Needs no display.
std::optional<int> RunCommandLine(int argc, const char* const* argv, std::FILE* out,
                                  std::FILE* err);

}  // namespace zantovel
