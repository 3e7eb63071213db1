#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/Autostart.h"
#include "platform/Files.h"
#include "support/TestSupport.h"

using vorlane::test::ReadFile;
using vorlane::test::ScopedEnv;
using vorlane::test::TempDir;

namespace {

// What a session does with the Exec value: undo the value escapes, then the field
// codes ("%%" only), then split into arguments with the quoting rules. Nothing means
// the value was not valid.
std::optional<std::vector<std::string>> DecodeExec(std::string_view value) {
  std::string unescaped;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      unescaped += value[i];
      continue;
    }
    const char c = value[++i];
    switch (c) {
      case 's':
        unescaped += ' ';
        break;
      case 'n':
        unescaped += '\n';
        break;
      case 't':
        unescaped += '\t';
        break;
      case 'r':
        unescaped += '\r';
        break;
      case '\\':
        unescaped += '\\';
        break;
      default:
        unescaped += '\\';
        unescaped += c;
    }
  }
  std::string expanded;
  for (size_t i = 0; i < unescaped.size(); ++i) {
    if (unescaped[i] != '%') {
      expanded += unescaped[i];
    } else if (i + 1 < unescaped.size() && unescaped[i + 1] == '%') {
      expanded += '%';
      ++i;
    } else {
      return std::nullopt;  // a field code we never write
    }
  }
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false;
  bool quoted = false;
  for (size_t i = 0; i < expanded.size(); ++i) {
    const char c = expanded[i];
    if (quoted) {
      if (c == '\\' && i + 1 < expanded.size() && std::strchr("\"`$\\", expanded[i + 1])) {
        current += expanded[++i];
      } else if (c == '"') {
        quoted = false;
      } else {
        current += c;
      }
    } else if (c == ' ') {
      if (inArgument) arguments.push_back(current);
      current.clear();
      inArgument = false;
    } else if (c == '"') {
      quoted = inArgument = true;
    } else if (std::strchr("\t\n'\\><~|&;$*?#()`", c)) {
      return std::nullopt;  // reserved outside quotes
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (quoted) return std::nullopt;
  if (inArgument) arguments.push_back(current);
  return arguments;
}

std::string ExecValue(const std::string& entry) {
  const size_t at = entry.find("\nExec=");
  if (at == std::string::npos) return {};
  const size_t begin = at + 6;
  return entry.substr(begin, entry.find('\n', begin) - begin);
}

class Autostart : public testing::Test {
 protected:
  TempDir dir;
  ScopedEnv config{"XDG_CONFIG_HOME", dir / "config"};
};

}  // namespace

TEST_F(Autostart, EntryIsCreatedRewrittenAndRemoved) {
  const std::string path = Platform::StartWithLoginEntryPath().value_or(std::string());
  EXPECT_EQ(path, dir / "config/autostart/vorlane.desktop");

  ASSERT_TRUE(Platform::SetStartWithLogin(true, "/opt/vorlane/vorlane"));
  EXPECT_EQ(ReadFile(path),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Vorlane\n"
            "Comment=Saves files out of web browsers' disk caches\n"
            "Exec=/opt/vorlane/vorlane\n"
            "Icon=vorlane\n"
            "Terminal=false\n"
            "X-GNOME-Autostart-enabled=true\n");

  ASSERT_TRUE(Platform::SetStartWithLogin(true, "/home/u/My Apps/vorlane"));
  EXPECT_EQ(ExecValue(ReadFile(path)), "\"/home/u/My Apps/vorlane\"");
  EXPECT_EQ(vorlane::test::ListNames(dir / "config/autostart"),
            std::vector<std::string>{"vorlane.desktop"});

  EXPECT_TRUE(Platform::SetStartWithLogin(false, ""));
  EXPECT_FALSE(Platform::FileExists(path));
  EXPECT_TRUE(Platform::SetStartWithLogin(false, ""));  // already gone: still success

  // Only an absolute executable path can be started from a session.
  EXPECT_FALSE(Platform::SetStartWithLogin(true, ""));
  EXPECT_FALSE(Platform::SetStartWithLogin(true, "vorlane"));
  EXPECT_FALSE(Platform::FileExists(path));
}

TEST_F(Autostart, ExecNamesTheExecutableExactly) {
  const std::pair<const char*, const char*> cases[] = {
      {"/opt/vorlane/vorlane", "/opt/vorlane/vorlane"},
      {"/home/u/My Apps/vorlane", "\"/home/u/My Apps/vorlane\""},
      {"/srv/100%/vorlane", "/srv/100%%/vorlane"},
      {"/srv/a\\b/vorlane", "\"/srv/a\\\\\\\\b/vorlane\""},
      {"/srv/$HOME/`x`/vorlane", "\"/srv/\\\\$HOME/\\\\`x\\\\`/vorlane\""},
      {"/srv/say \"hi\"/vorlane", "\"/srv/say \\\\\"hi\\\\\"/vorlane\""},
      {"/srv/it's/vorlane", "\"/srv/it's/vorlane\""},
      {"/srv/50% (new)/vorlane", "\"/srv/50%% (new)/vorlane\""},
      {"/srv/tab\there/vorlane", "\"/srv/tab\\there/vorlane\""},
  };
  for (const auto& [executable, exec] : cases) {
    ASSERT_TRUE(Platform::SetStartWithLogin(true, executable)) << executable;
    const std::string value =
        ExecValue(ReadFile(Platform::StartWithLoginEntryPath().value_or(std::string())));
    EXPECT_EQ(value, exec) << executable;
    EXPECT_EQ(DecodeExec(value), std::vector<std::string>{executable}) << executable;
  }
}
