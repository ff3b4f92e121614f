#pragma once

#include <optional>
#include <string>

// The toolkit's modal dialogs. MsgBox and ChooseFolder are defined by exactly one dialogs
// library per program: the Qt one in the program and the window's tests, a recorder in the
// library's tests and the probe, a silent one in the fuzzers and the benchmark.
namespace zantovel {

enum class MsgIcon { None, Critical, Exclamation, Information };

// The native handle of the window that owns a dialog.
using WindowHandle = void*;

// A modal message box with the text, a single OK button, the icon and the caption. Returns
// when the user closes it. A file's path in the text (linked, such as the log's) opens that
// file where the toolkit's box can hold a link (Qt's); elsewhere the text stays as it is.
void MsgBox(const std::string& text, MsgIcon icon, const std::string& caption,
            const std::string& linked = {});

// A modal question with Yes and No (Yes the default, so Return confirms). Returns whether the
// user answered Yes, or that the question was withdrawn meanwhile (WithdrawQuestion).
enum class Answer { Yes, No, Withdrawn };
Answer AskYesNo(const std::string& text, const std::string& caption);

// Withdraws the question AskYesNo shows now, if it shows one: for a question that something
// that happened meanwhile made moot. Called on the thread that asks, from an event the
// question's own wait handles.
void WithdrawQuestion();

// Handles the window events already waiting, once, then shows the modal folder dialog owned by
// owner with the title, open at the folder start (the user's home folder where start names no
// folder), nothing preselected. The program's working folder stays as it was. Returns the
// chosen folder's file-system path, or the empty text when the user cancels or chooses an item
// that has no file-system path.
std::string ChooseFolder(WindowHandle owner, const std::string& title, const std::string& start);

// ChooseFolder shaped for the Folder field: the chosen folder's path ending with "/" (the root
// comes back as "/"). Returns nothing when the user cancels or picks an item without a
// file-system path.
std::optional<std::string> BrowseForFolder(WindowHandle owner, const std::string& title,
                                           const std::string& start);

}  // namespace zantovel
