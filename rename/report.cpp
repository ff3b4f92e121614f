#include "rename/report.h"

#include <algorithm>

#include "platform/text_case.h"
#include "rename/name_rules.h"
#include "util/text.h"

namespace zantovel {

void PassCounts::Add(const FileStep& step) {
  if (counts_[Index(step.outcome)]++ == 0) first_[Index(step.outcome)] = step.name;
}

std::size_t PassCounts::Reached() const {
  std::size_t reached = 0;
  for (std::size_t i = 0; i < kFileOutcomes; ++i)
    if (i != Index(FileOutcome::NotReached)) reached += counts_[i];
  return reached;
}

std::string CountsText(const PassCounts& c, bool allFilesMode, std::string_view left) {
  using O = FileOutcome;
  std::string text = std::to_string(c[allFilesMode ? O::Copied : O::Renamed]) +
                     (allFilesMode ? " copied" : " renamed");
  const auto add = [&](std::size_t count, std::string_view what, bool leftOver) {
    if (count == 0) return;
    text += ", " + std::to_string(count) + " " + (leftOver ? std::string(left) : "") +
            std::string(what);
  };
  add(c[O::HasPrefix] + c[O::LongName], "passed over", false);
  add(c[O::NameTaken], "new name taken", true);
  add(c[O::ProgramFile], "in use by Zantovel", true);
  add(c[O::NotAFile], "not files", true);
  add(c[O::NameTooLong], "new name too long", true);
  add(c[O::NameReserved], "new name reserved by Windows", true);
  return text;
}

std::string OutcomeWords(FileOutcome outcome, std::string_view prefix) {
  switch (outcome) {
    case FileOutcome::Renamed:
    case FileOutcome::Copied:
      return {};
    case FileOutcome::HasPrefix: {
      // After the first numbered file the prefix holds its zeros: those are what names begin with.
      std::string compared(prefix);
      std::replace(compared.begin(), compared.end(), '#', '0');
      return "passed over: already begins with " + compared;
    }
    case FileOutcome::LongName:
      return "passed over: longer than " + std::to_string(kLongestNameHandled) + " characters";
    case FileOutcome::NameTaken:
      return "new name taken";
    case FileOutcome::NameTooLong:
      return "new name too long";
    case FileOutcome::NameReserved:
      return "new name reserved by Windows";
    case FileOutcome::ProgramFile:
      return "in use by Zantovel";
    case FileOutcome::NotAFile:
      return "not a file";
    case FileOutcome::NotReached:
      return "not reached";
  }
  return {};
}

std::vector<std::string> CountLines(const PassCounts& counts, std::string_view prefix,
                                    bool allFilesMode) {
  using O = FileOutcome;
  const O done = allFilesMode ? O::Copied : O::Renamed;
  std::vector<std::string> lines = {std::to_string(counts[done]) +
                                    (allFilesMode ? " copied" : " renamed")};
  for (const O outcome : {O::LongName, O::HasPrefix, O::NameTaken, O::NameTooLong, O::NameReserved,
                          O::ProgramFile, O::NotAFile}) {
    const std::size_t count = counts[outcome];
    if (count == 0) continue;
    std::string words = OutcomeWords(outcome, prefix);
    // "passed over: already begins with a_" said of several files.
    if (count > 1 && outcome == O::HasPrefix) words.replace(words.find("begins"), 6, "begin");
    const bool passedOver = outcome == O::LongName || outcome == O::HasPrefix;
    std::string line = std::to_string(count) + " " + (passedOver ? "" : "left: ") + words + " (" +
                       counts.First(outcome);
    if (count > 1) line += " and " + std::to_string(count - 1) + " more";
    lines.push_back(line + ")");
  }
  return lines;
}

std::string WhyNothingMatched(std::string_view fileType) {
  if (IsAllFiles(fileType)) return {};
  std::string why = "No file name ends with \"" + std::string(fileType) + "\".";
  if (LowerCase(fileType) != fileType)
    why += " Names are compared in lower case, so a type holding capitals matches nothing.";
  return why;
}

std::string PassSummary(const PassResult& result, std::string_view prefix,
                        std::string_view fileType, const std::string& logPath) {
  std::string text = result.message;
  if (result.end == PassEnd::PrefixRefused) return text;
  text += "\n";
  for (const std::string& line : CountLines(result.counts, prefix, IsAllFiles(fileType)))
    text += "\n" + line + ".";
  if (result.counts.Reached() == 0 && result.end == PassEnd::Done && !IsAllFiles(fileType))
    text += "\n" + WhyNothingMatched(fileType);
  if (!result.journalProblem.empty())
    text += "\nThis pass cannot be taken back: " + result.journalProblem + ".";
  text += "\nLog: " + logPath;
  return text;
}

std::string CountsLine(const PassResult& result, bool allFilesMode) {
  const std::string line = result.end == PassEnd::Done ? "Pass done: " : "Pass stopped: ";
  return line + CountsText(result.counts, allFilesMode, "left, ");
}

}  // namespace zantovel
