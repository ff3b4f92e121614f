#pragma once

#include <string>

// The toolkit's modal dialogs. The program links the Qt implementation; the library's tests
// link a recorder in its place, so every box can be checked without a display.
namespace zantovel {

enum class MsgIcon { None, Critical, Exclamation, Information };

// The native handle of the window that owns a dialog.
using WindowHandle = void*;

// A modal message box with the text, a single OK button, the icon and the caption. Returns
// when the user closes it.
void MsgBox(const std::string& text, MsgIcon icon, const std::string& caption);

// Handles the window events already waiting, once, then shows the modal folder dialog owned by
// owner with the title, nothing preselected. Returns the chosen folder's file-system path, or
// the empty text when the user cancels or chooses an item that has no file-system path.
std::string ChooseFolder(WindowHandle owner, const std::string& title);

}  // namespace zantovel
