#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "AppTestSupport.h"
#include "Win32TestSupport.h"
#include "config/Settings.h"
#include "platform/Files.h"
#include "support/TestSupport.h"
#include "win32/CQuellbyApp.h"
#include "win32/OwnedHandle.h"
#include "win32/RunningInstance.h"
#include "win32/UiThreadBridge.h"
#include "win32/WideText.h"

using win32test::PumpUntil;
using Start = RunningInstance::Start;

namespace {

// Starts the program with `argument`; the process, or none.
KernelHandle StartProgram(const std::string& argument) {
  std::wstring line =
      L"\"" + WideText::FromUtf8(VORLANE_WIN32_PROGRAM) + L"\" " + WideText::FromUtf8(argument);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return KernelHandle();
  }
  ::CloseHandle(process.hThread);
  return KernelHandle(process.hProcess);
}

bool HasEnded(const KernelHandle& process) {
  return ::WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0;
}

}  // namespace

// The command word is the first argument that is no option; "Close" only with its
// capital letter.
TEST(Win32Instance, CommandWordIsTheFirstPlainArgument) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, ""},
      {{"Close"}, "Close"},
      {{"-x", "/y", "Close", "other"}, "Close"},
      {{"close"}, "close"},
      {{"--help"}, ""},
  };
  for (const auto& [arguments, word] : cases) {
    EXPECT_EQ(CQuellbyApp::CommandWord(arguments), word) << (arguments.empty() ? "" : arguments[0]);
  }
}

// One program holds the mark; a later start ends, and with "Close" it first asks the
// running one to close. "Close" without a running program ends at once.
TEST(Win32Instance, ASecondStartEndsAndCloseReachesTheFirst) {
  int closes = 0;
  {
    RunningInstance first;
    ASSERT_EQ(first.Claim(false), Start::Run);
    ASSERT_TRUE(first.Listen([&closes] { ++closes; }));

    RunningInstance second;
    EXPECT_EQ(second.Claim(false), Start::End);
    EXPECT_EQ(second.Claim(true), Start::End);
    EXPECT_TRUE(PumpUntil([&] { return closes == 1; }));
  }
  RunningInstance later;
  EXPECT_EQ(later.Claim(true), Start::End);
  EXPECT_FALSE(RunningInstance::CloseOther(0));
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(later.Claim(false), Start::Run);
}

// The program itself, started while this test holds the mark: a plain start and
// "close" end, asking this process to show its window; "Close" asks it to close.
TEST(Win32Instance, TheProgramStartedAgainEndsOrClosesTheRunningOne) {
  int closes = 0;
  int shows = 0;
  RunningInstance running;
  ASSERT_EQ(running.Claim(false), Start::Run);
  ASSERT_TRUE(running.Listen([&closes] { ++closes; }, [&shows] { ++shows; }));
  for (const std::string argument : {"", "close"}) {
    const KernelHandle second = StartProgram(argument);
    ASSERT_TRUE(second) << argument;
    ASSERT_TRUE(PumpUntil([&] { return HasEnded(second); }, 60000, second.Get())) << argument;
    DWORD code = 1;
    ::GetExitCodeProcess(second.Get(), &code);
    EXPECT_EQ(code, 0u) << argument;
  }
  EXPECT_TRUE(PumpUntil([&] { return shows == 2; }));
  EXPECT_EQ(closes, 0);

  const KernelHandle closer = StartProgram("Close");
  ASSERT_TRUE(closer);
  EXPECT_TRUE(PumpUntil([&] { return closes == 1; }, 60000));
  // It would wait for this process to end.
  ::TerminateProcess(closer.Get(), 0);
  ::WaitForSingleObject(closer.Get(), INFINITE);
}

// Work from another thread runs on the UI thread while the caller waits; on the UI
// thread it runs at once; a closed bridge runs nothing.
TEST(Win32Bridge, RunsWorkOnTheUiThreadAndWaits) {
  UiThreadBridge bridge;
  ASSERT_TRUE(bridge.Create());
  const DWORD uiThread = ::GetCurrentThreadId();
  DWORD ranOn = 0;
  EXPECT_TRUE(bridge.Run([&] { ranOn = ::GetCurrentThreadId(); }));
  EXPECT_EQ(ranOn, uiThread);

  std::atomic<bool> done{false};
  bool seenAfterRun = false;
  std::thread worker([&] {
    int value = 0;
    EXPECT_TRUE(bridge.Run([&] {
      ranOn = ::GetCurrentThreadId();
      value = 42;
    }));
    seenAfterRun = value == 42;
    done = true;
    // Wakes the UI thread's wait.
    ::PostThreadMessageW(uiThread, WM_NULL, 0, 0);
  });
  EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(ranOn, uiThread);
  EXPECT_TRUE(seenAfterRun);

  bridge.Close();
  bool ran = false;
  std::thread late([&] { EXPECT_FALSE(bridge.Run([&] { ran = true; })); });
  late.join();
  EXPECT_FALSE(bridge.Run([&] { ran = true; }));
  EXPECT_FALSE(ran);
}

// The whole start and end: the first start runs hidden; a second start ends at once; a
// "Close" start makes the running one leave its loop, and its end writes the settings.
using Win32App = apptest::AppTest;
TEST_F(Win32App, CloseEndsTheRunningProgramWithItsSettingsWritten) {
  CQuellbyApp app({});
  ASSERT_TRUE(app.InitInstance());
  ASSERT_NE(app.MainWindow(), nullptr);
  EXPECT_FALSE(::IsWindowVisible(app.MainWindow()->Handle()));
  EXPECT_FALSE(CQuellbyApp({}).InitInstance());
  EXPECT_FALSE(CQuellbyApp({"Close"}).InitInstance());
  EXPECT_EQ(app.Run(), 0);
  EXPECT_EQ(app.ExitInstance(0), 0);
  EXPECT_EQ(app.MainWindow(), nullptr);
  EXPECT_TRUE(Platform::FileExists(ProgramPlaces().SettingsPath));
  // The mark is free again.
  RunningInstance next;
  EXPECT_EQ(next.Claim(false), Start::Run);
}
