#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdlib>
#include <random>

#include "platform/Paths.h"
#include "support/TestPlatform.h"

namespace vorlane::test {

namespace {

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int length = static_cast<int>(utf8.size());
  const int needed = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), needed);
  return wide;
}

// One argument as CommandLineToArgvW and the C runtime read it back: quoted, with the
// backslashes before a quote (and before the closing quote) doubled.
void AppendArgument(std::wstring& line, const std::wstring& argument) {
  if (!line.empty()) line += L' ';
  line += L'"';
  size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

HANDLE Inheritable(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const std::wstring wide = path.empty() ? std::wstring(L"NUL") : Wide(path);
  return ::CreateFileW(wide.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Starts the program with its standard streams in the files given ("" for NUL).
HANDLE Start(const std::string& program, const std::vector<std::string>& arguments,
             const std::string& outPath, const std::string& errPath) {
  std::wstring line;
  AppendArgument(line, Wide(program));
  for (const std::string& argument : arguments) AppendArgument(line, Wide(argument));
  const HANDLE in = Inheritable("", GENERIC_READ, OPEN_EXISTING);
  const HANDLE out =
      Inheritable(outPath, GENERIC_WRITE, outPath.empty() ? OPEN_EXISTING : CREATE_ALWAYS);
  const HANDLE err =
      Inheritable(errPath, GENERIC_WRITE, errPath.empty() ? OPEN_EXISTING : CREATE_ALWAYS);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  const BOOL started = ::CreateProcessW(Wide(program).c_str(), line.data(), nullptr, nullptr, TRUE,
                                        0, nullptr, nullptr, &startup, &process);
  for (HANDLE handle : {in, out, err}) {
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  }
  if (!started) return nullptr;
  ::CloseHandle(process.hThread);
  return process.hProcess;
}

}  // namespace

std::filesystem::path PathOf(std::string_view utf8) {
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

void SetEnv(const std::string& name, const std::string& value) {
  // Both the system's block (what the program's own calls read) and the C runtime's
  // copy (getenv); an empty value removes the variable here, as _wputenv_s does.
  ::SetEnvironmentVariableW(Wide(name).c_str(), value.empty() ? nullptr : Wide(value).c_str());
  ::_wputenv_s(Wide(name).c_str(), Wide(value).c_str());
}

void UnsetEnv(const std::string& name) {
  ::SetEnvironmentVariableW(Wide(name).c_str(), nullptr);
  ::_wputenv_s(Wide(name).c_str(), L"");
}

std::optional<std::string> GetEnv(const std::string& name) {
  const wchar_t* value = ::_wgetenv(Wide(name).c_str());
  if (!value) return std::nullopt;
  return Utf8Of(std::filesystem::path(value));
}

std::string StartWithLoginText() {
  wchar_t value[4096] = {};
  DWORD bytes = sizeof value - sizeof(wchar_t);
  if (::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                     L"Vorlane", RRF_RT_REG_SZ, nullptr, value, &bytes) != ERROR_SUCCESS) {
    return {};
  }
  return Utf8Of(std::filesystem::path(value));
}

void MakeFileLink(const std::string&, const std::string&) {}

// Links need a privilege here, and Windows has no named pipes in folders.
void MakeLinkAndPipe(const std::string&, const std::string&) {}

bool RunningUnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

size_t OpenHandleCount() {
  DWORD count = 0;
  ::GetProcessHandleCount(::GetCurrentProcess(), &count);
  return count;
}

std::string MakeTemporaryFolder(std::string_view stem) {
  static std::mt19937_64 random{std::random_device{}()};
  std::error_code error;
  const std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
  if (error) return {};
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[20];
    std::snprintf(suffix, sizeof suffix, "%08llx",
                  static_cast<unsigned long long>(random() & 0xFFFFFFFFu));
    const std::filesystem::path folder = temporary / (std::string(stem) + suffix);
    // create_directory is true only for a folder it made itself.
    if (std::filesystem::create_directory(folder, error)) return Utf8Of(folder);
  }
  return {};
}

int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& outPath, const std::string& errPath) {
  const HANDLE process = Start(program, arguments, outPath, errPath);
  if (!process) return -1;
  ::WaitForSingleObject(process, INFINITE);
  DWORD code = 0;
  const BOOL known = ::GetExitCodeProcess(process, &code);
  ::CloseHandle(process);
  return known ? static_cast<int>(code) : -1;
}

BackgroundProgram::~BackgroundProgram() {
  Kill();
}

bool BackgroundProgram::Start(const std::string& program,
                              const std::vector<std::string>& arguments) {
  Kill();
  Process = vorlane::test::Start(program, arguments, "", "");
  return Process != nullptr;
}

void BackgroundProgram::Wait() {
  if (!Process) return;
  ::WaitForSingleObject(Process, INFINITE);
  ::CloseHandle(Process);
  Process = nullptr;
}

void BackgroundProgram::Kill() {
  if (!Process) return;
  ::TerminateProcess(Process, 1);
  ::WaitForSingleObject(Process, INFINITE);
  ::CloseHandle(Process);
  Process = nullptr;
}

StandIn MakeStandIn(const std::string& folder, const std::string& name, int seconds) {
  // The test binaries are linked statically, so a copy runs from any folder.
  const std::string program = Platform::JoinPath(folder, name);
  std::error_code error;
  std::filesystem::copy_file(PathOf(Platform::ExecutablePath().value_or(std::string())),
                             PathOf(program), error);
  if (error) return {};
  return {program, {std::string(SleepArgument), std::to_string(seconds * 1000)}};
}

}  // namespace vorlane::test
