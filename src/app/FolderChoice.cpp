#include "app/FolderChoice.h"

#include "config/Settings.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace {

// The folder itself or its nearest existing parent; "" when the text names no absolute
// folder or the walk ends at the root (nothing of the path exists).
std::string ExistingFolderOf(const std::string& text) {
  std::string start = Platform::ExpandHome(text);
  if (!Platform::IsAbsolutePath(start)) return {};
  while (!Platform::FolderExists(start)) {
    const std::string parent = Platform::ParentFolder(start);
    if (parent.empty() || parent == start) return {};
    start = parent;
  }
  return Platform::NamesTheRoot(start) && !Platform::NamesTheRoot(Platform::ExpandHome(text))
             ? std::string()
             : start;
}

}  // namespace

std::string FolderChooserStart(const std::string& text) {
  for (const std::string& candidate : {text, CurrentSettings().DefaultCombPath}) {
    if (std::string start = ExistingFolderOf(candidate); !start.empty()) return start;
  }
  return Platform::HomeFolder().value_or(std::string());
}
