#include "sources/ContentKinds.h"

#include <array>

namespace {

struct KindWords {
  KindCode Code;
  std::array<std::string_view, 2> Words;
};

constexpr std::array<std::string_view, KindCount> kNames = {
    "all", "jpg", "gif", "png", "bmp", "ico",   "flv", "swf", "html", "xml",
    "css", "js",  "mp3", "wav", "pdf", "plain", "zip", "mpg", "wmv",  "mp4"};

// The trial order matters: html before xml (xhtml+xml), js before everything that
// contains it, mpg (video/mpeg) before mp3 (audio/mpeg).
constexpr std::array<KindWords, 19> kTrialOrder = {{
    {1, {"jpg", "jpeg"}},
    {2, {"gif", {}}},
    {3, {"png", {}}},
    {4, {"bmp", {}}},
    {5, {"icon", "ico"}},
    {6, {"flv", {}}},
    {7, {"shockwave-flash", "swf"}},
    {8, {"html", {}}},
    {9, {"xml", {}}},
    {10, {"css", {}}},
    {11, {"javascript", "js"}},
    {17, {"mpg", "video/mpeg"}},
    {12, {"audio/mpeg", "mp3"}},
    {13, {"wav", {}}},
    {14, {"pdf", {}}},
    {15, {"plain", {}}},
    {16, {"zip", {}}},
    {18, {"wmv", {}}},
    {19, {"mp4", {}}},
}};

bool IsUtf8Continuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string_view KindName(KindCode code) {
  if (code < 1 || code >= KindCount) return kNames[0];
  return kNames[static_cast<size_t>(code)];
}

KindCode Classify(std::string_view text) {
  for (const KindWords& kind : kTrialOrder) {
    for (std::string_view word : kind.Words) {
      if (!word.empty() && text.find(word) != std::string_view::npos) return kind.Code;
    }
  }
  return KindAll;
}

KindCode RefineByUrl(std::string_view url, KindCode current) {
  // Lengths count characters, not bytes: a UTF-8 sequence is one character.
  size_t length = 0;
  for (char c : url) {
    if (!IsUtf8Continuation(c)) ++length;
  }
  if (length < 3 || url.back() == '/') return current;
  if (length < 6) return current;

  // Byte offset where the last six characters begin.
  size_t tailStart = url.size();
  for (int chars = 0; chars < 6 && tailStart > 0;) {
    --tailStart;
    if (!IsUtf8Continuation(url[tailStart])) ++chars;
  }
  const size_t dot = url.find('.', tailStart);
  if (dot == std::string_view::npos || dot + 1 == url.size()) return current;

  const KindCode refined = Classify(url.substr(dot + 1));
  return refined != KindAll ? refined : current;
}
