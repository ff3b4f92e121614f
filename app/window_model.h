#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "platform/dialogs.h"
#include "rename/plan.h"
#include "rename/undo.h"
#include "store/program_files.h"

namespace zantovel {

// The window's three inputs, as its text boxes hold them.
struct WindowFields {
  std::string folder;
  std::string prefix;
  std::string type;
};

// What the window does, apart from drawing itself: a window of any toolkit draws the controls
// and hands its events here. Knows no toolkit, so it is tested without a display.
class UndoPlanning;

class WindowModel {
 public:
  // A window of the program whose settings and log are `files`.
  explicit WindowModel(ProgramFiles& files) : files_(files) {}

  // The caption: the title, " v" and the version, "Zantovel v1.0.0".
  static std::string Caption();

  // Why the window must not use the program's files (ProgramFiles::Distrust): it then says so
  // and closes, having read and written nothing.
  std::optional<std::string> Distrust() const;

  // The fields as the last window closed left them, or their defaults.
  WindowFields Restore() const;

  // Keeps the fields for the next start, in one save, so that of two windows closing at once
  // the last one decides. A save that fails is not reported: the fields are not kept.
  void Keep(const WindowFields& fields);

  // One rename pass with the fields, for a window that runs it off its own thread: progress is
  // told of its progress there, and stop may be set from any thread. The fields are not
  // changed.
  PassResult RunPass(const WindowFields& fields, ProgressListener* progress,
                     const std::atomic<bool>* stop, std::vector<FileStep>* record = nullptr);

  // What a pass with the fields would do, file by file (PlanRenamePass), for the preview. Safe
  // to call from a thread of its own while a pass runs: it reads the program's files afresh.
  PassResult Preview(const WindowFields& fields, std::vector<FileStep>& steps) const;

  // A message box's text and icon.
  struct Box {
    std::string text;
    MsgIcon icon;
    std::string linked = {};  // a file the text names that the box may open: the log
  };
  // The box after a pass: the summary ("Done" first) with no icon, a refused prefix with an
  // exclamation mark, a failure or a stop with the critical or the information icon.
  Box AfterPass(const PassResult& result, const WindowFields& fields) const;

  // Taking back a pass, as Ctrl+Z does: the newest not yet taken back, and the next Ctrl+Z the
  // one before. The plan of taking it back: the pass and the question to confirm it with (its
  // folder, time and inputs, then what will happen, a count a line), or nothing with the box
  // that says why nothing can be taken back.
  struct UndoPlan {
    std::string id;
    std::string question;
  };
  std::optional<UndoPlan> PlanUndo(Box& nothing) const;
  // Asks the plan's question, or shows why nothing can be taken back (nothing). Returns the
  // pass to take back when the user confirmed.
  static std::optional<std::string> ConfirmUndo(const std::optional<UndoPlan>& plan,
                                                const Box& nothing);
  UndoResult UndoPass(const std::string& id, ProgressListener* progress,
                      const std::atomic<bool>* stop);
  Box AfterUndo(const UndoResult& result) const;

  // The help box.
  static void ShowHelp();

  // What the Folder field holds after the folder picker: the chosen folder, or current when
  // the picker was cancelled.
  static std::string PickFolder(WindowHandle owner, const std::string& current);

  // The Folder field's text for a path given from outside the field (the command line, a
  // drop): a folder, or a file's folder, made absolute and ending in the separator, as the
  // picker gives it; nothing for a path that names neither.
  static std::optional<std::string> FolderFieldFor(const std::string& path);

  // The folder the Folder field names: on Linux a leading "~" (alone or before "/") is the
  // user's home, as in the shell; anything else as it is.
  static std::string FolderNamed(const std::string& field);

  // What the pointer moved over, as the hover rules see it: a move over a rectangle where no
  // label covers it is a move over the background.
  enum class PointerOver { Background, BrowseButton, RunButton };

  // Whether the rectangle behind "..." and the one behind "Run" are lit.
  struct Highlights {
    bool browse = false;
    bool run = false;
    bool operator==(const Highlights&) const = default;
  };

  // The rectangles after the pointer moved over `where`. A label-button lights its own
  // rectangle, and the background puts both out.
  Highlights PointerMoved(PointerOver where);

  // Which rectangles are lit now.
  Highlights Lit() const { return highlights_; }

 private:
  ProgramFiles& files_;
  Highlights highlights_;
};

// Works out the plan of taking back a pass (WindowModel::PlanUndo) beside the window, since
// its checks look at every file the pass named, which on a slow folder takes seconds: the
// window stays alive meanwhile. ready is called on the worker once the plan can be taken; the
// window takes it on its own thread.
class UndoPlanning {
 public:
  explicit UndoPlanning(std::function<void()> ready) : ready_(std::move(ready)) {}
  // A plan still being worked out is waited for.
  ~UndoPlanning();
  UndoPlanning(const UndoPlanning&) = delete;
  UndoPlanning& operator=(const UndoPlanning&) = delete;

  // Starts working out the plan, unless one is being worked out (then false).
  bool Start(const WindowModel& model);
  // Whether a plan is being worked out, or is ready and not yet taken.
  bool Running() const { return worker_.joinable(); }
  // On the window's thread, after ready: the plan, or nothing with the box that says why.
  std::optional<WindowModel::UndoPlan> Take(WindowModel::Box& nothing);

 private:
  std::function<void()> ready_;
  std::thread worker_;
  std::optional<WindowModel::UndoPlan> plan_;  // written by the worker before ready
  WindowModel::Box nothing_;
};

}  // namespace zantovel
