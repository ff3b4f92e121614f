#pragma once

#include <atomic>
#include <cstdio>

// The terminal a command-line pass runs in.
namespace zantovel {

// From now on, an interrupt (Ctrl+C, SIGINT) or a request to end (SIGTERM) sets stop and puts
// the signal's number in signal, instead of ending the program; the pass then stops soon.
void StopOnInterrupt(std::atomic<bool>& stop, std::atomic<int>& signal);

// Whether file is a terminal, where a progress line may be drawn.
bool IsTerminal(std::FILE* file);

// Makes the terminal show the program's UTF-8 text and the progress line's escapes while the
// program runs (a Windows console shows neither by default); nothing to do on Linux.
void PrepareTerminal();

}  // namespace zantovel
