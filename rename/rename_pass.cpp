#include "rename/rename_pass.h"

#include <chrono>
#include <functional>
#include <optional>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/path_rules.h"
#include "rename/executor.h"
#include "rename/name_rules.h"
#include "store/activity_log.h"
#include "store/journal.h"
#include "store/program_files.h"

namespace zantovel {
namespace {

// How many names are planned, journalled and put on disk at a time.
constexpr std::size_t kBatch = 1000;

PassResult Ended(PassEnd end, std::string message) {
  PassResult result;
  result.end = end;
  result.message = std::move(message);
  return result;
}

std::optional<PassResult> RefusedPrefix(const std::string& prefix) {
  if (FitsInName(prefix)) return std::nullopt;
  return Ended(PassEnd::PrefixRefused, "The prefix may not contain " +
                                           std::string(ForbiddenInNamesText()) +
                                           ": it must name a file in the chosen folder.");
}

// The files a pass must leave alone, whatever their names: the program, its settings and its
// log. Compared by identity, so no other name for them (a hard link) gets past.
std::vector<FileId> OwnFileIds(const PassContext& context) {
  std::vector<FileId> files;
  std::vector<std::string> paths = context.ownFiles;
  paths.push_back(context.log.Path());
  for (const std::string& path : paths)
    if (const std::optional<FileId> id = IdentityOf(path)) files.push_back(*id);
  return files;
}

// Those of the files that lie on the folder's device, by the inode a listing gives them.
std::vector<std::uint64_t> InodesOn(const Folder& folder, const std::vector<FileId>& files) {
  std::vector<std::uint64_t> inodes;
  for (const FileId& id : files)
    if (id.device == folder.Id().device) inodes.push_back(id.inode);
  return inodes;
}

std::int64_t NowInNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

PassContext ContextOf(ProgramFiles& files, bool makeFolders) {
  PassContext context{files.Log(), files.OwnFiles()};
  context.journals.emplace(files.JournalFolder(), files.LegacyJournal());
  if (!makeFolders) return context;
  try {
    files.MakeStateFolder();
  } catch (const PlatformError& error) {
    if (files.Log().Path().rfind(JoinPath(files.StateFolder(), ""), 0) == 0) throw;
    context.journals.reset();
    context.journalProblem = error.what();
  }
  return context;
}

namespace {

// The steps of a pass taken, a thousand names at a time: planned, looked at and journalled,
// the journal put on disk, then done. Each batch's steps go to tally as they ended.
class Batches {
 public:
  Batches(Planner& planner, Executor& executor, std::optional<JournalWriter>& journal,
          PassResult& result)
      : planner_(planner), executor_(executor), journal_(journal), result_(result) {}

  // False when a stop was asked for.
  bool Run(std::size_t listed, const std::function<void(std::vector<FileStep>&)>& tally) {
    std::vector<FileStep> batch;
    for (std::size_t first = 0; first < listed; first += kBatch) {
      planner_.Plan(first, std::min(listed, first + kBatch), batch);
      const bool going = executor_.Look(batch) && FlushJournal() && executor_.Run(batch);
      tally(batch);
      if (!going) return false;
    }
    return true;
  }

 private:
  bool FlushJournal() {
    if (!journal_) return true;
    try {
      journal_->Flush();
    } catch (const PlatformError& error) {
      // A journal that cannot be started leaves the pass without undo; one that fails later
      // stops it, since its later steps could not be taken back.
      if (journal_->Started()) throw;
      result_.journalProblem = error.what();
      executor_.DropJournal();
      journal_.reset();
    }
    return true;
  }

  Planner& planner_;
  Executor& executor_;
  std::optional<JournalWriter>& journal_;
  PassResult& result_;
};

// The journal of a pass over folder, when the context keeps journals: passes the history no
// longer keeps go first. Without a folder for it the pass has none, and says why.
void StartJournal(std::optional<JournalWriter>& journal, const PassContext& context,
                  const Folder& folder, const std::string& folderText, const std::string& prefix,
                  const std::string& fileType, PassResult& result) {
  if (!context.journals) return;
  try {
    MakeFolders(context.journals->Folder());
  } catch (const PlatformError& error) {
    result.journalProblem = error.what();
    return;
  }
  const std::tm now = context.log.Now();
  try {
    context.journals->Prune(now);
  } catch (const PlatformError&) {
    // A history that cannot be listed now keeps its old passes until a later pass can.
  }
  const std::int64_t started = NowInNanoseconds();
  journal.emplace(*context.journals, started / 1'000'000,
                  Journal{folderText,
                          folder.Path(),
                          prefix,
                          fileType,
                          LogTimestamp(context.log.Now()),
                          started,
                          folder.TemporaryStem(),
                          folder.MayUsePlaceholders(),
                          {},
                          0,
                          {}});
}

// The counts close the pass's lines, however it ended, unless the log itself failed; a log that
// fails only here fails the pass.
void CloseTheLog(PassContext& context, PassResult& result, const std::string& fileType) {
  if (result.counts.Reached() == 0 && result.end != PassEnd::Stopped) return;
  try {
    context.log.Write({CountsLine(result, IsAllFiles(fileType))});
  } catch (const PlatformError& error) {
    if (result.end != PassEnd::Failed) {
      result.end = PassEnd::Failed;
      result.message = error.what();
    }
  }
}

}  // namespace

PassResult RenamePass(PassContext& context, const std::string& folderPath,
                      const std::string& prefix, const std::string& fileType) {
  if (std::optional<PassResult> refused = RefusedPrefix(prefix)) return *refused;
  PassResult result = Ended(PassEnd::Done, "Done");
  result.journalProblem = context.journalProblem;
  const auto tally = [&](std::vector<FileStep>& steps) {
    for (const FileStep& step : steps) {
      result.counts.Add(step);
      if (context.record != nullptr && step.outcome != FileOutcome::NotReached)
        context.record->push_back(step);
    }
    steps.clear();
  };
  // The executor's copies still waiting go with it, through the folder, and it writes to the
  // journal: it goes first.
  std::optional<Folder> opened;
  std::optional<JournalWriter> journal;
  std::optional<Executor> executor;
  try {
    Folder& folder = opened.emplace(folderPath);
    const std::vector<ListedFile> listing = folder.ListFiles();
    // What a killed pass left is removed first: it may hold the space this pass needs.
    folder.RemoveLeftovers();
    folder.ControlCopies({context.stop, [&context](std::uint64_t done, std::uint64_t total) {
                            if (context.progress != nullptr)
                              context.progress->BytesCopied(done, total);
                          }});
    StartJournal(journal, context, folder, folderPath, prefix, fileType, result);
    const std::vector<FileId> own = OwnFileIds(context);
    Planner planner(listing, prefix, fileType, InodesOn(folder, own));
    executor.emplace(folder, context.log,
                     Executor::Options{folderPath, own, journal ? &*journal : nullptr,
                                       context.progress, context.stop, listing.size()});
    if (!Batches(planner, *executor, journal, result).Run(listing.size(), tally)) {
      result.end = PassEnd::Stopped;
      result.message = "Stopped";
    }
    if (journal) journal->Close(CountsLine(result, IsAllFiles(fileType)));
    folder.Flush();
  } catch (const PlatformError& error) {
    result.end = PassEnd::Failed;
    result.message = error.what();
    // The steps done before the failure are told of before it, and the journal tells how the
    // pass ended; a log or a journal that fails again here has said why in the failure itself.
    try {
      if (executor) executor->WriteWaitingLines();
    } catch (const PlatformError&) {
    }
    try {
      if (journal) journal->Close(CountsLine(result, IsAllFiles(fileType)));
    } catch (const PlatformError&) {
    }
  }
  CloseTheLog(context, result, fileType);
  return result;
}

PassResult PlanRenamePass(const PassContext& context, const std::string& folderPath,
                          const std::string& prefix, const std::string& fileType,
                          std::vector<FileStep>& steps) {
  if (std::optional<PassResult> refused = RefusedPrefix(prefix)) return *refused;
  PassResult result = Ended(PassEnd::Done, "Done");
  try {
    const Folder folder(folderPath);
    steps = PlanPass(folder.ListFiles(), prefix, fileType, InodesOn(folder, OwnFileIds(context)));
  } catch (const PlatformError& error) {
    return Ended(PassEnd::Failed, error.what());
  }
  for (const FileStep& step : steps) result.counts.Add(step);
  return result;
}

}  // namespace zantovel
