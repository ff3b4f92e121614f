// Dialogs that show nothing, for programs that run the library without a user: the fuzzers
// and the benchmark. A box returns at once; the folder dialog is always cancelled.
#include "platform/dialogs.h"

namespace zantovel {

void MsgBox(const std::string&, MsgIcon, const std::string&) {}

std::string ChooseFolder(WindowHandle, const std::string&) {
  return {};
}

}  // namespace zantovel
