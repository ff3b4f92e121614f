#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>

namespace zantovel::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
  static std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    const fs::path candidate =
        fs::temp_directory_path() / ("zantovel-test-" + std::to_string(random() % 1000000000));
    if (fs::create_directory(candidate)) path_ = candidate.string();
  }
  if (path_.empty()) ADD_FAILURE() << "cannot make a temporary folder";
}

TempDir::~TempDir() {
#ifndef _WIN32
  // Undo what fault tests leave: mounts below the folder and immutable flags.
  Shell("grep -o ' " + path_ + "[^ ]*' /proc/mounts | xargs -r -n1 umount -l 2>/dev/null");
  Shell("chattr -R -i -a '" + path_ + "' 2>/dev/null");
#endif
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, const std::string& content, mode_t mode) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    ASSERT_TRUE(out.good()) << path;
  }
  // FAT keeps no permissions; its drivers say so with ENOSYS.
  std::error_code error;
  fs::permissions(path, static_cast<fs::perms>(mode), error);
  if (error && error != std::errc::function_not_supported) ADD_FAILURE() << path << ": " << error;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> LogMessages(const std::string& logPath) {
  static const std::regex kLine(R"((\d\d)-(\d\d)-(\d{4}) (\d\d):(\d\d):(\d\d) ([^\r\n]*)\r\n)");
  const std::string content = ReadFile(logPath);
  std::vector<std::string> messages;
  std::size_t pos = 0;
  while (pos < content.size()) {
    const std::size_t end = content.find("\r\n", pos);
    if (end == std::string::npos) {
      ADD_FAILURE() << "log line without CR LF: " << content.substr(pos);
      break;
    }
    const std::string line = content.substr(pos, end + 2 - pos);
    std::smatch match;
    if (!std::regex_match(line, match, kLine)) {
      ADD_FAILURE() << "malformed log line: " << line;
    } else {
      messages.push_back(match[7]);
    }
    pos = end + 2;
  }
  return messages;
}

std::vector<std::string> StepMessages(const std::string& logPath) {
  std::vector<std::string> messages = LogMessages(logPath);
  std::erase_if(messages, [](const std::string& message) {
    for (const char* counts : {"Pass done: ", "Pass stopped: ", "Undo done: ", "Undo stopped: "})
      if (message.rfind(counts, 0) == 0) return true;
    return false;
  });
  return messages;
}

}  // namespace zantovel::test
