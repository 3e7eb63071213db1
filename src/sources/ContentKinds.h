#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Content kinds: a closed list of thirty codes. The short name is at once the
// display name, the extension of saved files and a word that classifies back to it.
// Codes 1..19 are the original kinds, 20..29 the formats sites serve today; filter
// files store the codes as numbers, so no code ever changes its meaning.
using KindCode = int32_t;

inline constexpr KindCode KindAll = 0;
inline constexpr KindCode KindPlain = 15;
inline constexpr KindCode KindCount = 30;

// Kind groups: filter choices that stand for several kinds. Their codes lie outside
// the kinds' range, so an older program reads them as unknown and matches nothing;
// an entry is never classified into a group.
inline constexpr KindCode KindEveryPicture = 100;
inline constexpr KindCode KindEveryAudio = 101;
inline constexpr KindCode KindEveryVideo = 102;

// Short name of a kind, or the display name of a group ("pictures", "audio",
// "video"); every other code is "all".
std::string_view KindName(KindCode code);

// True for the three group codes.
bool IsKindGroup(KindCode code);

// Whether a filter whose content type is `filterKind` takes an entry of kind
// `entryKind`: 0 takes every entry, a group every member kind, a kind itself only.
// A code that is neither (a newer program's, or a damaged file's) takes nothing.
bool KindMatches(KindCode filterKind, KindCode entryKind);

// The first kind (in the fixed trial order) one of whose words occurs in `text`,
// case-sensitively; 0 when none does. The core's text is UTF-8, so one form serves
// both the wide and the 8-bit callers.
KindCode Classify(std::string_view text);

// Kind from the extension at the end of a URL (the six-character rule); returns
// `current` when the URL yields no known extension.
KindCode RefineByUrl(std::string_view url, KindCode current);
