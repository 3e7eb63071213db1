#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/MessageSink.h"

namespace vorlane::test {

// Points HOME and the XDG folders at a private temporary folder for the whole test
// binary, so no test can read or change the real user's files.
class SandboxEnvironment : public testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;
  static const std::string& Root();
};

// A fresh temporary folder, removed with everything in it at the end of its scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return Root; }
  // Path of a name inside the folder.
  std::string operator/(std::string_view name) const;

 private:
  std::string Root;
};

// Writes a file (creating its parent folders); fails the test when it cannot.
void WriteFile(const std::string& path, std::string_view content);
std::string ReadFile(const std::string& path);
// Names of the regular files in a folder, sorted.
std::vector<std::string> ListNames(const std::string& folder);
// `path` with each '/' turned into the platform's separator, as the program's own
// relative names are written.
std::string NativeSeparators(std::string_view path);
// Path of a file under tests/fixtures.
std::string FixturePath(std::string_view relative);

// Points the program's places into `root` (program files in root/, data in
// root/data), creates the data folder and resets the settings to their defaults.
void UseSandboxPlaces(const std::string& root);

// Installs a message handler that records every message for the life of the object.
class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();
  std::vector<std::pair<MessageKind, std::string>> Messages() const;
  std::vector<std::string> Texts() const;

 private:
  mutable std::mutex Lock;
  std::vector<std::pair<MessageKind, std::string>> Recorded;
};

// Sets an environment variable for the life of the object, restoring it afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string Name;
  bool HadValue = false;
  std::string OldValue;
};

}  // namespace vorlane::test
