#pragma once

// What the rest of the program needs to know of one cache format, said by the format
// itself. The engine, the command-line tool and the windows ask this (through the
// registry, CacheFormats.h) and never name a format or a file of one.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Paths.h"
#include "sources/CCacheBrowser.h"

// Where a browser's caches of one format were looked for, and what was found.
struct CacheSearch {
  // Cache folders in search order. A folder may not exist yet: a profile whose cache
  // the browser has not made names where it will be.
  std::vector<std::string> Folders;
  // The system keeps this cache and lists it itself (the URL cache on Windows): found
  // without a folder.
  bool KeptBySystem = false;
  // Where the search looked, for the message when it found nothing.
  std::string LookedAt;
};

struct CacheFormat {
  // What browser table rows name.
  std::string_view Id;
  std::string_view DisplayName;
  // Whether `folder` holds a cache of this format, taken as a user names it (the
  // command line's --cache, the folder in the options).
  bool (*HoldsCache)(const std::string& folder) = nullptr;
  // Where a browser keeps its caches of this format, given the places of its table row.
  CacheSearch (*FindCaches)(const Platform::BrowserPlaces& places) = nullptr;
  // A closed source; with an empty cache path it reads the caches found in `places`.
  // Whether an open one may be read while the browser runs, it says itself
  // (CCacheBrowser::SupportsLiveCapture).
  std::unique_ptr<CCacheBrowser> (*NewSource)(const Platform::BrowserPlaces& places) = nullptr;
  // What the windows show per format, as plain data they map: the capture button's
  // artwork (icons/<stem>.svg) and the language key of the options' group heading ("":
  // the group is named by its browsers).
  std::string_view CaptureIconStem;
  std::string_view HeadingTextKey;
  // What a named cache folder is for this format, for the command line's help.
  std::string_view NamedFolderHint;
  // What a folder of this format holds, in the format's own words, for the message
  // when a folder holds none of it.
  std::string_view LookedFor;
  // For a format whose caches exist here only through something the system may lack
  // (the URL cache outside Windows lives in a Wine prefix): the language key of why its
  // browsers are neither offered nor watched while none of its caches is found. "": they
  // are offered everywhere.
  std::string_view MissingCacheTextKey;
};
