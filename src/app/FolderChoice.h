#pragma once

#include <string>

// Where a folder chooser opens for the text of a folder field: the folder it names
// ("~/" expanded), or its nearest existing parent when it does not exist yet. A field
// that names no absolute folder (empty, relative, or nothing of it exists) opens at the
// default output folder the same way, else at the home folder: never at the working
// folder, which means nothing to the user of a tray program.
std::string FolderChooserStart(const std::string& text);
