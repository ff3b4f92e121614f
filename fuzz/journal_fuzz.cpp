// The journal's reader over any bytes. It must never crash or read past a line's bound, must
// give the same answer however the bytes come in, and must never hand undo a name that leads
// out of the pass's folder or a folder that is not absolute.
//
// Input: one byte, how many bytes each piece holds (0 for all at once), then the journal.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "platform/path_rules.h"
#include "store/journal.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::optional<zantovel::Journal> Parse(std::string_view bytes, std::size_t piece,
                                       std::string& problem) {
  zantovel::JournalParser parser;
  for (std::size_t at = 0; at < bytes.size(); at += piece)
    if (!parser.Feed(bytes.substr(at, piece))) break;
  std::optional<zantovel::Journal> journal = parser.Finish();
  problem = parser.Problem();
  return journal;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = data[0] == 0 ? size : data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string whole, pieces;
  const std::optional<zantovel::Journal> once = Parse(bytes, bytes.size() + 1, whole);
  const std::optional<zantovel::Journal> cut = Parse(bytes, piece, pieces);
  Check(once.has_value() == cut.has_value() && whole == pieces);
  if (!once) return 0;
  Check(zantovel::IsAbsolutePath(once->path));
  Check(once->steps.size() == cut->steps.size());
  for (std::size_t i = 0; i < once->steps.size(); ++i) {
    const zantovel::JournalStep& step = once->steps[i];
    Check(step.oldName == cut->steps[i].oldName && step.newName == cut->steps[i].newName);
    Check(zantovel::IsSingleName(step.oldName) && zantovel::IsSingleName(step.newName));
  }
  return 0;
}
