#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "rename/plan.h"

// What a pass did, told as a person reads it: counted from the steps as they were taken.
namespace zantovel {

// How many files a pass reached, by what became of them, with the first of each.
class PassCounts {
 public:
  void Add(const FileStep& step);
  std::size_t operator[](FileOutcome outcome) const { return counts_[Index(outcome)]; }
  const std::string& First(FileOutcome outcome) const { return first_[Index(outcome)]; }
  // Every file reached: all but those the pass never came to.
  std::size_t Reached() const;

 private:
  static std::size_t Index(FileOutcome outcome) { return static_cast<std::size_t>(outcome); }
  std::array<std::size_t, kFileOutcomes> counts_{};
  std::array<std::string, kFileOutcomes> first_;
};

// How a pass ended.
enum class PassEnd {
  Done,
  PrefixRefused,  // before anything was done
  Failed,         // an operation failed; what was done before stays done
  Stopped,        // a stop was asked for; the file being worked on is done or untouched
};
struct PassResult {
  PassEnd end = PassEnd::Done;
  std::string message;  // "Done", "Stopped", or the sentence that says why the pass stopped
  PassCounts counts;
  std::string journalProblem;  // why the pass cannot be taken back, when it cannot
  bool done() const { return end == PassEnd::Done; }
};

// What a person reads after a pass, in the box or on the terminal: its first line as
// result.message ("Done", "Stopped" or the failure's sentence), then the counts, each reason
// on a line of its own with the first file it befell ("3 renamed.", "4 passed over: longer
// than 20 characters (IMG_20240101_123456.jpg and 3 more).", "1 left: new name taken (y.tmp)."),
// why nothing may have matched, why the pass cannot be taken back if it cannot, and where the
// log is.
std::string PassSummary(const PassResult& result, std::string_view prefix,
                        std::string_view fileType, const std::string& logPath);

// The counts of a plan or a pass, a line for each thing that befell files: the first ("3
// renamed", "3 copied") always, the others where they befell any.
std::vector<std::string> CountLines(const PassCounts& counts, std::string_view prefix,
                                    bool allFilesMode);

// Why a pass may have reached no file at all: no name ends with the type, and a type holding
// capitals matches nothing, since names are compared in lower case. Empty in the all-files
// mode.
std::string WhyNothingMatched(std::string_view fileType);

// The counts as the log's last line for a pass gives them: "Pass done: 3 renamed, 1 passed
// over, ..." ("Pass stopped: " when it stopped or failed), leaving out what is zero.
std::string CountsLine(const PassResult& result, bool allFilesMode);

// What became of one file, in a few words to follow its name: "passed over: longer than 20
// characters", "passed over: already begins with a_" (the prefix as the pass compared it),
// "new name taken", ...; empty for a file given its new name.
std::string OutcomeWords(FileOutcome outcome, std::string_view prefix);

// The counts in a sentence: "3 renamed, 1 passed over, 1 left: new name taken" ("copied" for
// the all-files mode), leaving out what is zero but the first. `left` stands before each reason
// a file was left for.
std::string CountsText(const PassCounts& counts, bool allFilesMode, std::string_view left);

}  // namespace zantovel
