#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace zantovel {

// A failure of an operating-system operation. what() is a sentence a person can act on:
// the operation, the path and the system's reason, e.g.
//   Cannot rename "/data/x.tmp" to "/data/a_x.tmp": Operation not permitted
class PlatformError : public std::runtime_error {
 public:
  PlatformError(const std::string& what, std::error_code code)
      : std::runtime_error(what), code_(code) {}
  // The system's reason alone.
  std::error_code code() const { return code_; }

 private:
  std::error_code code_;
};

// Failures the program finds itself, where the system reports none.
enum class FileError {
  Changed = 1,    // a file changed size while it was copied
  NotAFile,       // a name that was a file is now a folder, pipe or device
  LinkNotOwned,   // a link in the log's place that another user made
  NoFreeName,     // no free name could be drawn for a temporary file
  Stopped,        // the user stopped the operation
  NotOwned,       // a file of the program's own that another user owns
  InUse,          // a file that another process holds alone
  NotRegular,     // a name that should be a regular file is a folder, pipe, device or link
  Damaged,        // a file of the program's own that is not as the program writes it
  ReadOnly,       // a file made read-only, or one this user may not write
  TooLarge,       // a settings file far larger than any the program writes
  NothingToUndo,  // no pass is left to take back
};
const std::error_category& FileErrorCategory();
std::error_code MakeError(FileError error);

// The operating system's error number as an error code: errno on Linux, GetLastError() on
// Windows, each with the system's own sentence.
std::error_code SystemError(int error);

// "text" in quotes, as every sentence names a path.
std::string Quoted(std::string_view text);

// Throws PlatformError with "what: reason".
[[noreturn]] void Fail(std::string_view what, std::error_code error);

}  // namespace zantovel
