#include "app/FolderChoice.h"

#include "platform/Files.h"
#include "platform/Paths.h"

std::string FolderChooserStart(const std::string& text) {
  std::string start = Platform::ExpandHome(text);
  while (!start.empty() && !Platform::FolderExists(start)) {
    const std::string parent = Platform::ParentFolder(start);
    if (parent == start) break;
    start = parent;
  }
  return start;
}
