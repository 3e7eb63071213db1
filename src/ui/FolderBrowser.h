#pragma once

#include <optional>
#include <string>

class QWidget;

// The folder chooser behind every "..." button, titled `title` and opening at `start`:
// the folder the user picked, in the system's notation, or nothing.
namespace FolderBrowser {

std::optional<std::string> Choose(QWidget* owner, const std::string& title,
                                  const std::string& start);

}  // namespace FolderBrowser
