#pragma once

#include <string_view>

#include "config/UiTexts.h"

// Why a filter's output folder is refused, so the editor can say so instead of only
// "the folder path is wrong".
enum class OutputFolderProblem {
  None,
  NotAbsolute,   // empty, or relative to wherever the program happens to run
  IsRoot,        // the root folder itself
  CannotCreate,  // a file (not a folder) stands where the folder or one above it would be
  NotLocal,      // on a network file system or a removable drive
  ReadOnly,      // on a file system mounted read-only: nothing could be saved there
};

// Checks a folder text as a filter holds it ("~/" for the home folder allowed, %DATE% and
// %TIME% taken as they stand): None when Platform::IsLocalFolderPath accepts it and its file
// system takes files.
OutputFolderProblem CheckOutputFolder(std::string_view text);

// The sentence that explains a problem (None has none: ErrorUnknown).
UiTextKey OutputFolderProblemText(OutputFolderProblem problem);
