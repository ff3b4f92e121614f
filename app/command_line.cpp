#include "app/command_line.h"

#include <string>
#include <string_view>
#include <vector>

#include "platform/app.h"
#include "rename/rename_pass.h"
#include "store/program_files.h"
#include "util/text.h"

namespace zantovel {
namespace {

constexpr const char* kUsage =
    "usage: zantovel [--folder DIR --prefix PREFIX --type TYPE [--dry-run]] [--help] [--version]";

constexpr const char* kHelp =
    "Puts a prefix in front of the names of the files in one folder, as the window's \"Run\"\n"
    "does: every file whose lower-cased name ends with TYPE (every file, copied, for \"*.*\")\n"
    "is given PREFIX, a \"#\" in PREFIX asking for numbering. Every step goes to the log.\n"
    "Without arguments the window opens.\n"
    "\n"
    "  --folder DIR     the folder whose files are renamed\n"
    "  --prefix PREFIX  what to put in front of each name\n"
    "  --type TYPE      the name ending to match, or \"*.*\"\n"
    "  -n, --dry-run    print what the pass would do, one line per file, and change nothing\n"
    "  --help           print this text\n"
    "  --version        print the version\n"
    "\n"
    "Control characters and backslashes in names are printed escaped (\\n, \\x1B, \\\\).\n"
    "Exit status: 0 done, 1 the pass stopped on a failure, 2 a usage error.\n";

// Names are bytes: a line break or a terminal's escape sequence in a name is shown, never
// obeyed, so a name cannot fake a line of output.
std::string Printable(std::string_view text) {
  return EscapeControls(text, Backslashes::Escaped);
}

struct Options {
  std::optional<std::string> folder, prefix, type;
  bool dryRun = false;
  bool help = false;
  bool version = false;
};

// The options, or the reason they make no sense.
std::optional<Options> Parse(const std::vector<std::string_view>& args, std::string& problem) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    std::optional<std::string_view> attached;
    if (const auto equals = arg.find('='); arg.substr(0, 2) == "--" && equals != arg.npos) {
      attached = arg.substr(equals + 1);
      arg = arg.substr(0, equals);
    }
    std::optional<std::string>* target = arg == "--folder"   ? &options.folder
                                         : arg == "--prefix" ? &options.prefix
                                         : arg == "--type"   ? &options.type
                                                             : nullptr;
    if (target != nullptr) {
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
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else {
      problem = "unknown option " + Printable(arg);
      return std::nullopt;
    }
  }
  if (options.help || options.version) return options;
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

std::string StepLine(const FileStep& step) {
  const std::string name = Printable(step.name);
  switch (step.outcome) {
    case FileOutcome::Renamed:
      return name + " -> " + Printable(step.newName);
    case FileOutcome::PassedOver:
      return name + ": passed over";
    case FileOutcome::NameTaken:
      return name + ": new name taken";
    case FileOutcome::ProgramFile:
      return name + ": in use by Zantovel";
    case FileOutcome::NotAFile:
      return name + ": not a file";
    case FileOutcome::NameTooLong:
      return name + ": new name too long";
  }
  return name;
}

}  // namespace

std::optional<int> RunCommandLine(int argc, const char* const* argv, std::FILE* out,
                                  std::FILE* err) {
  if (argc <= 1) return std::nullopt;
  std::string problem;
  const std::optional<Options> options =
      Parse(std::vector<std::string_view>(argv + 1, argv + argc), problem);
  if (!options) {
    std::fprintf(err, "zantovel: %s\n%s\n", problem.c_str(), kUsage);
    return 2;
  }
  if (options->help) {
    std::fprintf(out, "%s\n\n%s", kUsage, kHelp);
    return 0;
  }
  if (options->version) {
    const AppVersion version = AppVersionNumbers();
    std::fprintf(out, "%s %d.%d.%d\n", AppTitle().c_str(), version.major, version.minor,
                 version.revision);
    return 0;
  }
  ProgramFiles files(ExecutablePath());
  PassContext context{files.Log(), files.OwnFiles()};
  context.journalPath = files.JournalPath();
  PassResult result{};
  if (options->dryRun) {
    std::vector<FileStep> steps;
    result = PlanRenamePass(context, *options->folder, *options->prefix, *options->type, steps);
    for (const FileStep& step : steps) std::fprintf(out, "%s\n", StepLine(step).c_str());
  } else {
    result = RenamePass(context, *options->folder, *options->prefix, *options->type);
    if (result.done()) std::fprintf(out, "%s\n", result.message.c_str());
  }
  if (!result.done()) std::fprintf(err, "%s\n", Printable(result.message).c_str());
  return result.done() ? 0 : 1;
}

}  // namespace zantovel
