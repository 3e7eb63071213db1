#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/FolderRecord.h"

// Output folders: what a filter's folder text names, and making and listing the folder.

// The token of a folder text that depends on the entry.
inline constexpr std::string_view kSiteToken = "%SITE%";

// Replaces the first "%DATE%" (dd.mm.yyyy), "%TIME%" ("HH MM SS") and "%ISODATE%"
// (yyyy-mm-dd) of a folder text with the local date and time of `now` (seconds since
// 1970).
std::string ExpandTokens(std::string text, int64_t now);
// The folder a directory text names now: tokens replaced, "~/" expanded, "." and ".."
// resolved.
std::string ResolveDirectory(const std::string& directory);
// Replaces the first %BROWSER% of a resolved folder with the browser's name.
std::string ExpandBrowserToken(std::string resolved, std::string_view browserName);
// Replaces the first %SITE% of a resolved folder with the site of an entry's URL.
std::string ExpandSiteToken(std::string resolved, std::string_view url);
// What %SITE% becomes for an entry: the host of its URL in lower case, without "www."
// and port, safe as a folder name.
std::string SiteFolderName(std::string_view url);
// The folder that holds every file a resolved directory receives: the directory itself, or,
// where it still holds a per-entry token (%SITE%, %BROWSER%), the folder above that token.
std::string FolderAboveEntryTokens(const std::string& resolved);

// Whether `path` is `folder` or lies below it, by their text with "." and ".." resolved
// (on Windows blind to case and to the kind of separator).
bool LiesInside(const std::string& path, const std::string& folder);

// Checks an output folder's path (the local-folder rule) and creates it with its
// parents; false when the path is refused or the folder does not exist afterwards,
// with the system's reason where it gave one.
bool CreateFolderPath(const std::string& path);
bool CreateFolderPath(const std::string& path, std::string& reason);
// The regular files of a folder with their sizes; empty when it cannot be listed.
// Names keep their letters: the name test ignores the case of A-Z, but a file must
// still be opened by its real name on a case-sensitive file system.
std::vector<KnownFile> ListFolder(const std::string& path);
