#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zantovel {

// Told of a pass's progress, or an undo's, from the thread it runs on.
class ProgressListener {
 public:
  virtual ~ProgressListener() = default;
  // Before each file it takes: where the file stands among them, of how many, and its name.
  virtual void FileReached(std::size_t done, std::size_t total, const std::string& name) = 0;
  // While a copy is written: its bytes done, of its size.
  virtual void BytesCopied(std::uint64_t done, std::uint64_t total) = 0;
};

}  // namespace zantovel
