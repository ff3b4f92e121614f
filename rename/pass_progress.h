#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "rename/rename_pass.h"

namespace zantovel {

// A pass's progress as its thread reports it, kept for another thread (a window's timer) to
// read whenever it likes.
class PassProgress : public ProgressListener {
 public:
  void FileReached(std::size_t done, std::size_t total, const std::string& name) override;
  void BytesCopied(std::uint64_t done, std::uint64_t total) override;

  struct Snapshot {
    std::size_t done = 0;
    std::size_t total = 0;
    // "3 of 40 files", the current name, and for a copy in pieces "5 of 120 MiB copied", one
    // per line, the lines joined by the given break; "Listing the folder" (total 0) before the
    // first file.
    std::string text;
  };
  Snapshot Read(std::string_view lineBreak) const;

 private:
  mutable std::mutex mutex_;
  std::size_t done_ = 0, total_ = 0;
  std::uint64_t bytesDone_ = 0, bytesTotal_ = 0;
  std::string name_;
};

}  // namespace zantovel
