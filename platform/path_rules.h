#pragma once

#include <string>
#include <string_view>

// What paths and names look like. Every rule takes the style it applies to, so the Windows
// rules are tested by the Linux build too; NativeStyle() is the style of the system the program
// is built for (defined with that system's primitives).
namespace zantovel {

enum class PathStyle { Posix, Windows };

PathStyle NativeStyle();

// Where the two systems differ by design:
//
//                        Posix            Windows
//   separator            "/"              "\" (and "/" taken as one)
//   a root               "/"              "C:\" (a drive letter, ":" and a separator)
//   folder offered first "/tmp/"          "c:\windows\temp\"
//   not in a name        "/" and NUL      \ / : * ? " < > | and control characters
char PathSeparator(PathStyle style = NativeStyle());
bool IsPathSeparator(char c, PathStyle style = NativeStyle());
std::string_view DefaultFolder(PathStyle style = NativeStyle());

// Whether text may stand in a file name: the prefix of a pass must name a file in its folder.
bool FitsInName(std::string_view text, PathStyle style = NativeStyle());

// Whether path is absolute: it starts at the root ("/"; on Windows "C:\" or "\\server").
bool IsAbsolutePath(std::string_view path, PathStyle style = NativeStyle());

// Whether name is the name of one entry in one folder, as a listing gives it: not empty, not
// "." or "..", no separator and no NUL (on Windows no ":" either, which names a stream).
bool IsSingleName(std::string_view name, PathStyle style = NativeStyle());

// Whether a name is short enough for the system to give it: 255 bytes on Linux, 255 UTF-16
// units on Windows.
bool NameFitsLength(std::string_view name, PathStyle style = NativeStyle());

// Whether Windows keeps name for a device: CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9
// (and COM or LPT with a superscript 1, 2 or 3), in any letter case, alone or before a dot,
// spaces before the dot counting for nothing. Such a name can be given through a path in the
// \\?\ form, but most programs cannot then open the file. No name is reserved on Linux.
bool IsReservedName(std::string_view name, PathStyle style = NativeStyle());

// The characters FitsInName refuses, as a sentence names them.
std::string_view ForbiddenInNamesText(PathStyle style = NativeStyle());

// folder + separator + name, with a single separator when folder already ends with one (the
// root).
std::string JoinPath(std::string_view folder, std::string_view name,
                     PathStyle style = NativeStyle());

// The folder that holds the file at path. Ends with a separator only when it is the root ("/",
// or C:\); "." when path names no folder.
std::string FolderOf(std::string_view path, PathStyle style = NativeStyle());

// The last part of path: the name of the file or folder it names.
std::string FileNameOf(std::string_view path, PathStyle style = NativeStyle());

// The file name of path without folder and without extension; a leading dot names a hidden
// file, not an extension.
std::string StemOf(std::string_view path, PathStyle style = NativeStyle());

}  // namespace zantovel
