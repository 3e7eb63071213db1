#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine/CCacheFilter.h"
#include "engine/CCapturePass.h"
#include "engine/OutputFolders.h"
#include "platform/Paths.h"
#include "platform/System.h"
#include "sources/ContentKinds.h"
#include "support/MemorySource.h"
#include "support/TestPlatform.h"
#include "support/TestSupport.h"

using vorlane::test::FixturePath;
using vorlane::test::ListNames;
using vorlane::test::MemorySource;
using vorlane::test::ReadFile;

namespace {

// A cache entry as a source makes it: the kind from the content type, the body a
// real file padded past the filter's 10 KB (the probe reads only the headers).
MemorySource::Item Entry(const std::string& url, const std::string& contentType,
                         const std::string& body) {
  return {url, body, Classify(contentType)};
}

std::string Picture(const std::string& fixture, size_t padTo = 12 * 1024) {
  std::string bytes = ReadFile(FixturePath("images/" + fixture));
  if (bytes.size() < padTo) bytes.resize(padTo, '\0');
  return bytes;
}

}  // namespace

// The shipped default filter file over a cache of today's formats, measured by the
// real image probe: large pictures of every new format, audio and video are saved
// under their own extensions, small pictures and other kinds are not.
TEST(DefaultFilter, SavesTodaysPicturesAudioAndVideo) {
  vorlane::test::TempDir home;
  // The home folder is the sandbox's here; on Windows the shell names it, and under
  // Wine it is the prefix's own user, whose VOR_SAVES goes again at the end.
  vorlane::test::ScopedEnv homeVariable("HOME", home.Path());
  if (Platform::RunningOnWindows && !vorlane::test::RunningUnderWine()) {
    GTEST_SKIP() << "would save into the user's own VOR_SAVES";
  }
  const std::string saves = Platform::ExpandHome("~/VOR_SAVES");
  struct Removed {
    explicit Removed(std::string path) : Path(std::move(path)) { Remove(); }
    ~Removed() { Remove(); }
    void Remove() const {
      if (Platform::RunningOnWindows) std::filesystem::remove_all(vorlane::test::PathOf(Path));
    }
    std::string Path;
  } removed{saves};
  CCacheFilter set;
  ASSERT_TRUE(set.ReadFilterFile(std::string(VORLANE_SOURCE_DIR) + "/Filters/Default.flt"));
  ASSERT_EQ(set.Count(), 3);

  const std::string webp = Picture("webp-lossy-320x240.webp");
  const std::string avif = Picture("avif-320x240.avif");
  const std::string heic = Picture("heic-320x240.heic");
  const std::string jxl = Picture("jxl-300x200.jxl");
  MemorySource source({
      Entry("https://cdn.example/a.webp", "image/webp", webp),
      Entry("https://cdn.example/small.webp", "image/webp", Picture("webp-lossy-47x29.webp")),
      Entry("https://cdn.example/a", "image/avif", avif),
      Entry("https://cdn.example/small", "image/avif", Picture("avif-37x23.avif")),
      // Turned by irot to 64 x 128: too narrow either way.
      Entry("https://cdn.example/turned", "image/avif", Picture("avif-irot1-64x128.avif")),
      Entry("https://cdn.example/IMG_1.HEIC", "image/heic", heic),
      Entry("https://cdn.example/IMG_2.HEIC", "image/heic", Picture("heic-37x23.heic")),
      // Large enough in pixels but under 10 KB.
      Entry("https://cdn.example/IMG_3.HEIC", "image/heic", Picture("heic-320x240.heic", 0)),
      Entry("https://cdn.example/b.jxl", "image/jxl", jxl),
      // Sent as bytes: the URL's extension names the kind.
      Entry("https://cdn.example/c.jxl", "application/octet-stream",
            Picture("jxl-container-47x29.jxl")),
      Entry("https://cdn.example/clip", "video/webm; codecs=\"vp9, opus\"", "webm video"),
      Entry("https://cdn.example/song", "audio/ogg; codecs=opus", "ogg audio"),
      Entry("https://cdn.example/song.m4a", "audio/x-m4a", "m4a audio"),
      Entry("https://cdn.example/old.mp3", "audio/mpeg", "mp3 audio"),
      Entry("https://cdn.example/movie.swf", "application/x-shockwave-flash", "flash"),
      Entry("https://cdn.example/app.wasm", "application/wasm", "wasm"),
      Entry("https://cdn.example/font.woff2", "font/woff2", "font"),
  });
  source.LoadEntries();
  CCapturePass pass(set, {});
  pass.Comb(source);

  const std::string pictures = ResolveDirectory("~/VOR_SAVES/%DATE%/Pictures");
  const std::string music = ResolveDirectory("~/VOR_SAVES/%DATE%/Music");
  const std::string video = ResolveDirectory("~/VOR_SAVES/%DATE%/Video");
  ASSERT_EQ(pictures.rfind(saves, 0), 0u) << pictures;
  EXPECT_EQ(ListNames(pictures), (std::vector<std::string>{"picture0.webp", "picture1.avif",
                                                           "picture2.heic", "picture3.jxl"}));
  EXPECT_EQ(ReadFile(pictures + "/picture0.webp"), webp);
  EXPECT_EQ(ReadFile(pictures + "/picture1.avif"), avif);
  EXPECT_EQ(ReadFile(pictures + "/picture2.heic"), heic);
  EXPECT_EQ(ReadFile(pictures + "/picture3.jxl"), jxl);
  EXPECT_EQ(ListNames(music), (std::vector<std::string>{"music0.ogg", "music1.m4a", "music2.mp3"}));
  EXPECT_EQ(ReadFile(music + "/music1.m4a"), "m4a audio");
  EXPECT_EQ(ListNames(video), (std::vector<std::string>{"video0.webm"}));
  EXPECT_EQ(ReadFile(video + "/video0.webm"), "webm video");
  EXPECT_EQ(pass.GetNewFileCount(), 8);
  // No Flash folder any more, nor any other.
  std::set<std::string> folders;
  for (const auto& item :
       std::filesystem::directory_iterator(ResolveDirectory("~/VOR_SAVES/%DATE%"))) {
    folders.insert(item.path().filename().string());
  }
  EXPECT_EQ(folders, (std::set<std::string>{"Music", "Pictures", "Video"}));
}
