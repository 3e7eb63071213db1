#include "platform/Autostart.h"

#include <unistd.h>

#include <cerrno>

#include "platform/Files.h"
#include "platform/Paths.h"

namespace Platform {

namespace {

constexpr uint64_t kMaxEntrySize = 64 * 1024;

// Characters that make the Exec argument need quotes (Desktop Entry rules).
constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";

// The executable as one Exec argument: quoted when it holds a reserved character, with
// '"', '`', '$' and '\' escaped inside the quotes, and '%' doubled so that it is never
// taken for a field code.
std::string ExecArgument(std::string_view path) {
  const bool quote = path.find_first_of(kReserved) != std::string_view::npos;
  std::string argument;
  if (quote) argument += '"';
  for (const char c : path) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) argument += '\\';
    argument += c;
    if (c == '%') argument += '%';
  }
  if (quote) argument += '"';
  return argument;
}

// A desktop entry value is itself escaped before the Exec rules apply: a backslash
// is written twice, and line breaks and tabs are written as escapes.
std::string EscapeValue(std::string_view text) {
  std::string value;
  for (const char c : text) {
    switch (c) {
      case '\\':
        value += "\\\\";
        break;
      case '\n':
        value += "\\n";
        break;
      case '\r':
        value += "\\r";
        break;
      case '\t':
        value += "\\t";
        break;
      default:
        value += c;
    }
  }
  return value;
}

std::string EntryText(const std::string& executable) {
  std::string text;
  text += "[Desktop Entry]\n";
  text += "Type=Application\n";
  text += "Name=Vorlane\n";
  text += "Comment=Saves files out of web browsers' disk caches\n";
  text += "Exec=" + EscapeValue(ExecArgument(executable)) + "\n";
  text += "Icon=vorlane\n";
  text += "Terminal=false\n";
  text += "X-GNOME-Autostart-enabled=true\n";
  return text;
}

}  // namespace

std::optional<std::string> StartWithLoginEntryPath() {
  const std::optional<std::string> config = UserConfigFolder();
  if (!config) return std::nullopt;
  return JoinPath(*config, "autostart/vorlane.desktop");
}

bool StartsWithLogin() {
  const std::optional<std::string> path = StartWithLoginEntryPath();
  return path && FileExists(*path);
}

bool SetStartWithLogin(bool enable, const std::string& executable) {
  const std::optional<std::string> entry = StartWithLoginEntryPath();
  if (!entry) return false;
  const std::string& path = *entry;
  if (!enable) return ::unlink(path.c_str()) == 0 || errno == ENOENT;

  // Only an absolute path starts from a session's autostart.
  if (!IsAbsolutePath(executable)) return false;
  const std::string text = EntryText(executable);
  // Every start asks for the entry; an unchanged entry is not rewritten.
  if (const auto existing = FileExists(path) ? ReadWholeFile(path, kMaxEntrySize) : std::nullopt;
      existing && *existing == text) {
    return true;
  }
  const std::string folder = ParentFolder(path);
  if (!CreateFolderTree(folder)) return false;
  return ReplaceFileAtomically(path, text);
}

}  // namespace Platform
