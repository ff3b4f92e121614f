#include "store/journal.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <ctime>

#include "platform/app.h"
#include "platform/error.h"
#include "platform/path_rules.h"
#include "util/text.h"

namespace zantovel {
namespace {

constexpr std::string_view kFirstLine = "zantovel journal ";
constexpr int kVersion = 2;
constexpr std::string_view kKinds[] = {"rename", "copy", "copied", "taken"};
constexpr std::string_view kEnded = "ended";
constexpr std::string_view kJournalSuffix = ".journal";
constexpr std::string_view kNoteSuffix = ".taken-back";
constexpr std::string_view kLegacyId = "earlier";
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

std::string JournalFolderOf(const std::string& settingsFile) {
  const auto dot = settingsFile.rfind('.');
  return settingsFile.substr(0, dot) + ".journals";
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
  if (journal_.planned > 0) return Damaged("the header among the records");
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
  if (!journal_.ended.empty()) return Damaged("a line after the pass's end");
  if (fields[0] == kEnded && version_ > 1) {
    const std::optional<std::string> ended =
        fields.size() == 2 ? Unescaped(fields[1]) : std::nullopt;
    if (!ended || ended->empty()) return Damaged("an end that says nothing");
    journal_.ended = *ended;
    return true;
  }
  if (fields.size() == 2) return HeaderLine(fields[0], fields[1]);
  // The first record comes after the whole header, whose folder can be found again.
  if (journal_.planned == 0 && journal_.steps.empty()) {
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
    if (found == planned_.end() || found->second.oldName != *oldName ||
        (step.kind == StepKind::Copied && found->second.kind != StepKind::Copy))
      return Damaged("a record of a step that was never planned");
  } else {
    planned_[*newName] = {journal_.planned++, step.kind, *oldName};
  }
  if (!keepSteps_) return true;
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

JournalWriter::JournalWriter(const JournalHistory& history, std::int64_t started,
                             const Journal& header)
    : history_(history), started_(started) {
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
  if (!begun_) {
    // A name no other pass has: one that began in the same millisecond took the first.
    for (std::int64_t moment = started_;; ++moment) {
      try {
        file_.Open(history_.JournalAt(moment), Opening::New, "journal");
        break;
      } catch (const PlatformError& error) {
        if (error.code() != std::errc::file_exists || moment >= started_ + 1000) throw;
      }
    }
    begun_ = true;
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

void JournalWriter::Close(std::string_view ended) {
  if (!begun_ || closed_) return;
  closed_ = true;
  waiting_ += kEnded;
  waiting_ += '\t';
  AppendEscapingControls(waiting_, ended, Backslashes::Escaped);
  waiting_ += '\n';
  Flush();
  file_.Close();
}

namespace {

Journal Read(const std::string& path, std::optional<OwnFileReader>* held, bool keepSteps) {
  std::optional<OwnFileReader> own;
  std::optional<OwnFileReader>& reader = held != nullptr ? *held : own;
  JournalParser parser(keepSteps);
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

}  // namespace

Journal ReadJournal(const std::string& path, std::optional<OwnFileReader>* held) {
  return Read(path, held, true);
}

Journal ReadJournalSummary(const std::string& path) {
  return Read(path, nullptr, false);
}

PlatformError NoPassError() {
  return PlatformError("There is no pass left to take back", MakeError(FileError::NothingToUndo));
}

namespace {

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
long DaysOf(int year, int month, int day) {
  year -= month <= 2;
  const long era = (year >= 0 ? year : year - 399) / 400;
  const long yearOfEra = year - era * 400;
  const long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// The day a pass's id names, or nothing for one that names none (the earlier version's).
std::optional<long> DayOfId(std::string_view id) {
  int year = 0, month = 0, day = 0;
  if (id.size() < 8 || std::from_chars(id.data(), id.data() + 4, year).ptr != id.data() + 4 ||
      std::from_chars(id.data() + 4, id.data() + 6, month).ptr != id.data() + 6 ||
      std::from_chars(id.data() + 6, id.data() + 8, day).ptr != id.data() + 8)
    return std::nullopt;
  return DaysOf(year, month, day);
}

}  // namespace

std::string JournalHistory::JournalAt(std::int64_t moment) const {
  const std::tm time = LocalTimeAt(static_cast<std::time_t>(moment / 1000));
  std::array<char, 40> stamp{};
  const std::size_t n = std::strftime(stamp.data(), stamp.size(), "%Y%m%d-%H%M%S", &time);
  const auto milliseconds = static_cast<int>(moment % 1000);
  std::string id(stamp.data(), n);
  id += '.';
  for (const int digit : {milliseconds / 100, milliseconds / 10 % 10, milliseconds % 10})
    id += static_cast<char>('0' + digit);
  return JoinPath(folder_, id + std::string(kJournalSuffix));
}

std::vector<JournalHistory::Pass> JournalHistory::Passes() const {
  std::vector<Pass> passes;
  try {
    const zantovel::Folder folder(folder_);
    for (const ListedFile& file : folder.ListFiles())
      if (file.name.ends_with(kJournalSuffix))
        passes.push_back({file.name.substr(0, file.name.size() - kJournalSuffix.size()),
                          JoinPath(folder_, file.name)});
  } catch (const PlatformError& error) {
    if (error.code() != std::errc::no_such_file_or_directory) throw;
  }
  std::reverse(passes.begin(), passes.end());  // the listing sorts by name: by time
  if (IsRegularFile(legacy_)) passes.push_back({std::string(kLegacyId), legacy_});
  return passes;
}

std::string JournalHistory::NoteOf(const Pass& pass) const {
  return JoinPath(folder_, pass.id + std::string(kNoteSuffix));
}

TakenBack JournalHistory::TakenBackOf(const Pass& pass, std::string* counts) const {
  std::string note;
  try {
    OwnFileReader reader(NoteOf(pass), "journal's note");
    std::array<char, 1024> buffer;
    while (const std::size_t got = reader.Read(buffer.data(), buffer.size())) {
      note.append(buffer.data(), got);
      if (note.size() > 4096) break;  // a note is one short line
    }
  } catch (const PlatformError& error) {
    if (error.code() == std::errc::no_such_file_or_directory) return TakenBack::No;
    throw;
  }
  const std::string_view line = std::string_view(note).substr(0, note.find('\n'));
  const std::size_t tab = line.find('\t');
  if (counts != nullptr && tab != line.npos) *counts = line.substr(tab + 1);
  return line.starts_with("part") ? TakenBack::InPart : TakenBack::Wholly;
}

void JournalHistory::NoteTakenBack(const Pass& pass, TakenBack how,
                                   const std::string& counts) const {
  AppendFile note;
  note.Open(NoteOf(pass), Opening::Afresh, "journal's note");
  note.Append(std::string(how == TakenBack::InPart ? "part" : "whole") + "\t" + counts + "\n");
  note.Flush();
  note.Close();
}

void JournalHistory::Prune(const std::tm& today) const {
  const long day = DaysOf(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday);
  const std::vector<Pass> passes = Passes();
  for (std::size_t i = 0; i < passes.size(); ++i) {
    const std::optional<long> made = DayOfId(passes[i].id);
    if (i < kKept && (!made || day - *made <= kKeptDays)) continue;
    try {
      OwnFileReader held(passes[i].path, "journal");
      held.HoldAlone();  // a pass or an undo that holds it is still at work on it
      const zantovel::Folder folder(FolderOf(passes[i].path));
      folder.Remove(FileNameOf(passes[i].path));
      if (IsRegularFile(NoteOf(passes[i]))) folder.Remove(FileNameOf(NoteOf(passes[i])));
    } catch (const PlatformError&) {
      // One that is held, or cannot go, stays for the next pass to try again.
    }
  }
}

}  // namespace zantovel
