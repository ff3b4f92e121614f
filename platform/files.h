#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The file-system operations a rename pass and the log need. Every function that can fail
// throws PlatformError whose text names the operation, the path and the system's reason.
namespace zantovel {

// folder + "/" + name, with a single separator when folder already ends with one (the root).
std::string JoinPath(std::string_view folder, std::string_view name);

// The absolute path of the folder that folderText names, without a trailing "/" (the root
// stays "/"). A relative text is taken from the working directory. Throws when folderText is
// empty, does not exist or is not a folder.
std::string GetFolderPath(const std::string& folderText);

// The names of the regular files and symbolic links directly inside folder, hidden ones
// included, in byte order. Subfolders, pipes, sockets and devices are not listed.
std::vector<std::string> ListFolderFiles(const std::string& folder);

enum class CopyOutcome { Copied, TargetExists };

// Copies folder/name to folder/newName without ever replacing an existing newName: the test
// for an existing name and the creation of the new one are a single operation. A regular
// file keeps its permission bits and modification time, and its new name appears only once
// its content is complete; a symbolic link is copied as a link. Returns TargetExists, having
// changed nothing, when anything (even a dangling link) already has the new name.
CopyOutcome CopyFileNoReplace(const std::string& folder, const std::string& name,
                              const std::string& newName);

// Removes folder/name, taken literally.
void RemoveFile(const std::string& folder, const std::string& name);

// Whether path names an existing regular file (a link is followed), taken literally.
bool IsRegularFile(const std::string& path);

// Adds data at the end of the file at path in one write. With create, a missing file is
// created; an existing file is never truncated.
void AppendToFile(const std::string& path, std::string_view data, bool create);

// The whole content of the regular file at path, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces the content of the file at path (creating it when missing) by writing a new file
// beside it and renaming it over the old one: a crash or a full disk leaves either the old
// file or the new one, never a mix. Keeps the old file's permission bits. Returns false, with
// the old file untouched and no temporary file left, when any step fails.
bool ReplaceFileContent(const std::string& path, std::string_view content);

}  // namespace zantovel
