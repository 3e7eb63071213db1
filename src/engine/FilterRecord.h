#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sources/ContentKinds.h"

// One filter of the filter set. A new record has all numbers 0, all texts empty and
// is enabled.
struct FilterRecord {
  bool Disabled = false;
  KindCode ContentType = 0;  // 0: every kind
  int32_t MinSize = 0;       // bytes; 0: no limit
  std::string URL;           // words as typed, separated by ','
  std::vector<std::string> UrlWords;
  int32_t MinWidth = 0;  // the pixel test runs only when both minimums are non-zero
  int32_t MinHeight = 0;
  std::string ResolvedDirectory;  // Directory with its tokens replaced
  std::string Directory;          // as typed; may hold %DATE% and %TIME%
  std::string FileNameDummy;      // stem of saved file names
  int32_t Position = 0;           // index in the set
  int32_t FolderIndex = 0;        // output folder of the current pass
};

// Cuts URL into UrlWords: ',' separates, blanks and tabs are dropped wherever they
// stand, empty words never enter the list.
void SplitUrl(FilterRecord& record);
