#include "platform/error.h"

namespace zantovel {
namespace {

class FileErrors : public std::error_category {
 public:
  const char* name() const noexcept override { return "zantovel"; }
  std::string message(int error) const override {
    switch (static_cast<FileError>(error)) {
      case FileError::Changed:
        return "The file changed while it was copied";
      case FileError::NotAFile:
        return "It is no longer a file";
      case FileError::LinkNotOwned:
        return "It is a link that another user made";
      case FileError::NoFreeName:
        return "No free name for a temporary file";
      case FileError::Stopped:
        return "Stopped";
      case FileError::NotOwned:
        return "It belongs to another user";
      case FileError::InUse:
        return "Another pass or undo is using it";
      case FileError::NotRegular:
        return "It is not a regular file";
      case FileError::Damaged:
        return "It is damaged";
      case FileError::ReadOnly:
        return "It is read-only";
      case FileError::TooLarge:
        return "It is too large for a settings file";
      case FileError::NothingToUndo:
        return "There is no pass left to take back";
    }
    return "Unknown error";
  }
};

}  // namespace

const std::error_category& FileErrorCategory() {
  static const FileErrors category;
  return category;
}

std::error_code MakeError(FileError error) {
  return {static_cast<int>(error), FileErrorCategory()};
}

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

void Fail(std::string_view what, std::error_code error) {
  throw PlatformError(std::string(what) + ": " + error.message(), error);
}

}  // namespace zantovel
