#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/files.h"

// A pass decided before it is done: from the folder's listing alone, the steps a pass takes,
// in its order, each with what it will do and why. It touches no disk, so the dry run, the
// preview and the pass itself take their steps from this one planner, and tables test it.
namespace zantovel {

// What a pass does, or did, with one file the type reaches.
enum class FileOutcome : std::uint8_t {
  Renamed,       // given its new name
  Copied,        // copied to its new name (the all-files mode), and kept
  HasPrefix,     // passed over: it begins with the prefix already
  LongName,      // passed over: longer than 20 characters
  NameTaken,     // left: its new name is taken
  NameTooLong,   // left: its new name is longer than the file system allows
  NameReserved,  // left: its new name is one Windows keeps for a device
  ProgramFile,   // left: it is one of the program's own files
  NotAFile,      // left: no longer a file when its turn came
  NotReached,    // the pass stopped, or failed, before its turn
};
inline constexpr std::size_t kFileOutcomes = 10;

// Whether the outcome is a file given its new name, by a rename or a copy.
inline bool GetsNewName(FileOutcome outcome) {
  return outcome == FileOutcome::Renamed || outcome == FileOutcome::Copied;
}

struct FileStep {
  std::string name;
  std::string newName;  // where the pass gives one, or tried to
  FileOutcome outcome;
  std::size_t listed = 0;  // where the name stands in the listing
};

// Plans a pass over a folder's sorted listing (Folder::ListFiles) a range of it at a time, as
// the pass takes it: the match, the skip test, the numbering (which lasts from range to range),
// the new names the folder holds by then (a name the listing holds, or an earlier step made,
// is taken; one an earlier rename freed is free), and the rules of the system's names. The
// files the pass must leave alone are known by the inode the listing gives them (ownInodes,
// on the folder's device); a listing that gives none leaves that to the pass's look.
class Planner {
 public:
  Planner(const std::vector<ListedFile>& listing, std::string prefix, std::string fileType,
          std::vector<std::uint64_t> ownInodes);

  // The steps for listing[first, last), added to steps.
  void Plan(std::size_t first, std::size_t last, std::vector<FileStep>& steps);

 private:
  bool Holds(const std::string& name) const;
  void Made(std::size_t from, const std::string& newName);
  std::optional<std::size_t> Position(std::string_view name) const;

  enum class Listed : std::uint8_t { AsListed, Removed, Made };

  const std::vector<ListedFile>& listing_;
  std::string prefix_;
  const std::string fileType_;
  const bool allFiles_;
  const std::vector<std::uint64_t> ownInodes_;
  // Which names the folder holds as the plan goes along: those listed, less those renamed, with
  // those made. A pass makes names that are a listed name behind one of a few heads (the
  // prefix), so only a mark by position in the listing is kept: a plan over a million names
  // needs a few megabytes, not a copy of every name.
  std::vector<Listed> listed_;                 // by position in the listing
  std::vector<std::string> heads_;             // what made names put before a listed name
  std::vector<std::vector<bool>> madeBehind_;  // by head, by position: head + that name made
  std::unordered_set<std::string> otherMade_;  // made names of any other shape
  mutable std::size_t lastFound_ = 0;          // where Position last found a name
  mutable std::string lastMissed_;             // the name Position last did not find
};

// The whole plan of a pass over listing, as the dry run and the preview show it.
std::vector<FileStep> PlanPass(const std::vector<ListedFile>& listing, const std::string& prefix,
                               const std::string& fileType,
                               const std::vector<std::uint64_t>& ownInodes);

}  // namespace zantovel
