#include "engine/NameChooser.h"

#include <algorithm>

#include "base/FileNames.h"
#include "base/Text.h"
#include "base/WindowsFileName.h"
#include "platform/System.h"
#include "sources/ContentKinds.h"

namespace {

// Names made of outside text (a server's or a URL's file name) are cut to this length.
constexpr size_t kMaxStem = 200;

// A stem may not lead out of its folder or cut the name short.
std::string SafeStem(const std::string& stem) {
  std::string safe = stem;
  for (char& c : safe) {
    if (c == '/' || c == '\\' || c == '\0') c = '_';
  }
  return safe;
}

}  // namespace

NameChooser::NameChooser(const std::string& stem, const CCacheBrowser::CCacheElement& entry,
                         FolderRecord& folder)
    : Folder(folder), Extension("." + std::string(KindName(entry.Kind))) {
  const size_t token = stem.find(kNameToken);
  if (token == std::string::npos) {
    Stem = SafeStem(stem);
    return;
  }
  Original = true;
  const std::string around = stem.substr(0, token) + stem.substr(token + kNameToken.size());
  const std::string original = OriginalStem(entry);
  std::string name =
      original.empty() ? around
                       : stem.substr(0, token) + original + stem.substr(token + kNameToken.size());
  Stem = FileNames::SafeFileName(name, Platform::RunningOnWindows, kMaxStem);
  if (Stem.empty()) Stem = "file";
}

std::string NameChooser::Next() {
  std::string name;
  do {
    if (Original) {
      // photo.jpg, then photo-1.jpg, photo-2.jpg...: a number only when the name is taken.
      // Names are only ever taken during a pass, so the search goes on where the last
      // one for this name ended.
      int& known = Folder.OriginalTries[Text::ToLowerAscii(Stem + Extension)];
      Tries = std::max(Tries, known);
      name = Tries == 0 ? Stem + Extension : Stem + "-" + std::to_string(Tries) + Extension;
      ++Tries;
      known = Tries - 1;
    } else {
      name = Stem + std::to_string(Folder.NextNumber) + Extension;
      // "COM" + 1 + ".png" names a device there, whatever the stem was.
      if (Platform::RunningOnWindows) name = WindowsFileName::Safe(name);
      ++Folder.NextNumber;
    }
  } while (Folder.IsTaken(name));
  return name;
}

std::string OriginalStem(const CCacheBrowser::CCacheElement& entry) {
  std::string name = FileNames::DispositionFileName(entry.ContentDisposition);
  if (name.empty()) name = FileNames::UrlFileName(entry.SourceUrl);
  // Only the last piece of whatever a server sends is a name.
  const size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  return FileNames::SafeFileName(FileNames::WithoutExtension(name), Platform::RunningOnWindows,
                                 kMaxStem);
}
