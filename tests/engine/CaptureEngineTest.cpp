#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <filesystem>
#include <thread>

#include "config/BrowserTable.h"
#include "config/Settings.h"
#include "engine/CQuellbyMain.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/System.h"
#include "sources/CError.h"
#include "support/MemorySource.h"
#include "support/TestPlatform.h"
#include "support/TestSupport.h"

using vorlane::test::ListNames;
using vorlane::test::MemorySource;
using vorlane::test::MessageRecorder;
using vorlane::test::ReadFile;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;

namespace {

using namespace std::chrono_literals;

// Waits (bounded) until `done` holds; the bound only keeps a broken test from hanging.
template <typename Predicate>
bool WaitFor(Predicate done) {
  for (int i = 0; i < 2000 && !done(); ++i) std::this_thread::sleep_for(5ms);
  return done();
}

class CaptureEngine : public testing::Test {
 protected:
  void SetUp() override { vorlane::test::UseSandboxPlaces(dir.Path()); }

  std::unique_ptr<CQuellbyMain> MakeEngine() {
    CQuellbyMain::StartupOptions options;
    options.Check = [this](const std::vector<std::string>& names) {
      std::lock_guard guard(RunningLock);
      for (const std::string& name : names) {
        if (std::find(Running.begin(), Running.end(), name) != Running.end()) return true;
      }
      return false;
    };
    options.WatchIntervalMs = 10;
    auto engine = std::make_unique<CQuellbyMain>(options);
    auto filters = engine->Filters();
    auto record = std::make_unique<FilterRecord>();
    record->Directory = out;
    record->FileNameDummy = "f";
    filters->Insert(std::move(record), -1);
    return engine;
  }

  // One of Firefox's process names on this system: the first, second... (the last one
  // where the system has fewer).
  static std::string FirefoxProcess(size_t index) {
    const std::vector<std::string> names = ProcessNamesOf(Browsers()[Firefox]);
    return names[std::min(index, names.size() - 1)];
  }

  void SetRunning(std::vector<std::string> names) {
    std::lock_guard guard(RunningLock);
    Running = std::move(names);
  }

  TempDir dir;
  std::string out = dir / "out";
  std::mutex RunningLock;
  std::vector<std::string> Running;
};

}  // namespace

TEST_F(CaptureEngine, CaptureOnCommandRunsOnAWorkerAndReportsItsState) {
  auto engine = MakeEngine();
  engine->SetSourceFactory([](int) {
    return std::make_unique<MemorySource>(
        std::vector<MemorySource::Item>{{"u1", "a", 1}, {"u2", "b", 2}});
  });
  std::mutex lock;
  std::vector<bool> states;
  std::vector<int> counts;
  engine->SetCaptureStateCallback([&](bool started) {
    std::lock_guard guard(lock);
    states.push_back(started);
    counts.push_back(engine->GetNewFileCount());
  });
  ASSERT_TRUE(engine->StartCapture(CQuellbyMain::Firefox));
  ASSERT_TRUE(WaitFor([&] { return !engine->IsBusy(); }));
  std::lock_guard guard(lock);
  EXPECT_EQ(states, (std::vector<bool>{true, false}));
  EXPECT_EQ(counts.back(), 2);
  EXPECT_EQ(engine->GetLastOutcome(), CQuellbyMain::JobOutcome::Finished);
  EXPECT_EQ(ListNames(out), (std::vector<std::string>{"f0.jpg", "f1.gif"}));
  EXPECT_EQ(engine->GetSavedFiles().size(), 2u);
}

TEST_F(CaptureEngine, RefusesWhileTheBrowserOrItsCachePartnerRuns) {
  MessageRecorder messages;
  auto engine = MakeEngine();
  bool sourceMade = false;
  engine->SetSourceFactory([&](int) {
    sourceMade = true;
    return std::make_unique<MemorySource>();
  });
  SetRunning({FirefoxProcess(1)});
  EXPECT_FALSE(engine->StartCapture(CQuellbyMain::Firefox));
  SetRunning({"maxthon.exe"});
  EXPECT_FALSE(engine->StartCapture(CQuellbyMain::InternetExplorer));
  SetRunning({"iexplore.exe"});
  EXPECT_FALSE(engine->StartCapture(CQuellbyMain::Maxthon));
  // A cache that may be read while its browser runs: the refusal says how.
  struct LiveSource : MemorySource {
    bool SupportsLiveCapture() const override { return true; }
  };
  engine->SetSourceFactory([](int) { return std::make_unique<LiveSource>(); });
  SetRunning({FirefoxProcess(1)});
  EXPECT_FALSE(engine->StartCapture(CQuellbyMain::Firefox));
  EXPECT_FALSE(engine->IsBusy());
  EXPECT_EQ(messages.Texts(),
            (std::vector<std::string>{
                "Mozilla Firefox has to be closed. Please, close the browser and try again.",
                "Maxthon has to be closed. Please, close the browser and try again.",
                "Microsoft Internet Explorer has to be closed. Please, close the browser and try "
                "again.",
                "Mozilla Firefox has to be closed. Please, close the browser and try again.\n" +
                    UiTexts::Get(UiTextKey::HintLiveCapture)}));
  // Unknown browser codes do nothing at all; asking whether a cache may be read live
  // opened it, but no capture read it.
  EXPECT_EQ(engine->GetLastOutcome(), CQuellbyMain::JobOutcome::None);
  sourceMade = false;
  engine->SetSourceFactory([&](int) {
    sourceMade = true;
    return std::make_unique<MemorySource>();
  });
  EXPECT_FALSE(engine->StartCapture(BrowserCount));
  engine->CaptureJob(-1, 0);
  EXPECT_FALSE(sourceMade);
  EXPECT_EQ(engine->GetDisplayName(BrowserCount), "");
}

TEST_F(CaptureEngine, CommandWhileBusyDoesNothingAndJobsNeverOverlap) {
  auto engine = MakeEngine();
  std::mutex lock;
  std::condition_variable released;
  bool release = false;
  std::atomic<int> inside{0};
  std::atomic<int> most{0};
  std::atomic<int> jobs{0};
  engine->SetSourceFactory([&](int) {
    auto source = std::make_unique<MemorySource>(std::vector<MemorySource::Item>{{"u", "x", 1}});
    source->BeforeCopy = [&] {
      most = std::max(most.load(), ++inside);
      std::unique_lock guard(lock);
      released.wait(guard, [&] { return release; });
      --inside;
    };
    return source;
  });
  engine->SetCaptureStateCallback([&](bool started) {
    if (started) ++jobs;
  });
  ASSERT_TRUE(engine->StartCapture(CQuellbyMain::Firefox));
  ASSERT_TRUE(WaitFor([&] { return inside.load() == 1; }));
  EXPECT_TRUE(engine->IsBusy());
  EXPECT_FALSE(engine->StartCapture(CQuellbyMain::InternetExplorer));

  // A job from another thread (as a watcher's) waits for the first.
  std::thread second([&] { engine->CaptureJob(CQuellbyMain::InternetExplorer, 0); });
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(jobs.load(), 1);
  {
    std::lock_guard guard(lock);
    release = true;
  }
  released.notify_all();
  second.join();
  ASSERT_TRUE(WaitFor([&] { return !engine->IsBusy(); }));
  EXPECT_EQ(jobs.load(), 2);
  EXPECT_EQ(most.load(), 1);
}

TEST_F(CaptureEngine, SourceThatCannotOpenGivesNoFiles) {
  class Unopenable : public MemorySource {
   public:
    void Open() override { throw CError(CError::MozillaCache, CError::OpenFailed, "/x"); }
  };
  auto engine = MakeEngine();
  engine->SetSourceFactory([](int) { return std::make_unique<Unopenable>(); });
  engine->CaptureJob(CQuellbyMain::Firefox, 0);
  EXPECT_EQ(engine->GetNewFileCount(), 0);
  EXPECT_EQ(engine->GetLastOutcome(), CQuellbyMain::JobOutcome::OpenFailed);
  ASSERT_TRUE(engine->GetLastProblem());
  EXPECT_EQ(engine->GetLastProblem()->Path, "/x");

  // An output folder that cannot be made: 0 files and the folder outcome.
  MessageRecorder messages;
  engine->Filters()->GetAt(0)->Directory = "not/absolute";
  engine->SetSourceFactory([](int) {
    return std::make_unique<MemorySource>(std::vector<MemorySource::Item>{{"u", "x", 1}});
  });
  engine->CaptureJob(CQuellbyMain::Firefox, 0);
  EXPECT_EQ(engine->GetLastOutcome(), CQuellbyMain::JobOutcome::FolderFailed);
  // The engine keeps the problem for the front end rather than showing it.
  EXPECT_TRUE(messages.Texts().empty());
  ASSERT_TRUE(engine->GetLastProblem());
  // With the reason the folder was refused.
  EXPECT_EQ(ComposeMessage(*engine->GetLastProblem()),
            "Can't create the folder:\nnot/absolute\nThe path must be absolute: it begins with / "
            "(or with ~/ for your home folder).");
}

TEST_F(CaptureEngine, DiscoveredFirefoxFolderIsRemembered) {
  // Where the profiles' caches are: the XDG cache home here, local app data on Windows
  // (the Wine user's own: the profile is removed again).
  const std::string profile =
      Platform::JoinPath(Platform::UserCacheFolder().value(),
                         Platform::RunningOnWindows ? "Mozilla/Firefox/Profiles/ab12.default"
                                                    : "mozilla/firefox/ab12.default");
  Platform::CreateFolderTree(Platform::JoinPath(profile, "Cache"));
  auto engine = MakeEngine();
  engine->CaptureJob(CQuellbyMain::Firefox, 0);  // no cache files: it cannot open
  EXPECT_EQ(CurrentSettings().CacheFolders[Firefox], Platform::JoinPath(profile, "Cache"));
  if (Platform::RunningOnWindows) std::filesystem::remove_all(vorlane::test::PathOf(profile));
}

TEST_F(CaptureEngine, WatcherCapturesOnlyWhatWasCachedSinceTheBrowserStarted) {
  UpdateSettings([](Settings& settings) {
    settings.Watch[InternetExplorer] = false;
    settings.Watch[Maxthon] = false;
  });
  auto engine = MakeEngine();
  const int64_t now = std::time(nullptr);
  engine->SetSourceFactory([now](int) {
    return std::make_unique<MemorySource>(std::vector<MemorySource::Item>{
        {"old", "old body", 1, now - 3600}, {"new", "new body", 1, now + 3600}});
  });
  std::atomic<int> finished{0};
  engine->SetCaptureStateCallback([&](bool started) {
    if (!started) ++finished;
  });
  engine->StartWatchers();
  SetRunning({FirefoxProcess(2)});
  std::this_thread::sleep_for(100ms);
  SetRunning({});
  ASSERT_TRUE(WaitFor([&] { return finished.load() == 1; }));
  EXPECT_EQ(ListNames(out), std::vector<std::string>{"f0.jpg"});
  EXPECT_EQ(vorlane::test::ReadFile(out + "/f0.jpg"), "new body");
}

TEST_F(CaptureEngine, DestructionDuringACaptureCancelsAndJoins) {
  auto engine = MakeEngine();
  std::atomic<int> copies{0};
  engine->SetSourceFactory([&](int) {
    std::vector<MemorySource::Item> items(200, {"u", "body", 1});
    for (size_t i = 0; i < items.size(); ++i) items[i].Body += std::to_string(i);
    auto source = std::make_unique<MemorySource>(items);
    source->BeforeCopy = [&] {
      ++copies;
      std::this_thread::sleep_for(2ms);
    };
    return source;
  });
  ASSERT_TRUE(engine->StartCapture(CQuellbyMain::Firefox));
  ASSERT_TRUE(WaitFor([&] { return copies.load() > 0; }));
  engine.reset();
  EXPECT_LT(copies.load(), 200);
}

TEST_F(CaptureEngine, StartupFilterFileFallsBackToTheDefaultThenWarns) {
  MessageRecorder messages;
  vorlane::test::WriteFile(dir / "Filters/Default.flt",
                           "[GENERAL]\nVorlaneFilter=1\n[FILTER_0]\nContentType=1\nMinHeight=0\n");
  UpdateSettings([&](Settings& settings) { settings.FiltersFileName = dir / "gone.flt"; });
  auto engine = MakeEngine();
  EXPECT_TRUE(engine->LoadStartupFilterFile());
  EXPECT_EQ(engine->Filters()->Count(), 1);
  EXPECT_EQ(CurrentSettings().FiltersFileName, dir / "Filters/Default.flt");
  // The user hears that their own list was not read, and why.
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Can't load the filter from:\n" +
                                                       dir / "gone.flt" + "\nno such file"});

  Platform::DeleteFile(dir / "Filters/Default.flt");
  EXPECT_FALSE(engine->LoadStartupFilterFile());
  EXPECT_EQ(engine->Filters()->Count(), 0);
  EXPECT_EQ(messages.Texts().back(), "Can't load default filter.");
}

// A capture cleans only the program's own scratch folder: the user's files in the data
// folder survive it, whatever their names.
TEST_F(CaptureEngine, ThePassLeavesTheDataFolderAlone) {
  const std::string data = ProgramPlaces().DataFolder;
  WriteFile(data + "/Mine.flt", "[GENERAL]\nVorlaneFilter=1\n");
  WriteFile(data + "/notes.txt", "mine");
  WriteFile(data + "/Temp/scratch.bin", "ours");
  UpdateSettings([&](Settings& settings) { settings.FiltersFileName = data + "/./Mine.flt"; });
  auto engine = MakeEngine();
  engine->SetSourceFactory([](int) {
    return std::make_unique<MemorySource>(std::vector<MemorySource::Item>{{"u", "x", 1}});
  });
  engine->CaptureJob(CQuellbyMain::Firefox, 0);
  EXPECT_EQ(ReadFile(data + "/notes.txt"), "mine");
  EXPECT_TRUE(Platform::FileExists(data + "/Mine.flt"));
  EXPECT_FALSE(Platform::FileExists(data + "/Temp/scratch.bin"));
}
