#pragma once

#include <string>
#include <vector>

// One language file as the options dialog lists it.
struct LanguageEntry {
  std::string Name;  // the file's display name; "" when it has none
  std::string Path;
};

// The options dialog's language list and what it selects.
struct LanguageList {
  std::vector<LanguageEntry> Entries;
  // Index of the entry whose path equals the current Language exactly; -1 when the
  // list is empty.
  int Selected = -1;
  // The Language setting to adopt: unchanged when an entry matched or the list is
  // empty, else the path of the first entry (which is then selected).
  std::string Language;
};

// Lists the "*.lng" files of `languagesFolder` (the extension compared without regard
// to case; sub-folders skipped), sorted by file name, since the order of a folder
// listing is arbitrary on this system. Two files with the same display name are both
// listed, each with its own path.
LanguageList BuildLanguageList(const std::string& languagesFolder,
                               const std::string& currentLanguage);
