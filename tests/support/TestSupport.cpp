#include "support/TestSupport.h"

#include "config/Settings.h"

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
  std::string pattern = (fs::temp_directory_path() / stem).string() + "XXXXXX";
  char* made = ::mkdtemp(pattern.data());
  if (!made) {
    ADD_FAILURE() << "mkdtemp failed";
    return {};
  }
  return made;
}
}  // namespace

void SandboxEnvironment::SetUp() {
  g_root = MakeTempFolder("vorlane-sandbox-");
  const std::string home = g_root + "/home";
  fs::create_directories(home);
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
  ::setenv("XDG_CACHE_HOME", (home + "/.cache").c_str(), 1);
  ::setenv("WINEPREFIX", (home + "/.wine").c_str(), 1);
}

void SandboxEnvironment::TearDown() {
  std::error_code ignored;
  fs::remove_all(g_root, ignored);
}

const std::string& SandboxEnvironment::Root() {
  return g_root;
}

TempDir::TempDir() : Root(MakeTempFolder("vorlane-test-")) {}

TempDir::~TempDir() {
  std::error_code ignored;
  // Tests may leave read-only folders behind; make them removable first.
  for (auto it = fs::recursive_directory_iterator(Root, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(Root, ignored);
}

std::string TempDir::operator/(std::string_view name) const {
  return Root + "/" + std::string(name);
}

void WriteFile(const std::string& path, std::string_view content) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::vector<std::string> ListNames(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& item : fs::directory_iterator(folder, ignored)) {
    if (item.is_regular_file()) names.push_back(item.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string FixturePath(std::string_view relative) {
  return std::string(VORLANE_FIXTURES) + "/" + std::string(relative);
}

void UseSandboxPlaces(const std::string& root) {
  Places places;
  places.ProgramFolder = root + "/";
  places.ExecutablePath = root + "/vorlane";
  places.DataFolder = root + "/data";
  places.SettingsPath = root + "/data/VOR.cfg";
  places.DefaultFilterPath = root + "/Filters/Default.flt";
  places.LanguagesFolder = root + "/Langs";
  places.HelpFilePath = root + "/help/index.html";
  fs::create_directories(places.DataFolder);
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
  if (const char* old = std::getenv(name)) {
    HadValue = true;
    OldValue = old;
  }
  ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (HadValue) {
    ::setenv(Name.c_str(), OldValue.c_str(), 1);
  } else {
    ::unsetenv(Name.c_str());
  }
}

}  // namespace vorlane::test
