#include "config/IniFile.h"

#include "platform/Files.h"

std::optional<IniDocument> LoadIniDocument(const std::string& path) {
  if (!Platform::FileExists(path)) {
    // Nothing there at all: a new file. Anything else (a folder, a dangling link) is
    // not a file this program may replace.
    if (!Platform::PathExists(path)) return IniDocument();
    return std::nullopt;
  }
  const std::optional<std::string> bytes = Platform::ReadWholeFile(path, IniDocument::MaxFileSize);
  if (!bytes) return std::nullopt;
  return IniDocument::Parse(*bytes);
}

bool SaveIniDocument(const IniDocument& document, const std::string& path) {
  return Platform::ReplaceFileAtomically(path, document.Serialize());
}

std::string ReadIniValue(const std::string& path, std::string_view section, std::string_view key) {
  const std::optional<IniDocument> document = LoadIniDocument(path);
  return document ? document->Get(section, key) : std::string();
}

bool WriteIniValue(const std::string& path, std::string_view section, std::string_view key,
                   std::string_view value) {
  std::optional<IniDocument> document = LoadIniDocument(path);
  // A file that exists but could not be read is left alone rather than replaced.
  if (!document || !document->Set(section, key, value)) return false;
  return SaveIniDocument(*document, path);
}
