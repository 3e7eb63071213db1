#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "sources/ContentKinds.h"

TEST(ContentKinds, NamesAndOutOfRangeCodes) {
  const char* expected[] = {"all",  "jpg", "gif", "png",  "bmp",  "ico",  "flv",  "swf",
                            "html", "xml", "css", "js",   "mp3",  "wav",  "pdf",  "plain",
                            "zip",  "mpg", "wmv", "mp4",  "webp", "avif", "heic", "jxl",
                            "webm", "ogg", "m4a", "flac", "woff", "wasm"};
  for (KindCode code = 0; code < KindCount; ++code) {
    EXPECT_EQ(KindName(code), expected[code]) << code;
    // Every short name classifies back to its own code ("all" to 0).
    EXPECT_EQ(Classify(KindName(code)), code) << code;
  }
  EXPECT_EQ(KindName(-1), "all");
  EXPECT_EQ(KindName(KindCount), "all");  // 30: the first code past the kinds
  EXPECT_EQ(KindName(99), "all");
  EXPECT_EQ(KindName(103), "all");
  EXPECT_EQ(KindName(1000), "all");
}

TEST(ContentKinds, ClassifyFollowsTrialOrderAndSubstrings) {
  const std::pair<const char*, KindCode> cases[] = {
      {"image/jpeg", 1},
      {"image/pjpeg", 1},
      {"application/xhtml+xml", 8},  // html is tried before xml
      {"image/svg+xml", 9},
      {"application/json", 11},  // holds "js"
      {"text/javascript", 11},
      {"application/x-javascript", 11},
      {"image/x-icon", 5},
      {"image/vnd.microsoft.icon", 5},
      {"application/x-shockwave-flash", 7},
      {"video/x-flv", 6},
      {"video/mpeg", 17},
      {"audio/mpeg", 12},
      {"video/mp4", 19},
      {"video/x-ms-wmv", 18},
      {"audio/x-wav", 13},
      {"text/plain", 15},
      {"application/octet-stream", 0},
      {"IMAGE/JPEG", 0},  // case-sensitive
      {"", 0},
      {"text/css; charset=utf-8", 10},
      {"application/zip", 16},
      {"application/pdf", 14},
  };
  for (const auto& [text, code] : cases) EXPECT_EQ(Classify(text), code) << text;
}

TEST(ContentKinds, RefineByUrlSixCharacterRule) {
  struct Case {
    const char* url;
    KindCode current;
    KindCode expected;
  };
  const Case cases[] = {
      {"http://example.com/style.css", 15, 10},
      {"http://example.com/readme.txt", 15, 15},
      {"http://example.com/", 0, 0},  // ends with a slash
      {"http://example.com/pics/", 15, 15},
      {"a.gif", 0, 0},   // five characters: too short
      {"ab.gif", 0, 2},  // six: the rule applies
      {"x", 0, 0},
      {"", 15, 15},
      {"http://e.com/a.jpeg?x", 0, 0},  // the dot lies seven from the end
      {"http://e.com/a.jpeg", 0, 1},
      {"http://e.com/app.js?ab", 0, 11},  // short query stays attached
      {"http://e.com/app.js?a=b", 0, 0},
      {"http://e.com/file.", 0, 0},    // dot is the last character
      {"http://e.com/a.b.png", 0, 3},  // leftmost dot of the tail: "b.png"
      {"http://e.com/movie.swf", 0, 7},
      {"http://e.com/song.mp3", 15, 12},
      {"http://e.com/unknown.qqq", 15, 15},
      {"http://e.com/x.html", 0, 8},
  };
  for (const Case& c : cases) EXPECT_EQ(RefineByUrl(c.url, c.current), c.expected) << c.url;
}

TEST(ContentKinds, RefineByUrlCountsCharactersNotBytes) {
  // "é" is two bytes but one character: the last six characters are "é.png/".. here
  // the tail "ééé.gif" has its dot within the last six characters.
  EXPECT_EQ(RefineByUrl("http://e.com/\xC3\xA9\xC3\xA9.gif", 0), 2);
  // Five characters although seven bytes: too short.
  EXPECT_EQ(RefineByUrl("\xC3\xA9\xC3\xA9.gi", 0), 0);
}

// Real content types as servers send them (lower-cased, as the sources pass them),
// old and new, each with the kind it must classify to. The original ones pin that
// no newer word takes a type away from the kind it named before.
TEST(ContentKinds, ClassifiesTodaysContentTypes) {
  const std::pair<const char*, KindCode> cases[] = {
      // Original kinds, unchanged.
      {"image/jpeg", 1},
      {"image/gif", 2},
      {"image/png", 3},
      {"image/apng", 3},
      {"image/bmp", 4},
      {"image/x-icon", 5},
      {"image/svg+xml", 9},
      {"application/json", 11},
      {"application/ld+json", 11},
      {"application/manifest+json", 11},
      {"text/javascript; charset=utf-8", 11},
      {"application/xml", 9},
      {"application/rss+xml", 9},
      {"text/html; charset=utf-8", 8},
      {"audio/mp4", 19},  // mp4 is tried first
      {"video/mp4; codecs=\"avc1.42e01e, mp4a.40.2\"", 19},
      {"audio/mpeg", 12},
      {"audio/wav", 13},
      {"audio/x-wav", 13},
      {"video/mpeg", 17},
      {"video/x-flv", 6},
      {"application/zip", 16},
      {"application/pdf", 14},
      {"text/plain", 15},
      // Newer kinds.
      {"image/webp", 20},
      {"image/avif", 21},
      {"image/avif-sequence", 21},
      {"image/heic", 22},
      {"image/heif", 22},
      {"image/heic-sequence", 22},
      {"image/jxl", 23},
      {"video/webm", 24},
      {"audio/webm", 24},
      {"video/webm; codecs=\"vp9, opus\"", 24},  // webm before the opus of ogg
      {"audio/webm;codecs=opus", 24},
      {"audio/ogg", 25},
      {"audio/ogg; codecs=opus", 25},
      {"application/ogg", 25},
      {"video/ogg", 25},
      {"audio/opus", 25},
      {"audio/aac", 26},
      {"audio/aacp", 26},
      {"audio/x-m4a", 26},
      {"audio/m4a", 26},
      {"audio/flac", 27},
      {"audio/x-flac", 27},
      {"font/woff", 28},
      {"font/woff2", 28},
      {"application/font-woff", 28},
      {"application/x-font-woff", 28},
      {"application/wasm", 29},
      // Still no kind.
      {"font/ttf", 0},
      {"font/otf", 0},
      {"application/octet-stream", 0},
      {"video/mp2t", 0},
      {"application/vnd.apple.mpegurl", 0},
      {"application/dash+xml", 9},
      {"audio/x-aac", 0},  // not one of the m4a words
      {"IMAGE/WEBP", 0},   // case-sensitive as before
  };
  for (const auto& [text, code] : cases) EXPECT_EQ(Classify(text), code) << text;
}

TEST(ContentKinds, RefineByUrlKnowsTheNewerExtensions) {
  struct Case {
    const char* url;
    KindCode current;
    KindCode expected;
  };
  const Case cases[] = {
      {"https://cdn.example/p/cat.webp", 15, 20},
      {"https://cdn.example/p/cat.avif", 0, 21},
      {"https://cdn.example/p/IMG_0001.heic", 0, 22},
      {"https://cdn.example/p/IMG_0001.heif", 0, 22},
      {"https://cdn.example/p/cat.jxl", 0, 23},
      {"https://cdn.example/v/clip.webm", 0, 24},
      {"https://cdn.example/a/song.ogg", 0, 25},
      {"https://cdn.example/a/song.opus", 15, 25},
      {"https://cdn.example/a/song.m4a", 0, 26},
      {"https://cdn.example/a/song.flac", 0, 27},  // six characters: "g.flac"
      {"https://cdn.example/f/font.woff", 0, 28},
      {"https://cdn.example/f/font.woff2", 0, 28},
      {"https://cdn.example/app.wasm", 0, 29},
      {"https://cdn.example/cat.webp?w=200", 0, 0},  // the dot is too far from the end
      {"https://cdn.example/cat.png", 0, 3},
      {"https://cdn.example/a.mp4", 0, 19},
      {"https://cdn.example/font.ttf", 15, 15},
  };
  for (const Case& c : cases) EXPECT_EQ(RefineByUrl(c.url, c.current), c.expected) << c.url;
}

TEST(ContentKinds, KindMatchesKindsGroupsAndUnknownCodes) {
  const std::pair<KindCode, std::set<KindCode>> groups[] = {
      {KindEveryPicture, {1, 2, 3, 4, 5, 20, 21, 22, 23}},
      {KindEveryAudio, {12, 13, 25, 26, 27}},
      {KindEveryVideo, {6, 17, 18, 19, 24}}};
  for (KindCode entry = 0; entry < KindCount; ++entry) {
    EXPECT_TRUE(KindMatches(KindAll, entry)) << entry;
    for (KindCode filter = 1; filter < KindCount; ++filter) {
      EXPECT_EQ(KindMatches(filter, entry), filter == entry) << filter << " " << entry;
    }
    for (const auto& [group, members] : groups) {
      EXPECT_EQ(KindMatches(group, entry), members.contains(entry)) << group << " " << entry;
    }
    // Codes no kind or group has take nothing, as they always did.
    for (KindCode unknown : {-1, KindCount, 42, 99, 103}) {
      EXPECT_FALSE(KindMatches(unknown, entry)) << unknown << " " << entry;
    }
  }
  for (const auto& [group, members] : groups) {
    EXPECT_TRUE(IsKindGroup(group));
    EXPECT_FALSE(KindMatches(group, group));  // an entry never holds a group code
    // Group names are no kind words: nothing classifies into a group.
    EXPECT_EQ(Classify(KindName(group)), KindAll) << group;
  }
  EXPECT_EQ(KindName(KindEveryPicture), "pictures");
  EXPECT_EQ(KindName(KindEveryAudio), "audio");
  EXPECT_EQ(KindName(KindEveryVideo), "video");
  EXPECT_FALSE(IsKindGroup(42));
}
