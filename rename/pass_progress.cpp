#include "rename/pass_progress.h"

namespace zantovel {

void PassProgress::FileReached(std::size_t done, std::size_t total, const std::string& name) {
  const std::lock_guard lock(mutex_);
  done_ = done;
  total_ = total;
  name_ = name;
  bytesDone_ = bytesTotal_ = 0;
}

void PassProgress::BytesCopied(std::uint64_t done, std::uint64_t total) {
  const std::lock_guard lock(mutex_);
  bytesDone_ = done;
  bytesTotal_ = total;
}

PassProgress::Snapshot PassProgress::Read(std::string_view lineBreak) const {
  const std::lock_guard lock(mutex_);
  // Before the first file the folder is still being listed, which for a large one takes a while.
  if (total_ == 0 && name_.empty()) return {0, 0, "Listing the folder"};
  std::string text = std::to_string(done_) + " of " + std::to_string(total_) + " files" +
                     std::string(lineBreak) + name_;
  if (bytesTotal_ != 0)
    text += std::string(lineBreak) + std::to_string(bytesDone_ >> 20) + " of " +
            std::to_string(bytesTotal_ >> 20) + " MiB copied";
  return {done_, total_, std::move(text)};
}

}  // namespace zantovel
