#pragma once

// The only interface to the operating system. Bodies live in posix/ (Linux) and,
// later, win32/; CMake picks one. Nothing here throws: every operation reports
// success or failure (an errno-style code where a caller needs to tell causes apart).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Platform {

// ---- Paths and places -------------------------------------------------------

// The separator that joins path pieces ('/' here, '\' on Windows).
inline constexpr char PathSeparator = '/';

// Joins two path pieces with exactly one separator between them.
std::string JoinPath(std::string_view folder, std::string_view name);

// Full path of the running executable (/proc/self/exe); empty on failure.
std::string ExecutablePath();

// Folder that holds the program's own files (Filters/, Langs/, help/), ending
// with a separator: the executable's folder, or <prefix>/share/vorlane/ for an
// installed build, whichever holds Langs/. Falls back to the executable's folder.
std::string ProgramFolder();

// The user's home folder ($HOME, else the password database); empty on failure.
std::string HomeFolder();

// Per-user local application-data folder ($XDG_DATA_HOME, default ~/.local/share).
std::optional<std::string> LocalAppDataFolder();
// Per-user cache folder ($XDG_CACHE_HOME, default ~/.cache).
std::optional<std::string> UserCacheFolder();
// Per-user configuration folder ($XDG_CONFIG_HOME, default ~/.config).
std::optional<std::string> UserConfigFolder();

// A folder text that begins with "~/" (or is "~") means the home folder.
std::string ExpandHome(std::string_view path);

// The output-folder rule: after ExpandHome, an absolute path, not the root itself,
// whose nearest existing ancestor lies on a local file system (network file
// systems and removable devices are refused; tmpfs counts as local).
bool IsLocalFolderPath(std::string_view path);

// ---- Files and folders ------------------------------------------------------

struct FolderItem {
  std::string Name;
  uint64_t Size = 0;
};

// Regular files of a folder (no sub-folders), in the order the system returns them.
bool ListFolderFiles(const std::string& folder, std::vector<FolderItem>& out);
// Sub-folder names of a folder, in the order the system returns them.
bool ListSubFolders(const std::string& folder, std::vector<std::string>& out);

bool FileExists(const std::string& path);
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

// Reads a whole file, refusing files larger than `limit` bytes.
std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t limit);

// Copies `length` bytes from `offset` of `source` into `destination` with a
// kernel-side copy (falling back to read/write). With failIfExists the destination is
// created exclusively (O_EXCL). A source shorter than offset+length copies what there
// is. Returns 0 or the errno of the failing call; `written` receives the bytes copied.
// A destination that this call created is removed again when the copy fails.
int CopyFileRegion(const std::string& source, uint64_t offset, uint64_t length,
                   const std::string& destination, bool failIfExists, uint64_t* written);
// Copies a whole file the same way.
int CopyWholeFile(const std::string& source, const std::string& destination, bool failIfExists,
                  uint64_t* written);

// Writes `data` into a new file; with failIfExists the file is created exclusively.
// Returns 0 or the errno of the failing call; a failed write removes the file.
int WriteNewFile(const std::string& destination, std::string_view data, bool failIfExists);

// A file opened read-only (browser caches are never changed). Reads are bounded by
// the caller's buffer; a short read reports how much there was.
// A folder held open, so the many files of one folder are listed and opened by name
// without resolving the whole path for each of them.
class OpenFolder {
 public:
  OpenFolder() = default;
  OpenFolder(const OpenFolder&) = delete;
  OpenFolder& operator=(const OpenFolder&) = delete;
  ~OpenFolder();

  // False (with errno set) when the folder cannot be opened for listing.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return Fd >= 0; }
  // Names of its regular files (links to regular files included), in the order the
  // system returns them. False when the folder cannot be read.
  bool ListFileNames(std::vector<std::string>& names) const;
  int NativeHandle() const { return Fd; }

 private:
  int Fd = -1;
};

class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  ReadOnlyFile(ReadOnlyFile&& other) noexcept;
  ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept;
  ~ReadOnlyFile();

  // Opens a regular file; false (with errno set) on failure.
  bool Open(const std::string& path);
  // Opens the regular file `name` (a bare name, no separators) of an open folder.
  bool OpenIn(const OpenFolder& folder, const std::string& name);
  void Close();
  bool IsOpen() const { return Fd >= 0; }
  // Size at the time of opening.
  uint64_t Size() const { return FileLength; }
  // Reads up to `length` bytes at `offset` into `buffer`; returns the bytes read
  // (fewer at the end of the file), or -1 on a read error.
  int64_t ReadAt(uint64_t offset, void* buffer, size_t length) const;
  // Descriptor for the platform's own copy routines.
  int NativeHandle() const { return Fd; }

 private:
  int Fd = -1;
  uint64_t FileLength = 0;
};

// Copies `length` bytes from `offset` of an open file into `destination` (see
// CopyFileRegion).
int CopyOpenFileRegion(const ReadOnlyFile& source, uint64_t offset, uint64_t length,
                       const std::string& destination, bool failIfExists, uint64_t* written);

// ---- Errors and text --------------------------------------------------------

// The system's description of an error code (strerror); "" for 0 is not special.
std::string ErrorText(int error);
// The description of the calling thread's last error (errno).
std::string LastErrorText();
int LastError();

// Cache bytes to UTF-8: bytes that are valid UTF-8 are kept as they are; anything
// else is read as Windows-1252 and converted.
std::string CacheBytesToUtf8(std::string_view bytes);

// ---- Start with login -------------------------------------------------------

// Writes (enable) or removes the per-user autostart entry that starts
// `executable` when the user logs in ($XDG_CONFIG_HOME/autostart/vorlane.desktop).
bool SetStartWithLogin(bool enable, const std::string& executable);
// Path of that entry (for tests and messages).
std::string StartWithLoginEntryPath();

// ---- Processes --------------------------------------------------------------

// True when any process of the system (any user) matches one of `names`, compared
// ASCII-case-insensitively with its comm, the base name of argv[0] (also after a
// '\', for programs under Wine) and the base name of its executable. A process
// table that cannot be read counts as "not seen". `procRoot` lets tests point at
// a fabricated /proc.
bool IsProcessRunning(const std::vector<std::string>& names, const std::string& procRoot = "/proc");

}  // namespace Platform
