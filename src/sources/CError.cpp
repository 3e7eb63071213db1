#include "sources/CError.h"

#include <cerrno>

#include "platform/Platform.h"
#include "sources/MessageSink.h"

CError::CError(int module, int code, std::string firstPath, std::string secondPath)
    : CError(module, code, std::move(firstPath), std::move(secondPath), errno) {}

CError::CError(int module, int code, std::string firstPath, std::string secondPath, int systemError)
    : ModuleCode(module),
      ErrorCode(code),
      FirstPath(std::move(firstPath)),
      SecondPath(std::move(secondPath)),
      SystemError(systemError) {
  if (Silent(code)) return;
  Message = Compose(module, code, FirstPath, systemError);
  ShowMessage(MessageKind::Error, Message);
}

std::string CError::Compose(int module, int code, const std::string& firstPath, int systemError) {
  std::string prefix;
  switch (module) {
    case FilterCache:
      prefix = "FilterCache:";
      break;
    case MozillaCache:
      prefix = "MozillaCache:";
      break;
    case IECache:
      prefix = "IECache:";
      break;
    default:
      prefix = "Неизвестный модуль";
      break;
  }
  std::string text;
  if (code == FolderFailed) {
    text = "Can't create the Folder:\n" + firstPath;
  } else {
    text = "Неизвестная ошибка\n";
  }
  const std::string system = Platform::ErrorText(systemError);
  if (!system.empty()) text += "\nДоп. инфо: \n" + system;
  return prefix + " \n" + text;
}
