#include <gtest/gtest.h>

#include "sources/ContentKinds.h"

TEST(ContentKinds, NamesAndOutOfRangeCodes) {
  const char* expected[] = {"all", "jpg",   "gif", "png", "bmp", "ico", "flv",
                            "swf", "html",  "xml", "css", "js",  "mp3", "wav",
                            "pdf", "plain", "zip", "mpg", "wmv", "mp4"};
  for (KindCode code = 0; code < KindCount; ++code) {
    EXPECT_EQ(KindName(code), expected[code]) << code;
    // Every short name classifies back to its own code ("all" to 0).
    EXPECT_EQ(Classify(KindName(code)), code) << code;
  }
  EXPECT_EQ(KindName(-1), "all");
  EXPECT_EQ(KindName(20), "all");
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
