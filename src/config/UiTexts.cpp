#include "config/UiTexts.h"

#include <mutex>
#include <optional>
#include <shared_mutex>

#include "config/IniFile.h"

namespace {

constexpr std::string_view kSection = "GENERAL";

struct TextStore {
  std::shared_mutex Lock;
  std::array<std::string, UiTextCount> Texts;

  TextStore() { Fill(); }
  void Fill() {
    for (size_t i = 0; i < UiTextCount; ++i) Texts[i] = UiTextTable[i].English;
  }
};

TextStore& Store() {
  static TextStore store;
  return store;
}

}  // namespace

std::optional<UiTextKey> FindUiTextKey(std::string_view name) {
  for (size_t i = 0; i < UiTextCount; ++i) {
    if (UiTextTable[i].Key == name) return static_cast<UiTextKey>(i);
  }
  return std::nullopt;
}

std::string UiTexts::Get(UiTextKey key) {
  const auto index = static_cast<size_t>(key);
  if (index >= UiTextCount) return {};
  TextStore& store = Store();
  std::shared_lock guard(store.Lock);
  return store.Texts[index];
}

void UiTexts::Set(UiTextKey key, std::string text) {
  const auto index = static_cast<size_t>(key);
  if (index >= UiTextCount) return;
  TextStore& store = Store();
  std::unique_lock guard(store.Lock);
  store.Texts[index] = std::move(text);
}

void UiTexts::Reset() {
  TextStore& store = Store();
  std::unique_lock guard(store.Lock);
  store.Fill();
}

bool LoadLanguage(const std::string& path) {
  // One read of the file serves every key.
  const std::optional<IniDocument> document = LoadIniDocument(path);
  if (!document) return true;
  std::array<std::string, UiTextCount> values;
  for (size_t i = 0; i < UiTextCount; ++i) values[i] = document->Get(kSection, UiTextTable[i].Key);

  TextStore& store = Store();
  std::unique_lock guard(store.Lock);
  for (size_t i = 0; i < UiTextCount; ++i) {
    if (!values[i].empty()) store.Texts[i] = std::move(values[i]);
  }
  return true;
}

std::string ReadLanguageName(const std::string& path) {
  const std::optional<IniDocument> document = LoadIniDocument(path);
  return document ? document->Get(kSection, "Language") : std::string();
}

std::string ComposeMessage(const UiMessage& message) {
  std::string text = UiTexts::Get(message.Text);
  if (!message.Subject.empty()) text = message.Subject + " " + text;
  if (!message.Path.empty()) {
    // A text that is a whole sentence already is not followed by a colon.
    text += (!text.empty() && (text.back() == '.' || text.back() == ':')) ? "\n" : ":\n";
    text += message.Path;
  }
  if (!message.Reason.empty()) text += "\n" + message.Reason;
  return text;
}
