#include "store/journal.h"

#include <array>
#include <charconv>
#include <fstream>
#include <sstream>

#include "util/text.h"

namespace zantovel {
namespace {

constexpr const char* kFirstLine = "zantovel journal 1";
constexpr const char* kKinds[] = {"rename", "copy", "made"};

std::string Field(const std::string& name, const std::string& value) {
  return name + "\t" + EscapeControls(value, Backslashes::Escaped) + "\n";
}

// The text EscapeControls made, as it was.
std::optional<std::string> Unescaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i >= text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'x':
        if (i + 2 >= text.size()) return std::nullopt;
        out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
        i += 2;
        break;
      default:
        return std::nullopt;
    }
  }
  return out;
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
    fields.push_back(line.substr(start, tab - start));
  fields.push_back(line.substr(start));
  return fields;
}

}  // namespace

std::string JournalFileOf(const std::string& settingsFile) {
  const auto dot = settingsFile.rfind('.');
  return settingsFile.substr(0, dot) + ".journal";
}

JournalWriter::JournalWriter(std::string path, const Journal& header)
    : path_(std::move(path)),
      header_(std::string(kFirstLine) + "\n" + Field("folder", header.folder) +
              Field("prefix", header.prefix) + Field("type", header.type) +
              Field("time", header.time)) {}

void JournalWriter::Add(const JournalStep& step) {
  waiting_ += kKinds[static_cast<int>(step.kind)];
  for (const std::uint64_t number : {step.file.id.device, step.file.id.inode, step.file.size,
                                     static_cast<std::uint64_t>(step.file.modified)}) {
    std::array<char, 24> digits;
    digits[0] = '\t';
    const auto end = std::to_chars(digits.data() + 1, digits.data() + digits.size(), number).ptr;
    waiting_.append(digits.data(), end);
  }
  waiting_ += '\t';
  AppendEscapingControls(waiting_, step.oldName, Backslashes::Escaped);
  waiting_ += '\t';
  AppendEscapingControls(waiting_, step.newName, Backslashes::Escaped);
  waiting_ += '\n';
}

void JournalWriter::Flush() {
  if (waiting_.empty()) return;
  if (!started_) {
    file_.Open(path_, true, true, "journal");
    started_ = true;
    waiting_.insert(0, header_);
  }
  file_.Append(waiting_);
  waiting_.clear();
  file_.Flush();
}

std::optional<Journal> ReadJournal(const std::string& path, std::string& problem) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  if (!in || !std::getline(in, line)) {
    problem = "There is no pass to take back";
    return std::nullopt;
  }
  if (line != kFirstLine) {
    problem = "The journal " + path + " is not one this program wrote";
    return std::nullopt;
  }
  Journal journal;
  for (std::size_t number = 2; std::getline(in, line); ++number) {
    const std::vector<std::string> fields = Split(line);
    const auto bad = [&] {
      problem = "The journal " + path + " is damaged at line " + std::to_string(number);
      return std::nullopt;
    };
    if (fields.size() == 2) {
      const std::optional<std::string> value = Unescaped(fields[1]);
      if (!value) return bad();
      std::string* target = fields[0] == "folder"   ? &journal.folder
                            : fields[0] == "prefix" ? &journal.prefix
                            : fields[0] == "type"   ? &journal.type
                            : fields[0] == "time"   ? &journal.time
                                                    : nullptr;
      if (target == nullptr) return bad();
      *target = *value;
      continue;
    }
    // A record cut by a power failure or a kill is the last line, and tells of a step that was
    // never taken: a record is on disk before its step starts.
    if (fields.size() != 7) {
      if (in.peek() == std::char_traits<char>::eof()) break;
      return bad();
    }
    JournalStep step{StepKind::Rename, {}, {}, {}};
    int kind = 0;
    while (kind < 3 && fields[0] != kKinds[kind]) ++kind;
    const std::optional<std::string> oldName = Unescaped(fields[5]);
    const std::optional<std::string> newName = Unescaped(fields[6]);
    if (kind == 3 || !oldName || !newName) return bad();
    try {
      step.kind = static_cast<StepKind>(kind);
      step.file.id = {std::stoull(fields[1]), std::stoull(fields[2])};
      step.file.size = std::stoull(fields[3]);
      step.file.modified = static_cast<std::int64_t>(std::stoull(fields[4]));
    } catch (const std::exception&) {
      return bad();
    }
    step.oldName = *oldName;
    step.newName = *newName;
    journal.steps.push_back(std::move(step));
  }
  return journal;
}

}  // namespace zantovel
