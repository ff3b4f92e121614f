#include "app/command_line.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "platform/app.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/path_rules.h"
#include "platform/terminal.h"
#include "rename/rename_pass.h"
#include "rename/undo.h"
#include "store/journal.h"
#include "store/program_files.h"
#include "util/text.h"

namespace zantovel {
namespace {

constexpr const char* kUsage =
    "usage: zantovel [--folder] DIR --prefix PREFIX --type TYPE [--dry-run] [-q | -v]\n"
    "       zantovel --undo [ID] [--dry-run] [-q | -v]\n"
    "       zantovel --history\n"
    "       zantovel [DIR]   (the window)\n"
    "       zantovel [-h | --help | -V | --version]";

constexpr const char* kHelp =
    "Puts a prefix in front of the names of the files in one folder, as the window's \"Run\"\n"
    "does: every file whose lower-cased name ends with TYPE (every file, copied, for \"*.*\")\n"
    "is given PREFIX. A name longer than 20 characters, or one that begins with PREFIX\n"
    "already, is passed over (not in the \"*.*\" mode). A \"#\" in PREFIX asks for numbering:\n"
    "every \"#\" becomes \"0\", and the first file alone also gets a \"1\" after the prefix\n"
    "(IMG##_ gives IMG00_1a.jpg, then IMG00_b.jpg). Every step goes to the log.\n"
    "Without arguments (or with the toolkit's own, such as -style NAME) the window opens,\n"
    "and with a folder alone it opens on that folder; F5 there shows what Run would do.\n"
    "\n"
    "  [--folder] DIR   the folder whose files are renamed; after \"--\" a folder may start\n"
    "                   with \"-\"\n"
    "  --prefix PREFIX  what to put in front of each name\n"
    "  --type TYPE      the name ending to match, or \"*.*\"\n"
    "  --undo [ID]      take back the newest pass not yet taken back (or the pass ID), newest\n"
    "                   step first; a file changed since, or whose old name is taken again, is\n"
    "                   left as it is and named. The next --undo takes back the pass before.\n"
    "  --history        list the passes kept (the last 100, none older than 30 days): when,\n"
    "                   where, with what, and whether taken back\n"
    "  -n, --dry-run    print what the pass (or the undo) would do, one line per file, and\n"
    "                   change nothing\n"
    "  -q, --quiet      print nothing when all goes well\n"
    "  -v, --verbose    print one line per file, as the dry run does\n"
    "  -h, --help       print this text\n"
    "  -V, --version    print the version\n"
    "\n"
    "Ctrl+C stops the pass between two files; what was done stays done and can be taken back.\n"
    "On a terminal a progress line is drawn on standard error.\n"
    "Control characters and backslashes in names are printed escaped (\\n, \\x1B, \\\\).\n"
    "Exit status: 0 done, 1 the pass stopped on a failure (or the program's own files could\n"
    "not be used), 2 a usage error, 3 no pass left to take back, 130 stopped by Ctrl+C,\n"
    "143 stopped by SIGTERM.\n";

// Names are bytes: a line break or a terminal's escape sequence in a name is shown, never
// obeyed, so a name cannot fake a line of output.
std::string Printable(std::string_view text) {
  // On Windows a backslash separates folders and stands in no name, so it needs no escape.
  return EscapeControls(
      text, NativeStyle() == PathStyle::Windows ? Backslashes::AsTheyAre : Backslashes::Escaped);
}

// The toolkit's own options, which open the window: those followed by a value, then the rest.
// Qt takes them with one dash or two.
constexpr std::string_view kToolkitOptionsWithValue[] = {
    "style",         "stylesheet", "platform", "platformpluginpath", "platformtheme", "plugin",
    "session",       "display",    "geometry", "qwindowgeometry",    "qwindowtitle",  "qwindowicon",
    "qmljsdebugger", "name",       "title"};
constexpr std::string_view kToolkitFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// args without the toolkit's options (and their values); nothing when an option looks like
// one of them but is not whole (a value missing, or given to a flag).
std::optional<std::vector<std::string_view>> WithoutToolkitOptions(
    const std::vector<std::string_view>& args) {
  std::vector<std::string_view> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view name = args[i];
    if (name.substr(0, 1) != "-" || name == "--") {
      // After "--" every word is the program's.
      rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
      break;
    }
    name.remove_prefix(name.substr(0, 2) == "--" ? 2 : 1);
    const auto equals = name.find('=');
    const bool attached = equals != name.npos;
    name = name.substr(0, equals);
    const auto has = [&](const auto& names) {
      return std::find(std::begin(names), std::end(names), name) != std::end(names);
    };
    if (has(kToolkitOptionsWithValue)) {
      if (!attached && ++i >= args.size()) return std::nullopt;
    } else if (has(kToolkitFlags) && !attached) {
    } else {
      rest.push_back(args[i]);
    }
  }
  return rest;
}

// Whether args ask for the window: the toolkit's options alone, or with one folder (after
// "--" if it begins with "-"), which the window opens on.
bool OpensTheWindow(const std::vector<std::string_view>& args) {
  const std::optional<std::vector<std::string_view>> rest = WithoutToolkitOptions(args);
  if (!rest) return false;
  if (rest->empty()) return true;
  const bool separated = rest->front() == "--";
  if (rest->size() != (separated ? 2u : 1u)) return false;
  const std::string_view folder = rest->back();
  if (!separated && folder.substr(0, 1) == "-") return false;
  return KindOf(std::string(folder)) == PathKind::Folder;
}

struct Options {
  std::optional<std::string> folder, prefix, type;
  bool dryRun = false;
  bool undo = false;
  std::string undoId;  // the pass --undo names, or empty for the newest
  bool history = false;
  bool quiet = false;
  bool verbose = false;
  bool help = false;
  bool version = false;
};

// Short options given together ("-nv") as one each.
std::vector<std::string_view> Separated(const std::vector<std::string_view>& args) {
  static constexpr std::string_view kShort[] = {"-n", "-q", "-v", "-h", "-V"};
  std::vector<std::string_view> separated;
  bool onlyNames = false;
  for (const std::string_view arg : args) {
    onlyNames = onlyNames || arg == "--";
    const bool together = !onlyNames && arg.size() > 2 && arg[0] == '-' && arg[1] != '-' &&
                          std::all_of(arg.begin() + 1, arg.end(), [](char c) {
                            return std::string_view("nqvhV").find(c) != std::string_view::npos;
                          });
    if (!together) {
      separated.push_back(arg);
      continue;
    }
    for (const char c : arg.substr(1))
      for (const std::string_view option : kShort)
        if (option[1] == c) separated.push_back(option);
  }
  return separated;
}

// The options, or the reason they make no sense.
std::optional<Options> Parse(const std::vector<std::string_view>& given, std::string& problem) {
  const std::vector<std::string_view> args = Separated(given);
  Options options;
  bool onlyNames = false;  // after "--"
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (!onlyNames && arg == "--") {
      onlyNames = true;
      continue;
    }
    if (onlyNames || arg.empty() || arg.front() != '-') {
      // The folder, given without --folder. A second one is most often what a shell made of
      // an unquoted *.*: the names of the files in the working folder.
      if (!options.folder) {
        options.folder = std::string(arg);
        continue;
      }
      problem = "unexpected argument " + Printable(arg);
      if (arg.find('.') != arg.npos)
        problem += " (did the shell expand *.* into file names? quote it: '*.*')";
      return std::nullopt;
    }
    std::optional<std::string_view> attached;
    if (const auto equals = arg.find('='); arg.substr(0, 2) == "--" && equals != arg.npos) {
      attached = arg.substr(equals + 1);
      arg = arg.substr(0, equals);
    }
    std::optional<std::string>* target = arg == "--folder"   ? &options.folder
                                         : arg == "--prefix" ? &options.prefix
                                         : arg == "--type"   ? &options.type
                                                             : nullptr;
    if (arg == "--undo") {
      options.undo = true;
      // The pass to take back, given with "=" or as the next word.
      if (attached)
        options.undoId = std::string(*attached);
      else if (i + 1 < args.size() && !args[i + 1].empty() && args[i + 1].front() != '-')
        options.undoId = std::string(args[++i]);
    } else if (target != nullptr) {
      if (!attached && i + 1 >= args.size()) {
        problem = std::string(arg) + " needs a value";
        return std::nullopt;
      }
      *target = std::string(attached ? *attached : args[++i]);
    } else if (attached) {
      problem = std::string(arg) + " takes no value";
      return std::nullopt;
    } else if (arg == "--dry-run" || arg == "-n") {
      options.dryRun = true;
    } else if (arg == "--history") {
      options.history = true;
    } else if (arg == "--quiet" || arg == "-q") {
      options.quiet = true;
    } else if (arg == "--verbose" || arg == "-v") {
      options.verbose = true;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version" || arg == "-V") {
      options.version = true;
    } else {
      problem = "unknown option " + Printable(arg);
      return std::nullopt;
    }
  }
  if (options.help || options.version) return options;
  if (options.quiet && options.verbose) {
    problem = "-q and -v do not go together";
    return std::nullopt;
  }
  if (options.undo || options.history) {
    if (options.folder || options.prefix || options.type) {
      problem =
          std::string(options.undo ? "--undo takes back a pass" : "--history lists the passes") +
          ": it takes no --folder, --prefix or --type";
      return std::nullopt;
    }
    if (options.undo && options.history) {
      problem = "--undo and --history do not go together";
      return std::nullopt;
    }
    return options;
  }
  for (const auto& [value, name] :
       {std::pair{&options.folder, "--folder"}, std::pair{&options.prefix, "--prefix"},
        std::pair{&options.type, "--type"}}) {
    if (!*value) {
      problem = std::string("missing ") + name;
      return std::nullopt;
    }
  }
  return options;
}

std::string StepLine(const FileStep& step, std::string_view prefix) {
  const std::string name = Printable(step.name);
  if (GetsNewName(step.outcome)) return name + " -> " + Printable(step.newName);
  return name + ": " + Printable(OutcomeWords(step.outcome, prefix));
}

std::string UndoLine(const UndoStep& step) {
  const std::string name = Printable(step.newName);
  switch (step.outcome) {
    case UndoOutcome::RenamedBack:
      return name + " -> " + Printable(step.oldName);
    case UndoOutcome::CopyRemoved:
      return name + ": copy removed";
    case UndoOutcome::NotDone:
      return name + ": not done by the pass, or already taken back";
    case UndoOutcome::Changed:
      return name + ": left, changed since the pass";
    case UndoOutcome::Gone:
      return name + ": left, no longer there (renamed or removed since the pass)";
    case UndoOutcome::OldNameTaken:
      return name + ": left, " + Printable(step.oldName) + " is taken";
  }
  return name;
}

// One line on standard error, redrawn at most ten times a second, erased at the end.
class ProgressLine : public ProgressListener {
 public:
  explicit ProgressLine(std::FILE* err) : err_(err) {}
  ~ProgressLine() override {
    if (drawn_) std::fputs("\r\x1B[K", err_);
  }
  void FileReached(std::size_t done, std::size_t total, const std::string& name) override {
    name_ = Printable(name);
    Draw(std::to_string(done) + " of " + std::to_string(total) + " files: " + name_);
  }
  void BytesCopied(std::uint64_t done, std::uint64_t total) override {
    if (total > 0) Draw(name_ + ": " + std::to_string(done * 100 / total) + "% copied");
  }

 private:
  void Draw(const std::string& text) {
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    drawn_ = true;
    std::fprintf(err_, "\r\x1B[K%s", text.substr(0, 78).c_str());
    std::fflush(err_);
  }

  std::FILE* err_;
  std::string name_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_;
};

int StatusOf(PassEnd end, int signal) {
  switch (end) {
    case PassEnd::Done:
      return 0;
    case PassEnd::Stopped:
      return 128 + signal;
    default:
      return 1;
  }
}

// The status for there being no pass left to take back.
constexpr int kNothingToUndo = 3;

int RunUndo(const Options& options, PassContext& context, std::atomic<int>& signal, std::FILE* out,
            std::FILE* err) {
  const UndoResult result = UndoPass(context, options.undoId, options.dryRun);
  if (result.end == PassEnd::Failed && result.steps.empty()) {
    std::fprintf(err, "zantovel: %s\n", Printable(result.message).c_str());
    return result.nothingLeft ? kNothingToUndo : 1;
  }
  for (const UndoStep& step : result.steps) {
    const bool left = IsLeft(step.outcome);
    if (options.dryRun || (options.verbose && step.outcome != UndoOutcome::NotDone) || left)
      std::fprintf(left && !options.dryRun ? err : out, "%s\n", UndoLine(step).c_str());
  }
  if (result.end == PassEnd::Failed)
    std::fprintf(err, "zantovel: %s\n", Printable(result.message).c_str());
  else if (!options.quiet || result.end != PassEnd::Done)
    std::fprintf(out, "%s\n\nThe pass %s of %s in %s: %s.\n", result.message.c_str(),
                 result.id.c_str(), result.time.c_str(), Printable(result.folder).c_str(),
                 UndoCountsText(result).c_str());
  return StatusOf(result.end, signal);
}

// The passes kept, newest first: two lines each.
int RunHistory(const PassContext& context, std::FILE* out, std::FILE* err) {
  std::vector<JournalHistory::Pass> passes;
  try {
    if (context.journals) passes = context.journals->Passes();
  } catch (const PlatformError& error) {
    std::fprintf(err, "zantovel: %s\n", Printable(error.what()).c_str());
    return 1;
  }
  if (passes.empty()) std::fprintf(out, "No pass is kept.\n");
  for (const JournalHistory::Pass& pass : passes) {
    try {
      const Journal journal = ReadJournalSummary(pass.path);
      std::string counts;
      const TakenBack taken = context.journals->TakenBackOf(pass, &counts);
      const std::string ended =
          !journal.ended.empty()
              ? journal.ended
              : "cut short, " + std::to_string(journal.planned) + " steps in its journal";
      const std::string status = taken == TakenBack::No       ? "not taken back"
                                 : taken == TakenBack::Wholly ? "taken back: " + counts
                                                              : "taken back in part: " + counts;
      std::fprintf(out, "%s  %s  %s\n    prefix %s, type %s. %s. %s.\n", pass.id.c_str(),
                   journal.time.c_str(), Printable(journal.folder).c_str(),
                   Printable(journal.prefix).c_str(), Printable(journal.type).c_str(),
                   Printable(ended).c_str(), status.c_str());
    } catch (const PlatformError& error) {
      std::fprintf(out, "%s  %s\n", pass.id.c_str(), Printable(error.what()).c_str());
    }
  }
  return 0;
}

}  // namespace

std::optional<int> RunCommandLine(int argc, const char* const* argv, std::FILE* out,
                                  std::FILE* err) {
  if (argc <= 1) return std::nullopt;
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  if (OpensTheWindow(args)) return std::nullopt;
  std::string problem;
  const std::optional<Options> options = Parse(args, problem);
  if (!options) {
    std::fprintf(err, "zantovel: %s\n%s\n", problem.c_str(), kUsage);
    return 2;
  }
  if (options->help) {
    // The files this copy uses: beside it, or in the user's folders where it is installed.
    ProgramFiles files(ExecutablePath());
    std::fprintf(out, "%s\n\n%s\nSettings: %s\nLog: %s\n", kUsage, kHelp,
                 Printable(files.Settings().Path()).c_str(), Printable(files.Log().Path()).c_str());
    return 0;
  }
  if (options->version) {
    const AppVersion version = AppVersionNumbers();
    std::fprintf(out, "%s %d.%d.%d\n", AppTitle().c_str(), version.major, version.minor,
                 version.revision);
    return 0;
  }
  PrepareTerminal();
  ProgramFiles files(ExecutablePath());
  if (const std::optional<std::string> why = files.Distrust()) {
    std::fprintf(err, "zantovel: %s\n", Printable(*why).c_str());
    return 1;
  }
  std::optional<PassContext> made;
  try {
    made.emplace(ContextOf(files, !options->dryRun && !options->undo && !options->history));
  } catch (const PlatformError& error) {
    std::fprintf(err, "zantovel: %s\n", Printable(error.what()).c_str());
    return 1;
  }
  PassContext& context = *made;
  std::atomic<bool> stop{false};
  std::atomic<int> signal{0};
  StopOnInterrupt(stop, signal);
  context.stop = &stop;
  std::optional<ProgressLine> progress;
  if (!options->dryRun && IsTerminal(err)) context.progress = &progress.emplace(err);
  if (options->undo) return RunUndo(*options, context, signal, out, err);
  if (options->history) return RunHistory(context, out, err);

  std::vector<FileStep> steps;
  PassResult result{};
  if (options->dryRun) {
    result = PlanRenamePass(context, *options->folder, *options->prefix, *options->type, steps);
  } else {
    if (options->verbose) context.record = &steps;
    result = RenamePass(context, *options->folder, *options->prefix, *options->type);
  }
  progress.reset();
  for (const FileStep& step : steps)
    std::fprintf(out, "%s\n", StepLine(step, *options->prefix).c_str());
  // A dry run that reaches nothing says so, and why that may be.
  if (options->dryRun && steps.empty() && result.done())
    std::fprintf(out, "No file would be renamed. %s\n", WhyNothingMatched(*options->type).c_str());
  if (result.end == PassEnd::Failed || result.end == PassEnd::PrefixRefused) {
    std::fprintf(err, "zantovel: %s\n", Printable(result.message).c_str());
  } else if (!options->dryRun && (!options->quiet || !result.done())) {
    std::fprintf(result.done() ? out : err, "%s\n",
                 PassSummary(result, *options->prefix, *options->type, files.Log().Path()).c_str());
  }
  return StatusOf(result.end, signal);
}

}  // namespace zantovel
