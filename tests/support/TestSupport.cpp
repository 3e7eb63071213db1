#include "support/TestSupport.h"

#include "config/Settings.h"
#include "platform/Paths.h"
#include "support/TestPlatform.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace vorlane::test {

namespace {
std::string g_root;

std::string MakeTempFolder(const char* stem) {
  std::string made = MakeTemporaryFolder(stem);
  if (made.empty()) ADD_FAILURE() << "cannot make a temporary folder";
  return made;
}
}  // namespace

void SandboxEnvironment::SetUp() {
  g_root = MakeTempFolder("vorlane-sandbox-");
  const std::string home = Platform::JoinPath(g_root, "home");
  fs::create_directories(PathOf(home));
  // On Windows the program asks the shell for its folders, not these variables; the
  // tests run there in a Wine prefix of their own (scripts/wine-run).
  SetEnv("HOME", home);
  SetEnv("XDG_DATA_HOME", Platform::JoinPath(home, ".local/share"));
  SetEnv("XDG_CONFIG_HOME", Platform::JoinPath(home, ".config"));
  SetEnv("XDG_CACHE_HOME", Platform::JoinPath(home, ".cache"));
  SetEnv("WINEPREFIX", Platform::JoinPath(home, ".wine"));
}

void SandboxEnvironment::TearDown() {
  std::error_code ignored;
  fs::remove_all(PathOf(g_root), ignored);
}

const std::string& SandboxEnvironment::Root() {
  return g_root;
}

TempDir::TempDir() : Root(MakeTempFolder("vorlane-test-")) {}

TempDir::~TempDir() {
  std::error_code ignored;
  const fs::path root = PathOf(Root);
  // Tests may leave read-only folders behind; make them removable first.
  for (auto it = fs::recursive_directory_iterator(root, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(root, ignored);
}

std::string TempDir::operator/(std::string_view name) const {
  return Platform::JoinPath(Root, name);
}

void WriteFile(const std::string& path, std::string_view content) {
  const fs::path target = PathOf(path);
  fs::create_directories(target.parent_path());
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::vector<std::string> ListNames(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& item : fs::directory_iterator(PathOf(folder), ignored)) {
    if (item.is_regular_file()) names.push_back(Utf8Of(item.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string NativeSeparators(std::string_view path) {
  std::string native(path);
  std::replace(native.begin(), native.end(), '/', Platform::PathSeparator);
  return native;
}

std::string FixturePath(std::string_view relative) {
  return Platform::JoinPath(VORLANE_FIXTURES, relative);
}

void UseSandboxPlaces(const std::string& root) {
  Places places;
  places.ProgramFolder = Platform::JoinPath(root, "");
  places.ExecutablePath = Platform::JoinPath(root, "vorlane");
  places.DataFolder = Platform::JoinPath(root, "data");
  places.SettingsPath = Platform::JoinPath(root, "data/VOR.cfg");
  places.DefaultFilterPath = Platform::JoinPath(root, "Filters/Default.flt");
  places.LanguagesFolder = Platform::JoinPath(root, "Langs");
  places.HelpFilePath = Platform::JoinPath(root, "help/index.html");
  fs::create_directories(PathOf(places.DataFolder));
  SetProgramPlaces(places);
  ResetSettings();
}

MessageRecorder::MessageRecorder() {
  InstallMessageHandler([this](MessageKind kind, const UiMessage& message) {
    const std::string text = ComposeMessage(message);
    std::lock_guard guard(Lock);
    Recorded.emplace_back(kind, text);
  });
}

MessageRecorder::~MessageRecorder() {
  InstallMessageHandler(nullptr);
}

std::vector<std::pair<MessageKind, std::string>> MessageRecorder::Messages() const {
  std::lock_guard guard(Lock);
  return Recorded;
}

std::vector<std::string> MessageRecorder::Texts() const {
  std::lock_guard guard(Lock);
  std::vector<std::string> texts;
  for (const auto& message : Recorded) texts.push_back(message.second);
  return texts;
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : Name(name) {
  if (const std::optional<std::string> old = GetEnv(name)) {
    HadValue = true;
    OldValue = *old;
  }
  SetEnv(name, value);
}

ScopedEnv::~ScopedEnv() {
  if (HadValue) {
    SetEnv(Name, OldValue);
  } else {
    UnsetEnv(Name);
  }
}

}  // namespace vorlane::test
