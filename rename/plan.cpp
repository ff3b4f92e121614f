#include "rename/plan.h"

#include <algorithm>

#include "platform/path_rules.h"
#include "rename/name_rules.h"

namespace zantovel {

Planner::Planner(const std::vector<ListedFile>& listing, std::string prefix, std::string fileType,
                 std::vector<std::uint64_t> ownInodes)
    : listing_(listing),
      prefix_(std::move(prefix)),
      fileType_(std::move(fileType)),
      allFiles_(IsAllFiles(fileType_)),
      ownInodes_(std::move(ownInodes)),
      listed_(listing.size(), Listed::AsListed) {}

void Planner::Plan(std::size_t first, std::size_t last, std::vector<FileStep>& steps) {
  for (std::size_t at = first; at < last; ++at) {
    const ListedFile& file = listing_[at];
    if (!allFiles_ && !TypeMatches(file.name, fileType_)) continue;
    FileStep& step = steps.emplace_back(FileStep{file.name, {}, FileOutcome::Renamed, at});
    const PassOver passOver = allFiles_ ? PassOver::No : WhyPassedOver(file.name, prefix_);
    if (passOver != PassOver::No) {
      step.outcome =
          passOver == PassOver::HasPrefix ? FileOutcome::HasPrefix : FileOutcome::LongName;
      continue;
    }
    // The program's own files are left before they take a number.
    if (file.inode != 0 &&
        std::find(ownInodes_.begin(), ownInodes_.end(), file.inode) != ownInodes_.end()) {
      step.outcome = FileOutcome::ProgramFile;
      continue;
    }
    step.newName = NewFileName(prefix_, file.name, allFiles_);
    if (!NameFitsLength(step.newName)) {
      step.outcome = FileOutcome::NameTooLong;
    } else if (IsReservedName(step.newName)) {
      step.outcome = FileOutcome::NameReserved;
    } else if (Holds(step.newName)) {
      step.outcome = FileOutcome::NameTaken;
    } else {
      step.outcome = allFiles_ ? FileOutcome::Copied : FileOutcome::Renamed;
      Made(at, step.newName);
      if (!allFiles_) listed_[at] = Listed::Removed;
    }
  }
}

bool Planner::Holds(const std::string& name) const {
  if (const std::optional<std::size_t> at = Position(name)) return listed_[*at] != Listed::Removed;
  for (std::size_t head = 0; head < heads_.size(); ++head)
    if (name.starts_with(heads_[head]))
      if (const auto at = Position(std::string_view(name).substr(heads_[head].size())))
        if (madeBehind_[head][*at]) return true;
  return otherMade_.count(name) > 0;
}

void Planner::Made(std::size_t from, const std::string& newName) {
  if (const std::optional<std::size_t> at = Position(newName)) {
    listed_[*at] = Listed::Made;
    return;
  }
  const std::string& name = listing_[from].name;
  if (newName.size() <= name.size() || !newName.ends_with(name)) {
    otherMade_.insert(newName);
    return;
  }
  const std::string_view head(newName.data(), newName.size() - name.size());
  auto found = std::find(heads_.begin(), heads_.end(), head);
  if (found == heads_.end()) {
    heads_.emplace_back(head);
    madeBehind_.emplace_back(listing_.size(), false);
    found = heads_.end() - 1;
  }
  madeBehind_[static_cast<std::size_t>(found - heads_.begin())][from] = true;
}

// Where name stands in the listing. A plan goes down the listing in order and asks mostly for
// the name it is at: the one found last, and the one after it, are tried before a search.
std::optional<std::size_t> Planner::Position(std::string_view name) const {
  for (const std::size_t at : {lastFound_, lastFound_ + 1})
    if (at < listing_.size() && listing_[at].name == name) return lastFound_ = at;
  if (name == lastMissed_) return std::nullopt;  // a new name, asked for twice in a row
  const auto found = std::lower_bound(
      listing_.begin(), listing_.end(), name,
      [](const ListedFile& file, std::string_view wanted) { return file.name < wanted; });
  if (found == listing_.end() || found->name != name) {
    lastMissed_ = name;
    return std::nullopt;
  }
  return lastFound_ = static_cast<std::size_t>(found - listing_.begin());
}

std::vector<FileStep> PlanPass(const std::vector<ListedFile>& listing, const std::string& prefix,
                               const std::string& fileType,
                               const std::vector<std::uint64_t>& ownInodes) {
  std::vector<FileStep> steps;
  Planner(listing, prefix, fileType, ownInodes).Plan(0, listing.size(), steps);
  return steps;
}

}  // namespace zantovel
