#pragma once

#include <optional>
#include <string>

#include "win32/WinHeaders.h"

// The shell's own dialogs (the common item dialogs) and its "open" action. Paths cross
// as UTF-8; a cancelled dialog gives nothing.
namespace ShellDialogs {

// A folder of the file system, the one in `initial` preselected when it exists.
std::optional<std::string> ChooseFolder(HWND owner, const std::string& title,
                                        const std::string& initial);
// A filter file (*.flt) to open, starting in `folder`.
std::optional<std::string> ChooseFilterFileToOpen(HWND owner, const std::string& folder);
// A filter file to save into; ".flt" is added to a name without an extension, and an
// existing file is replaced only after the dialog has asked.
std::optional<std::string> ChooseFilterFileToSave(HWND owner, const std::string& folder);

// Hands a file, folder or web address to the shell's default action.
bool Open(const std::string& target);

}  // namespace ShellDialogs
