#include "win32/ShellDialogs.h"

#include "win32/ComPtr.h"
#include "win32/WideText.h"
// After the Windows headers, which it needs; not with them, since what it brings
// along names a class InternetExplorer, as the browser table names a browser.
#include <shobjidl.h>

namespace ShellDialogs {

namespace {

// Names and patterns of the file types the filter-file dialogs offer.
const COMDLG_FILTERSPEC kFilterFileTypes[] = {
    {L"Filter Files (*.flt)", L"*.flt"},
    {L"All Files (*.*)", L"*.*"},
};

ComPtr<IShellItem> FolderItem(const std::string& path) {
  ComPtr<IShellItem> item;
  if (path.empty()) return item;
  const std::wstring wide = WideText::FromUtf8(path);
  if (FAILED(::SHCreateItemFromParsingName(wide.c_str(), nullptr, IID_PPV_ARGS(item.Put())))) {
    item.Reset();
  }
  return item;
}

// Shows the dialog and gives the chosen item's file-system path.
std::optional<std::string> Run(IFileDialog* dialog, HWND owner) {
  if (FAILED(dialog->Show(owner))) return std::nullopt;
  ComPtr<IShellItem> result;
  if (FAILED(dialog->GetResult(result.Put()))) return std::nullopt;
  PWSTR path = nullptr;
  // Items without a file-system path (virtual folders) give nothing.
  if (FAILED(result->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path) return std::nullopt;
  std::string chosen = WideText::ToUtf8(path);
  ::CoTaskMemFree(path);
  return chosen;
}

std::optional<std::string> ChooseFilterFile(HWND owner, const std::string& folder, REFCLSID kind,
                                            FILEOPENDIALOGOPTIONS options) {
  ComPtr<IFileDialog> dialog;
  if (FAILED(::CoCreateInstance(kind, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(dialog.Put())))) {
    return std::nullopt;
  }
  FILEOPENDIALOGOPTIONS current = 0;
  dialog->GetOptions(&current);
  dialog->SetOptions(current | options | FOS_FORCEFILESYSTEM);
  dialog->SetFileTypes(static_cast<UINT>(std::size(kFilterFileTypes)), kFilterFileTypes);
  dialog->SetDefaultExtension(L"flt");
  if (const ComPtr<IShellItem> start = FolderItem(folder)) dialog->SetFolder(start.Get());
  return Run(dialog.Get(), owner);
}

}  // namespace

std::optional<std::string> ChooseFolder(HWND owner, const std::string& title,
                                        const std::string& initial) {
  ComPtr<IFileOpenDialog> dialog;
  if (FAILED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(dialog.Put())))) {
    return std::nullopt;
  }
  FILEOPENDIALOGOPTIONS options = 0;
  dialog->GetOptions(&options);
  dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM);
  const std::wstring wideTitle = WideText::FromUtf8(title);
  dialog->SetTitle(wideTitle.c_str());
  if (const ComPtr<IShellItem> start = FolderItem(initial)) dialog->SetFolder(start.Get());
  return Run(dialog.Get(), owner);
}

std::optional<std::string> ChooseFilterFileToOpen(HWND owner, const std::string& folder) {
  return ChooseFilterFile(owner, folder, CLSID_FileOpenDialog, FOS_FILEMUSTEXIST);
}

std::optional<std::string> ChooseFilterFileToSave(HWND owner, const std::string& folder) {
  return ChooseFilterFile(owner, folder, CLSID_FileSaveDialog, FOS_OVERWRITEPROMPT);
}

bool Open(const std::string& target) {
  if (target.empty()) return false;
  const std::wstring wide = WideText::FromUtf8(target);
  // Values above 32 mean success.
  return reinterpret_cast<INT_PTR>(
             ::ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}

}  // namespace ShellDialogs
