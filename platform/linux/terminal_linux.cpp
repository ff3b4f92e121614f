#include <signal.h>
#include <unistd.h>

#include "platform/terminal.h"

namespace zantovel {
namespace {

std::atomic<bool>* stopFlag = nullptr;
std::atomic<int>* stopSignal = nullptr;

// Only lock-free atomic stores: all a signal handler may do.
void OnSignal(int number) {
  stopSignal->store(number);
  stopFlag->store(true);
}

}  // namespace

void StopOnInterrupt(std::atomic<bool>& stop, std::atomic<int>& signal) {
  stopFlag = &stop;
  stopSignal = &signal;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (const int number : {SIGINT, SIGTERM}) sigaction(number, &action, nullptr);
}

bool IsTerminal(std::FILE* file) {
  return isatty(fileno(file)) == 1;
}

void PrepareTerminal() {}

}  // namespace zantovel
