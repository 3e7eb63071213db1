#include "config/OutputFolderCheck.h"

#include <string>

#include "platform/Files.h"
#include "platform/Paths.h"

namespace {

// Whether the nearest part of the path that exists is something other than a folder.
bool FileInTheWay(std::string path) {
  // Each pass takes one piece off the end, so the walk ends at the root.
  while (!path.empty()) {
    if (Platform::PathExists(path)) return !Platform::FolderExists(path);
    const std::string parent = Platform::ParentFolder(path);
    if (parent == path) break;
    path = parent;
  }
  return false;
}

}  // namespace

OutputFolderProblem CheckOutputFolder(std::string_view text) {
  const std::string expanded = Platform::ExpandHome(text);
  if (expanded.empty() || !Platform::IsAbsolutePath(expanded) ||
      expanded.find('\0') != std::string::npos) {
    return OutputFolderProblem::NotAbsolute;
  }
  if (Platform::NamesTheRoot(expanded)) return OutputFolderProblem::IsRoot;
  if (FileInTheWay(Platform::WithoutTrailingSeparators(expanded))) {
    return OutputFolderProblem::CannotCreate;
  }
  if (!Platform::IsLocalFolderPath(text)) return OutputFolderProblem::NotLocal;
  if (Platform::IsOnReadOnlyFileSystem(Platform::LexicallyNormal(expanded))) {
    return OutputFolderProblem::ReadOnly;
  }
  return OutputFolderProblem::None;
}

UiTextKey OutputFolderProblemText(OutputFolderProblem problem) {
  switch (problem) {
    case OutputFolderProblem::NotAbsolute:
      return UiTextKey::ErrorDirectoryNotAbsolute;
    case OutputFolderProblem::IsRoot:
      return UiTextKey::ErrorDirectoryIsRoot;
    case OutputFolderProblem::CannotCreate:
      return UiTextKey::ErrorDirectoryCannotCreate;
    case OutputFolderProblem::NotLocal:
      return UiTextKey::ErrorDirectoryNotLocal;
    case OutputFolderProblem::ReadOnly:
      return UiTextKey::ErrorDirectoryReadOnly;
    case OutputFolderProblem::None:
      break;
  }
  return UiTextKey::ErrorUnknown;
}
