#pragma once

// The only interface to the operating system. Bodies live in posix/ and win32/; CMake
// picks one. Nothing here throws, and nothing hands out a native handle or an error
// number: operations report success, a result enum where callers must tell outcomes
// apart, and the system's own description of a failure as text.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Platform {

// True in the Windows build: what differs is data (process names, places), chosen
// from this, never an #ifdef in a caller.
extern const bool RunningOnWindows;

// ---- Paths and places -------------------------------------------------------

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

// Full path of the running executable; empty on failure.
std::string ExecutablePath();

// Folder that holds the program's own files (Filters/, Langs/, help/), ending with a
// separator: the executable's folder, or the installed data folder of the program,
// whichever holds Langs/. Falls back to the executable's folder.
std::string ProgramFolder();

// The user's home folder; empty on failure.
std::string HomeFolder();

// Per-user local application-data folder (XDG data home; %LOCALAPPDATA%).
std::optional<std::string> LocalAppDataFolder();
// Per-user cache folder (XDG cache home; %LOCALAPPDATA%).
std::optional<std::string> UserCacheFolder();
// Per-user configuration folder (XDG config home; %APPDATA%).
std::optional<std::string> UserConfigFolder();

// A folder text that begins with "~/" (or is "~") means the home folder.
std::string ExpandHome(std::string_view path);

// The output-folder rule: after ExpandHome, an absolute path, not the root itself,
// whose nearest existing ancestor lies on a local disk (network file systems and
// removable devices are refused).
bool IsLocalFolderPath(std::string_view path);

// Where one Firefox installation keeps its profiles' caches, in search order, and
// where the profiles.ini that names its default profile is.
struct FirefoxProfileRoot {
  std::string Folder;
  // A profile counts in this root only when its folder holds a cache folder: the
  // profiles folder itself also holds "Crash Reports" and the like.
  bool CacheMustExist = false;
  std::string IniFolder;
};
std::vector<FirefoxProfileRoot> FirefoxProfileRoots();

// Where a Chromium-family browser or app keeps its profiles. On Linux its cache root
// (under the user cache folder, plus flatpak and snap equivalents) and its config root
// (for "Local State"); on Windows both are "<vendor>\User Data" under local app data.
struct ChromiumVendorPaths {
  std::string_view LinuxFolder;           // below the XDG cache/config homes, "" when none
  std::string_view LinuxAltFolder;        // another channel of the same browser (beta)
  std::string_view LinuxConfigOnly;       // apps whose cache lies in their config folder
  std::string_view FlatpakId;             // "" when there is no flatpak
  std::string_view SnapName;              // "" when there is no snap
  std::string_view WindowsFolder;         // below %LOCALAPPDATA%, "" when none
  std::string_view WindowsRoamingFolder;  // apps: below %APPDATA%, "" when none
};
struct ChromiumProfileRoot {
  std::string CacheRoot;       // holds <profile>/Cache/Cache_Data (or Cache/Cache_Data itself)
  std::string ConfigRoot;      // holds "Local State"; may equal CacheRoot
  bool ProfilesInside = true;  // false: the root itself is the one profile (apps)
};
std::vector<ChromiumProfileRoot> ChromiumProfileRoots(const ChromiumVendorPaths& vendor);

// ---- Time -------------------------------------------------------------------

int64_t CurrentTime();  // seconds since 1970, UTC

struct LocalDateTime {
  int Year = 1970;
  int Month = 1;  // 1..12
  int Day = 1;    // 1..31
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
};
LocalDateTime ToLocalTime(int64_t seconds);

// ---- Files and folders ------------------------------------------------------

struct FolderItem {
  std::string Name;
  uint64_t Size = 0;
};

// Regular files of a folder (no sub-folders, no links), in the order the system
// returns them.
bool ListFolderFiles(const std::string& folder, std::vector<FolderItem>& out);
// Sub-folder names of a folder, in the order the system returns them.
bool ListSubFolders(const std::string& folder, std::vector<std::string>& out);

bool FileExists(const std::string& path);
// True when anything at all is at `path`, a dangling link included.
bool PathExists(const std::string& path);
bool FolderExists(const std::string& path);
std::optional<uint64_t> FileSize(const std::string& path);

// Creates one folder; an existing folder counts as success.
bool CreateFolder(const std::string& path);
// Creates a folder and every missing parent.
bool CreateFolderTree(const std::string& path);

bool DeleteFile(const std::string& path);

// Replaces `path` with `content` atomically: a sibling temporary file is written,
// synced and renamed over the target, so a reader sees the old or the new file, never
// a half-written one. On failure nothing changes and the temporary file is removed.
bool ReplaceFileAtomically(const std::string& path, std::string_view content);

// Reads a whole regular file, refusing files larger than `limit` bytes.
std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t limit);

// Copies a regular file to a destination that must not exist yet (settings, filter
// files); false on any failure, with nothing left at the destination.
bool CopyToNewFile(const std::string& source, const std::string& destination);

// ---- Reading caches ---------------------------------------------------------
// A cache folder may come from another machine or a disk image: nothing below it is
// followed when it is a link, only regular files are opened, and opening leaves even
// the access times unchanged where the system allows.

// Identity of an open file: equal for two opens of the same file.
struct FileIdentity {
  uint64_t Device = 0;
  uint64_t Inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

class ReadOnlyFile;

// A folder held open, so the many files of one folder are listed and opened by name
// without resolving the whole path for each of them.
class OpenFolder {
 public:
  OpenFolder();
  OpenFolder(const OpenFolder&) = delete;
  OpenFolder& operator=(const OpenFolder&) = delete;
  OpenFolder(OpenFolder&& other) noexcept;
  OpenFolder& operator=(OpenFolder&& other) noexcept;
  ~OpenFolder();

  // Opens a cache's own folder; it may itself be reached through a link.
  bool Open(const std::string& path);
  // Opens `relative` ('/'-separated pieces; on Windows '\' separates them too) below
  // `parent`, following no link.
  bool OpenIn(const OpenFolder& parent, std::string_view relative);
  void Close();
  bool IsOpen() const;
  // Names of its regular files (links are not followed, so a link is never one), in
  // the order the system returns them. False when the folder cannot be read.
  bool ListFileNames(std::vector<std::string>& names) const;
  // Names of its sub-folders (no links).
  bool ListFolderNames(std::vector<std::string>& names) const;
  // The system's description of the last failure of this object.
  const std::string& FailureText() const { return Failure; }

  struct Native;

 private:
  friend class ReadOnlyFile;
  std::unique_ptr<Native> Handle;
  mutable std::string Failure;
};

// A regular file opened read-only (browser caches are never changed). Reads are
// bounded by the caller's buffer; a short read reports how much there was.
class ReadOnlyFile {
 public:
  ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  ReadOnlyFile(ReadOnlyFile&& other) noexcept;
  ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept;
  ~ReadOnlyFile();

  // Opens a regular file by its path (links followed: for files the user names).
  bool Open(const std::string& path);
  // Opens the regular file `relative` (pieces as for OpenFolder::OpenIn) below an open folder,
  // following no link on the way and not the file itself if it is one.
  bool OpenIn(const OpenFolder& folder, std::string_view relative);
  void Close();
  bool IsOpen() const;
  // Size and modification time (seconds since 1970) at the time of opening.
  uint64_t Size() const { return FileLength; }
  int64_t ModifiedTime() const { return Modified; }
  FileIdentity Identity() const { return Id; }
  // Size and modification time as they are now; nullopt when they cannot be read.
  std::optional<std::pair<uint64_t, int64_t>> CurrentSizeAndTime() const;
  // Reads up to `length` bytes at `offset` into `buffer`; returns the bytes read
  // (fewer at the end of the file), or -1 on a read error.
  int64_t ReadAt(uint64_t offset, void* buffer, size_t length) const;
  const std::string& FailureText() const { return Failure; }

  struct Native;

 private:
  friend class OutputFile;
  std::unique_ptr<Native> Handle;
  uint64_t FileLength = 0;
  int64_t Modified = 0;
  FileIdentity Id;
  mutable std::string Failure;
};

// ---- Writing captured files -------------------------------------------------
// A saved file is whole or absent: its bytes go into a hidden temporary in the
// destination folder, created exclusively, and only a finished file gets its final
// name, by a rename that never replaces an existing file.

// Names of the temporaries begin with this; a pass removes those that an interrupted
// earlier pass left behind.
extern const std::string_view OutputTemporaryPrefix;
extern const std::string_view OutputTemporarySuffix;
bool IsOutputTemporaryName(std::string_view name);

enum class CopyResult {
  Ok,
  SourceFailed,       // the cache side could not be read
  DestinationFailed,  // the output side could not be written (no space, I/O error...)
};

enum class CommitResult {
  Committed,
  NameTaken,  // a file of that name exists; nothing was replaced
  Failed,     // the name cannot be given (too long, not allowed, I/O error...)
};

class OutputFile {
 public:
  OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // Removes the temporary unless it was committed.
  ~OutputFile();

  // Creates a new temporary in `folder`; false (with FailureText) when it cannot.
  bool Create(const std::string& folder);
  // Full path of the temporary while it is open or finished, of the saved file after
  // Commit.
  const std::string& Path() const { return CurrentPath; }

  bool Write(std::span<const std::byte> bytes);
  // Copies `length` bytes of `source` from `offset` (kernel-side where the system can).
  // A source that ends early copies what there is; `copied` tells how much.
  CopyResult CopyFrom(const ReadOnlyFile& source, uint64_t offset, uint64_t length,
                      uint64_t& copied);
  uint64_t BytesWritten() const { return Written; }
  // Empties the temporary for a second attempt (a body that failed to decode).
  bool Restart();

  // Writes out what is buffered and closes the temporary; false when the bytes did
  // not all reach the file.
  bool Finish();
  // Gives the finished temporary the name `name` in its folder, never replacing a file.
  CommitResult Commit(std::string_view name);
  // Sets the saved file's modification time (seconds since 1970).
  bool SetModifiedTime(int64_t seconds);
  // Removes the temporary (or nothing, after Commit).
  void Discard();

  const std::string& FailureText() const { return Failure; }

  struct Native;

 private:
  std::unique_ptr<Native> Handle;
  std::string Folder;
  std::string CurrentPath;
  uint64_t Written = 0;
  bool Committed = false;
  std::string Failure;
};

// Removes the output temporaries (IsOutputTemporaryName) of a folder; returns how many.
int RemoveOutputTemporaries(const std::string& folder);

// ---- Errors and text --------------------------------------------------------

// Cache bytes to UTF-8: bytes that are valid UTF-8 are kept as they are; anything
// else is read as Windows-1252 and converted.
std::string CacheBytesToUtf8(std::string_view bytes);

// ---- Start with login -------------------------------------------------------

// Writes (enable) or removes the per-user entry that starts `executable` when the
// user logs in (an XDG autostart entry; the Run value "Vorlane" on Windows).
bool SetStartWithLogin(bool enable, const std::string& executable);
// Whether that entry exists.
bool StartsWithLogin();
// Where that entry is, for messages and tests.
std::string StartWithLoginEntryPath();

// ---- Processes --------------------------------------------------------------

// True when any process of the system (any user) matches one of `names`, compared
// ASCII-case-insensitively with its image name (and, on Linux, comm, argv[0] and the
// executable's name, also after a '\' for programs under Wine). A process table that
// cannot be read counts as "not seen".
bool IsProcessRunning(const std::vector<std::string>& names);

// ---- One running tray program -------------------------------------------------

// The mark of a running tray program in the user's session. On Windows it is the named
// file mapping of the design ("VORLANE"), which a second start sees; elsewhere the
// tray program's lock file marks it, and a claim here is always taken.
inline constexpr std::string_view InstanceMappingName = "VORLANE";
class InstanceMapping {
 public:
  enum class Claim { Taken, HeldByOther, Unavailable };

  InstanceMapping();
  ~InstanceMapping();
  InstanceMapping(const InstanceMapping&) = delete;
  InstanceMapping& operator=(const InstanceMapping&) = delete;

  // Taken: this object now holds the mark until Release or its end.
  Claim TryClaim(std::string_view name);
  void Release();

  struct Native;

 private:
  std::unique_ptr<Native> Handle;
};

// ---- Stopping a command-line program between two files ------------------------

// Makes Ctrl-C, SIGTERM and SIGHUP (console close on Windows) ask `onStop` to run
// instead of ending the process; the handler runs on a thread of its own. Undone when
// the returned object goes. Must be made before other threads are started.
class StopRequests {
 public:
  virtual ~StopRequests() = default;
  virtual bool WasRequested() const = 0;
};
std::unique_ptr<StopRequests> CatchStopRequests(std::function<void()> onStop);

// Whether the standard error stream is a terminal (a progress bar is drawn only there).
bool StandardErrorIsTerminal();

// The arguments of a command-line program after its own name, as UTF-8. On Windows
// they come from the wide command line (argv holds them in the ANSI code page, which
// loses what it cannot spell); elsewhere they are argv as it is.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// While it lives, a console shows the UTF-8 that the program writes (a Windows console
// reads output in its own code page otherwise, and gets the previous one back after);
// nothing to do where terminals take UTF-8.
class Utf8ConsoleOutput {
 public:
  Utf8ConsoleOutput();
  ~Utf8ConsoleOutput();
  Utf8ConsoleOutput(const Utf8ConsoleOutput&) = delete;
  Utf8ConsoleOutput& operator=(const Utf8ConsoleOutput&) = delete;

 private:
  unsigned Previous = 0;
};

}  // namespace Platform
