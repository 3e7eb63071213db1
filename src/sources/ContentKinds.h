#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Content kinds: a closed list of twenty codes. The short name is at once the
// display name, the extension of saved files and a word that classifies back to it.
using KindCode = int32_t;

inline constexpr KindCode KindAll = 0;
inline constexpr KindCode KindPlain = 15;
inline constexpr KindCode KindCount = 20;

// Short name of a kind; every code outside 1..19 is "all".
std::string_view KindName(KindCode code);

// The first kind (in the fixed trial order) one of whose words occurs in `text`,
// case-sensitively; 0 when none does. The core's text is UTF-8, so one form serves
// both the wide and the 8-bit callers.
KindCode Classify(std::string_view text);

// Kind from the extension at the end of a URL (the six-character rule); returns
// `current` when the URL yields no known extension.
KindCode RefineByUrl(std::string_view url, KindCode current);
