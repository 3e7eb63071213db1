#pragma once

#include <string>

// A failure inside a capture: which part failed (module), how (code), the path it
// concerns and the system's reason. It carries facts only; the front end words them
// from the language texts.
class CError {
 public:
  enum Module : int { FilterCache = 1, MozillaCache = 3, IECache = 4, ChromiumCache = 5 };
  enum Code : int {
    OpenFailed = 5,
    ReadFailed = 6,
    WriteFailed = 7,
    CopyFailed = 8,
    FolderFailed = 10,
    SaveFailed = 11,
    FolderInCache = 12  // an output folder or report inside the cache being read
  };

  CError(int module, int code, std::string path, std::string reason = {})
      : ModuleCode(module), ErrorCode(code), Path(std::move(path)), Reason(std::move(reason)) {}
  virtual ~CError() = default;
  CError(const CError&) = default;
  CError& operator=(const CError&) = default;

  int GetModule() const { return ModuleCode; }
  int GetCode() const { return ErrorCode; }
  const std::string& GetPath() const { return Path; }
  const std::string& GetReason() const { return Reason; }

 private:
  int ModuleCode;
  int ErrorCode;
  std::string Path;
  std::string Reason;
};
