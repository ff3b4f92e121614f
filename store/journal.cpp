#include "store/journal.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "platform/error.h"
#include "platform/path_rules.h"
#include "util/text.h"

namespace zantovel {
namespace {

constexpr std::string_view kFirstLine = "zantovel journal ";
constexpr int kVersion = 2;
constexpr std::string_view kKinds[] = {"rename", "copy", "copied", "taken"};
// The header's fields in the order a pass writes them, and those of the first version.
constexpr std::string_view kHeader[] = {"folder", "path",    "prefix",      "type",
                                        "time",   "started", "temporaries", "placeholders"};
constexpr std::string_view kFirstHeader[] = {"folder", "prefix", "type", "time"};
// No line a pass writes comes near this: a record holds two names of at most 255 bytes, each
// byte at most four once escaped, and the header's texts are a folder's path and two fields.
constexpr std::size_t kLongestLine = 256 << 10;

std::string Field(std::string_view name, std::string_view value) {
  std::string line(name);
  line += '\t';
  AppendEscapingControls(line, value, Backslashes::Escaped);
  line += '\n';
  return line;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The text EscapeControls made, as it was, or nothing when text holds an escape it never makes.
std::optional<std::string> Unescaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
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
      case 'x': {
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = HexDigit(text[i + 1]), low = HexDigit(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return out;
}

std::optional<std::uint64_t> Number(std::string_view text) {
  std::uint64_t value = 0;
  if (text.empty() ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::vector<std::string_view> Split(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t tab; (tab = line.find('\t')) != line.npos; line.remove_prefix(tab + 1))
    fields.push_back(line.substr(0, tab));
  fields.push_back(line);
  return fields;
}

bool IsPassStem(std::string_view stem) {
  if (!stem.starts_with(kCopyStem) || stem.size() != kCopyStem.size() + 8) return false;
  return std::all_of(stem.begin() + static_cast<std::ptrdiff_t>(kCopyStem.size()), stem.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

}  // namespace

std::string JournalFileOf(const std::string& settingsFile) {
  const auto dot = settingsFile.rfind('.');
  return settingsFile.substr(0, dot) + ".journal";
}

bool JournalParser::Damaged(std::string_view why) {
  problem_ = "is damaged at line " + std::to_string(number_) + ": " + std::string(why);
  return false;
}

bool JournalParser::Feed(std::string_view bytes) {
  while (problem_.empty() && !bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    const std::size_t length = partial_.size() + std::min(end, bytes.size());
    if (length > kLongestLine) {
      ++number_;
      return Damaged("longer than any line a pass writes");
    }
    if (end == bytes.npos) {
      partial_.append(bytes);
      return true;
    }
    ++number_;
    bool good;
    if (partial_.empty()) {
      good = Line(bytes.substr(0, end));
    } else {
      partial_.append(bytes.substr(0, end));
      good = Line(partial_);
      partial_.clear();
    }
    if (!good) return false;
    bytes.remove_prefix(end + 1);
  }
  return problem_.empty();
}

bool JournalParser::HeaderLine(std::string_view name, std::string_view value) {
  const auto& known =
      version_ == 1
          ? std::vector<std::string_view>(std::begin(kFirstHeader), std::end(kFirstHeader))
          : std::vector<std::string_view>(std::begin(kHeader), std::end(kHeader));
  if (std::find(known.begin(), known.end(), name) == known.end())
    return Damaged("no field of a journal");
  if (!journal_.steps.empty()) return Damaged("the header among the records");
  if (std::find(headerSeen_.begin(), headerSeen_.end(), name) != headerSeen_.end())
    return Damaged("a field given twice");
  headerSeen_.emplace_back(name);
  const std::optional<std::string> text = Unescaped(value);
  if (!text) return Damaged("an escape no pass writes");
  if (name == "folder") {
    journal_.folder = *text;
    if (version_ == 1) journal_.path = *text;
  } else if (name == "path") {
    journal_.path = *text;
  } else if (name == "prefix") {
    journal_.prefix = *text;
  } else if (name == "type") {
    journal_.type = *text;
  } else if (name == "time") {
    journal_.time = *text;
  } else if (name == "started") {
    const std::optional<std::uint64_t> started = Number(*text);
    if (!started) return Damaged("a time that is no number");
    journal_.started = static_cast<std::int64_t>(*started);
  } else if (name == "temporaries") {
    if (!IsPassStem(*text)) return Damaged("no stem of a pass's temporary names");
    journal_.temporaries = *text;
  } else if (name == "placeholders") {
    if (*text != "0" && *text != "1") return Damaged("neither 0 nor 1");
    journal_.placeholders = *text == "1";
  }
  if (journal_.path.find('\0') != std::string::npos) return Damaged("a NUL in the folder");
  return true;
}

bool JournalParser::Line(std::string_view line) {
  if (number_ == 1) {
    if (line.starts_with(kFirstLine)) {
      const std::string_view version = line.substr(kFirstLine.size());
      if (version == "1" || version == "2") version_ = version[0] - '0';
    }
    if (version_ == 0) {
      problem_ = "is not one this program wrote";
      return false;
    }
    return true;
  }
  const std::vector<std::string_view> fields = Split(line);
  if (fields.size() == 2) return HeaderLine(fields[0], fields[1]);
  // The first record comes after the whole header, whose folder can be found again.
  if (journal_.steps.empty()) {
    const std::size_t needed = version_ == 1 ? std::size(kFirstHeader) : std::size(kHeader);
    if (headerSeen_.size() != needed) return Damaged("a record before the whole header");
    if (!IsAbsolutePath(journal_.path)) return Damaged("the folder is not an absolute path");
  }
  return Record(fields);
}

bool JournalParser::Record(const std::vector<std::string_view>& fields) {
  const auto kind = std::find(std::begin(kKinds), std::end(kKinds),
                              fields[0] == "made" && version_ == 1 ? "copied" : fields[0]);
  if (kind == std::end(kKinds)) return Damaged("no kind of record");
  JournalStep step{static_cast<StepKind>(kind - std::begin(kKinds)), {}, {}, {}};
  const bool taken = step.kind == StepKind::Taken;
  const std::size_t numbers = taken ? 0 : version_ == 1 ? 4 : 5;
  if (fields.size() != 1 + numbers + 2 || (taken && version_ == 1))
    return Damaged("a record with fields missing or too many");
  std::array<std::uint64_t, 5> values{};
  for (std::size_t i = 0; i < numbers; ++i) {
    const std::optional<std::uint64_t> value = Number(fields[1 + i]);
    if (!value) return Damaged("a number that is none");
    values[i] = *value;
  }
  step.file = {EntryKind::File,
               {values[0], values[1]},
               values[2],
               static_cast<std::int64_t>(values[3]),
               static_cast<std::int64_t>(values[4])};
  std::optional<std::string> oldName = Unescaped(fields[1 + numbers]);
  std::optional<std::string> newName = Unescaped(fields[2 + numbers]);
  if (!oldName || !newName) return Damaged("an escape no pass writes");
  // A name is one name in the pass's folder: never a way out of it.
  for (const std::string* name : {&*oldName, &*newName})
    if (!IsSingleName(*name) || !NameFitsLength(*name))
      return Damaged("a name no file of one folder can have");
  // A copy's identity, and a name found taken, belong to a step the journal has planned.
  if (step.kind == StepKind::Copied || taken) {
    const auto found = planned_.find(*newName);
    if (found == planned_.end() || journal_.steps[found->second].oldName != *oldName ||
        (step.kind == StepKind::Copied && journal_.steps[found->second].kind != StepKind::Copy))
      return Damaged("a record of a step that was never planned");
  } else {
    planned_[*newName] = journal_.steps.size();
  }
  step.oldName = std::move(*oldName);
  step.newName = std::move(*newName);
  journal_.steps.push_back(std::move(step));
  return true;
}

std::optional<Journal> JournalParser::Finish() {
  if (!problem_.empty()) return std::nullopt;
  // A journal begins with its header and first records in one write: one cut before the end of
  // its header tells of no step.
  const std::size_t needed = version_ == 1 ? std::size(kFirstHeader) : std::size(kHeader);
  if (version_ == 0 || headerSeen_.size() != needed) {
    problem_ = "holds no pass";
    return std::nullopt;
  }
  if (!IsAbsolutePath(journal_.path)) {
    problem_ = "names a folder that is not an absolute path";
    return std::nullopt;
  }
  return std::move(journal_);
}

JournalWriter::JournalWriter(std::string path, const Journal& header) : path_(std::move(path)) {
  header_ = std::string(kFirstLine) + std::to_string(kVersion) + "\n" +
            Field("folder", header.folder) + Field("path", header.path) +
            Field("prefix", header.prefix) + Field("type", header.type) +
            Field("time", header.time) + Field("started", std::to_string(header.started)) +
            Field("temporaries", header.temporaries) +
            Field("placeholders", header.placeholders ? "1" : "0");
}

void JournalWriter::Add(const JournalStep& step) {
  waiting_ += kKinds[static_cast<int>(step.kind)];
  if (step.kind != StepKind::Taken) {
    for (const std::uint64_t number : {step.file.id.device, step.file.id.inode, step.file.size,
                                       static_cast<std::uint64_t>(step.file.modified),
                                       static_cast<std::uint64_t>(step.file.born)}) {
      std::array<char, 24> digits;
      digits[0] = '\t';
      const auto end = std::to_chars(digits.data() + 1, digits.data() + digits.size(), number).ptr;
      waiting_.append(digits.data(), end);
    }
  }
  waiting_ += '\t';
  AppendEscapingControls(waiting_, step.oldName, Backslashes::Escaped);
  waiting_ += '\t';
  AppendEscapingControls(waiting_, step.newName, Backslashes::Escaped);
  waiting_ += '\n';
}

void JournalWriter::Write() {
  if (waiting_.empty()) return;
  if (!started_) {
    file_.Open(path_, true, true, "journal");
    started_ = true;
    waiting_.insert(0, header_);
  }
  file_.Append(waiting_);
  waiting_.clear();
  unflushed_ = true;
}

void JournalWriter::Flush(std::optional<std::uint64_t> syncedDevice) {
  Write();
  if (!unflushed_) return;
  if (!syncedDevice || *syncedDevice != file_.Id().device) file_.Flush();
  unflushed_ = false;
}

void JournalWriter::Close() {
  if (!started_) return;
  Flush();
  file_.Close();
}

Journal ReadJournal(const std::string& path, std::optional<OwnFileReader>* held) {
  std::optional<OwnFileReader> own;
  std::optional<OwnFileReader>& reader = held != nullptr ? *held : own;
  JournalParser parser;
  try {
    reader.emplace(path, "journal");
    if (held != nullptr) reader->HoldAlone();
    std::array<char, 1 << 16> buffer;
    while (const std::size_t got = reader->Read(buffer.data(), buffer.size()))
      if (!parser.Feed({buffer.data(), got})) break;
  } catch (const PlatformError& error) {
    reader.reset();
    if (error.code() == std::errc::no_such_file_or_directory) throw NoPassError();
    throw;
  }
  std::optional<Journal> journal = parser.Finish();
  if (journal) return std::move(*journal);
  reader.reset();
  if (parser.Problem() == "holds no pass") throw NoPassError();
  throw PlatformError("The journal " + Quoted(path) + " " + parser.Problem(),
                      MakeError(FileError::Damaged));
}

PlatformError NoPassError() {
  return PlatformError("There is no pass to take back", MakeError(FileError::NothingToUndo));
}

}  // namespace zantovel
