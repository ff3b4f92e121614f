// Settings reader and writer: whatever the file holds, writing a key and reading it back gives
// the value as the reading rules shape it, and no other line of the file changes.
//
// Input: KEY \0 VALUE \0 FILE-CONTENT (missing parts are empty).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile.h"

namespace {

std::vector<std::string_view> Lines(std::string_view content) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos < content.size()) {
    std::size_t end = content.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = content.size();
    lines.push_back(content.substr(pos, end - pos));
    pos = end + (content.substr(end, 2) == "\r\n" ? 2 : 1);
  }
  return lines;
}

// What a read gives back for a written value: one line, blanks at both ends dropped, and a
// pair of matching quotes around the whole of it.
std::string Shaped(std::string_view value) {
  value = value.substr(0, value.find_first_of("\r\n"));
  const auto first = value.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  value = value.substr(first, value.find_last_not_of(" \t") - first + 1);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto cut1 = std::min(input.find('\0'), input.size());
  const auto cut2 = std::min(input.find('\0', cut1 + 1), input.size());
  std::string key(input.substr(0, cut1));
  const std::string_view value = cut1 < input.size() ? input.substr(cut1 + 1, cut2 - cut1 - 1) : "";
  const std::string_view content = cut2 < input.size() ? input.substr(cut2 + 1) : "";

  // Keys are names a program would use: letters, digits and "_".
  static constexpr std::string_view kKeyChars =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_";
  for (char& c : key) c = kKeyChars[static_cast<unsigned char>(c) % kKeyChars.size()];
  if (key.empty()) key = "LastP";

  zantovel::FindProfileValue(content, "Settings", key);
  const std::string written = zantovel::WithProfileValue(content, "Settings", key, value);
  const auto readBack = zantovel::FindProfileValue(written, "Settings", key);
  Check(readBack.has_value() && *readBack == Shaped(value));

  // The lines after are the lines before with exactly one line replaced or added, the key's,
  // or with the section's header and the key's line added at the end.
  const std::string keyLine = key + "=" + std::string(value.substr(0, value.find_first_of("\r\n")));
  const auto before = Lines(content);
  const auto after = Lines(written);
  if (after.size() == before.size() + 2) {
    for (std::size_t j = 0; j < before.size(); ++j) Check(after[j] == before[j]);
    Check(after[before.size()] == "[Settings]" && after.back() == keyLine);
    return 0;
  }
  std::size_t i = 0;
  while (i < before.size() && i < after.size() && before[i] == after[i]) ++i;
  if (i == after.size()) {  // the key's line was replaced by the same text
    Check(after.size() == before.size());
    return 0;
  }
  Check(i < after.size() && after[i] == keyLine);
  const bool replaced = after.size() == before.size();
  Check(replaced || after.size() == before.size() + 1);
  for (std::size_t j = i + 1; j < after.size(); ++j)
    Check(after[j] == before[replaced ? j : j - 1]);
  return 0;
}
