#pragma once

#include <string>

// Where a folder chooser opens for the text of a folder field: the folder it names
// ("~/" expanded), or its nearest existing parent when it does not exist yet.
std::string FolderChooserStart(const std::string& text);
