#include "config/LanguageList.h"

#include "base/Text.h"

#include <algorithm>
#include <string_view>

#include "config/UiTexts.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace {

// Bounds the work for a folder stuffed with files; real installations ship a handful.
constexpr size_t kMaxLanguageFiles = 1000;

bool HasLanguageExtension(std::string_view name) {
  return Text::EndsWithIgnoringAsciiCase(name, ".lng");
}

}  // namespace

LanguageList BuildLanguageList(const std::string& languagesFolder,
                               const std::string& currentLanguage) {
  LanguageList list;
  list.Language = currentLanguage;

  if (languagesFolder.empty()) return list;
  const std::optional<std::vector<Platform::FolderItem>> files =
      Platform::ListFolderFiles(languagesFolder);
  if (!files) return list;
  std::vector<std::string> names;
  for (const Platform::FolderItem& file : *files) {
    if (HasLanguageExtension(file.Name)) names.push_back(file.Name);
  }
  std::sort(names.begin(), names.end());
  if (names.size() > kMaxLanguageFiles) names.resize(kMaxLanguageFiles);

  for (const std::string& name : names) {
    const std::string path = Platform::JoinPath(languagesFolder, name);
    list.Entries.push_back({ReadLanguageName(path), path});
  }
  for (size_t i = 0; i < list.Entries.size(); ++i) {
    if (list.Entries[i].Path == currentLanguage) {
      list.Selected = static_cast<int>(i);
      return list;
    }
  }
  if (!list.Entries.empty()) {
    list.Selected = 0;
    list.Language = list.Entries.front().Path;
  }
  return list;
}
