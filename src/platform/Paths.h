#pragma once

// Paths and places: the system's path syntax, the program's and the user's folders, the
// output-folder rule and where browsers keep their profiles. Paths are UTF-8. Failures:
// queries return std::optional (nullopt when the system cannot tell), predicates false;
// nothing throws.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Platform {

// ---- Path syntax --------------------------------------------------------------

// The separator that joins path pieces ('/' here, '\' on Windows).
extern const char PathSeparator;

// Joins two path pieces with exactly one separator between them. `name` may hold
// '/' between its own pieces; they become the platform's separator.
std::string JoinPath(std::string_view folder, std::string_view name);
// True for a path that does not depend on the working directory.
bool IsAbsolutePath(std::string_view path);
// The folder part of a path without its final separator ("" when there is none), and
// the last piece.
std::string ParentFolder(std::string_view path);
std::string FileName(std::string_view path);
// The path without separators at its end (the root stays the root).
std::string WithoutTrailingSeparators(std::string_view path);
// True when the path, its "." and ".." pieces resolved by the text alone, names the root
// of the file system ("/tmp/.." as surely as "/"; a drive's or a share's root on Windows).
bool NamesTheRoot(std::string_view path);
// The path with its "." and ".." pieces resolved by the text alone ("/x/y/../.." is "/"),
// so that a check and a use of it agree on the folder; a text that is no path of this
// system comes back as it is.
std::string LexicallyNormal(std::string_view path);

// ---- The program's and the user's folders ---------------------------------------

// Full path of the running executable.
std::optional<std::string> ExecutablePath();

// Folder that holds the program's own files (Filters/, Langs/, help/), ending with a
// separator: the executable's folder, or the installed data folder of the program,
// whichever holds Langs/. Falls back to the executable's folder.
std::optional<std::string> ProgramFolder();

// The user's home folder.
std::optional<std::string> HomeFolder();

// Per-user local application-data folder (XDG data home; %LOCALAPPDATA%).
std::optional<std::string> LocalAppDataFolder();
// Per-user cache folder (XDG cache home; %LOCALAPPDATA%).
std::optional<std::string> UserCacheFolder();
// Per-user configuration folder (XDG config home; %APPDATA%).
std::optional<std::string> UserConfigFolder();

// A folder text that begins with "~/" (or is "~") means the home folder; without a home
// folder the text stays as it is.
std::string ExpandHome(std::string_view path);

// The output-folder rule: after ExpandHome, an absolute path, not the root itself,
// whose nearest existing ancestor lies on a local disk (network file systems and
// removable devices are refused).
bool IsLocalFolderPath(std::string_view path);

// ---- Where browsers keep their profiles -------------------------------------------

// Where a browser keeps its profiles, as its table row names them: folders relative to
// the system's places, "" where the browser has none. Each family's roots below read the
// fields that family uses.
struct BrowserPlaces {
  // Below the XDG cache home: the profiles' caches (for the Chromium family also below
  // the XDG config home: its configuration).
  std::string_view LinuxFolder{};
  std::string_view LinuxAltFolder{};   // another channel of the same browser (beta)
  std::string_view LinuxConfigOnly{};  // apps whose cache lies in their config folder
  // Below the home folder: the Firefox family's profiles.ini and older profiles.
  std::string_view LinuxHomeFolder{};
  std::string_view FlatpakId{};  // "" when there is no flatpak
  std::string_view SnapName{};   // "" when there is no snap
  // Below %LOCALAPPDATA%: the Chromium family's "<folder>\User Data", the Firefox
  // family's profiles.
  std::string_view WindowsFolder{};
  // Below %APPDATA%: a Chromium-based app's one profile, the Firefox family's
  // profiles.ini.
  std::string_view WindowsRoamingFolder{};
};

// Where one Firefox-family installation keeps its profiles' caches, in search order,
// and where the profiles.ini that names its default profile is.
struct FirefoxProfileRoot {
  std::string Folder;
  // A profile counts in this root only when its folder holds a cache folder: the
  // profiles folder itself also holds "Crash Reports" and the like.
  bool CacheMustExist = false;
  std::string IniFolder;
};
std::vector<FirefoxProfileRoot> FirefoxProfileRoots(const BrowserPlaces& places);

// Where a Chromium-family browser or app keeps its profiles. On Linux its cache root
// (under the user cache folder, plus flatpak and snap equivalents) and its config root
// (for "Local State"); on Windows both are "<folder>\User Data" under local app data.
struct ChromiumProfileRoot {
  std::string CacheRoot;       // holds the profiles (or is the one profile itself)
  std::string ConfigRoot;      // holds "Local State"; may equal CacheRoot
  bool ProfilesInside = true;  // false: the root itself is the one profile (apps)
};
std::vector<ChromiumProfileRoot> ChromiumProfileRoots(const BrowserPlaces& places);

}  // namespace Platform
