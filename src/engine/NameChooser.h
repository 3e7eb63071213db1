#pragma once

#include <string>
#include <string_view>

#include "engine/FolderRecord.h"
#include "sources/CCacheBrowser.h"

// The token of a file-name stem that stands for the original name.
inline constexpr std::string_view kNameToken = "%NAME%";

// Picks the names of one entry's file in a folder: stem + running number + extension,
// or with %NAME% the original name, numbered only when taken (photo.jpg, photo-1.jpg).
class NameChooser {
 public:
  NameChooser(const std::string& stem, const CCacheBrowser::CCacheElement& entry,
              FolderRecord& folder);
  // The next name not known to be taken.
  std::string Next();

 private:
  FolderRecord& Folder;
  std::string Stem;
  std::string Extension;
  bool Original = false;
  int Tries = 0;
};

// What %NAME% becomes: the original file name without its extension (see FileNames).
std::string OriginalStem(const CCacheBrowser::CCacheElement& entry);
