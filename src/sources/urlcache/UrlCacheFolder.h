#pragma once

#include <optional>
#include <string>

// Where the URL cache's index file was looked for, and the folder that holds it.
struct UrlCacheFolderSearch {
  // The first of the system's URL cache folders that holds an index file; nullopt when
  // none does.
  std::optional<std::string> Folder;
  // Where it was looked for (a pattern), for a message when no folder holds a cache;
  // "" when there was no place to look at all.
  std::string LookedAt;
};

// The URL cache folder read when the user names none and the system lists no cache of
// its own (Platform::UrlCacheFolders gives the places, in search order).
UrlCacheFolderSearch FindUrlCacheFolder();
