#include "CliRun.h"

#include <algorithm>

#include "platform/Paths.h"
#include "platform/System.h"
#include "support/MozillaCache2Writer.h"
#include "support/TestPlatform.h"

namespace vorlane::test {

namespace {

std::string WithoutCarriageReturnsBeforeNewlines(std::string text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

}  // namespace

CliRun RunCli(const std::vector<std::string>& arguments) {
  TempDir dir;
  CliRun run;
  run.Code = RunProgram(VORLANE_CLI, arguments, dir / "out", dir / "err");
  run.Out = ReadFile(dir / "out");
  run.Err = ReadFile(dir / "err");
  if (Platform::RunningOnWindows) {
    run.Out = WithoutCarriageReturnsBeforeNewlines(run.Out);
    run.Err = WithoutCarriageReturnsBeforeNewlines(run.Err);
  }
  return run;
}

std::string TextCache(const TempDir& dir, const std::vector<std::string>& bodies) {
  MozillaCache2Writer writer;
  for (size_t i = 0; i < bodies.size(); ++i) {
    writer.Add(MozillaCache2Item("http://e.com/" + std::to_string(i), bodies[i])
                   .WithHead("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"));
  }
  EXPECT_TRUE(writer.Write(dir / "cache"));
  return dir / "cache";
}

std::string Sample() {
  return Platform::JoinPath(VORLANE_SOURCE_DIR, "samples/firefox-cache");
}

std::string CatchAll(const TempDir& dir, const std::string& folder) {
  const std::string path = dir / "all.flt";
  WriteFile(path, "[GENERAL]\nVorlaneFilter=1\n[FILTER_0]\nContentType=0\nMinHeight=0\nDirectory=" +
                      folder + "\nFileNameDummy=file\n");
  return path;
}

std::string ProgramLikeSettingsPath() {
  return Platform::JoinPath(Platform::LocalAppDataFolder().value_or(""), "Vorlane/VOR.cfg");
}

size_t Lines(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace vorlane::test
