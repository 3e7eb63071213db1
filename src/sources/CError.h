#pragma once

#include <string>

// A failure inside a capture. Building one composes the user's message for the
// codes that are shown (10 and unknown codes) and hands it to the message sink at
// once; the codes 5 to 8 are silent. Unlike the bare error object of old, it keeps
// what failed, so tests and logs can tell failures apart.
class CError {
 public:
  enum Module : int { FilterCache = 1, MozillaCache = 3, IECache = 4 };
  enum Code : int {
    OpenFailed = 5,
    ReadFailed = 6,
    WriteFailed = 7,
    CopyFailed = 8,
    FolderFailed = 10
  };

  // `systemError` is the errno of the failing call; by default the thread's errno.
  CError(int module, int code, std::string firstPath, std::string secondPath = {});
  CError(int module, int code, std::string firstPath, std::string secondPath, int systemError);
  virtual ~CError() = default;

  CError(const CError&) = default;
  CError& operator=(const CError&) = default;

  int GetModule() const { return ModuleCode; }
  int GetCode() const { return ErrorCode; }
  int GetSystemError() const { return SystemError; }
  const std::string& GetFirstPath() const { return FirstPath; }
  const std::string& GetSecondPath() const { return SecondPath; }
  bool IsSilent() const { return Silent(ErrorCode); }
  // The text shown to the user; empty for silent codes.
  const std::string& GetMessage() const { return Message; }

  static bool Silent(int code) { return code >= 5 && code <= 8; }
  // The message as the user sees it, without showing it.
  static std::string Compose(int module, int code, const std::string& firstPath, int systemError);

 private:
  int ModuleCode;
  int ErrorCode;
  std::string FirstPath;
  std::string SecondPath;
  int SystemError;
  std::string Message;
};
