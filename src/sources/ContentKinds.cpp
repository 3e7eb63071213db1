#include "sources/ContentKinds.h"

#include <algorithm>
#include <array>
#include <span>

namespace {

struct KindWords {
  KindCode Code;
  std::array<std::string_view, 3> Words;
};

constexpr std::array<std::string_view, KindCount> kNames = {
    "all",  "jpg",  "gif",  "png", "bmp",  "ico",   "flv", "swf",  "html", "xml",
    "css",  "js",   "mp3",  "wav", "pdf",  "plain", "zip", "mpg",  "wmv",  "mp4",
    "webp", "avif", "heic", "jxl", "webm", "ogg",   "m4a", "flac", "woff", "wasm"};

// The trial order matters: html before xml (xhtml+xml), js before everything that
// contains it, mpg (video/mpeg) before mp3 (audio/mpeg). The newer kinds come after
// all the original ones, so every text that named an original kind still does
// (audio/mp4 stays mp4, image/svg+xml stays xml); among them webm comes before ogg,
// so "audio/webm; codecs=opus" is webm.
constexpr std::array<KindWords, 29> kTrialOrder = {{
    {1, {"jpg", "jpeg"}},
    {2, {"gif"}},
    {3, {"png"}},
    {4, {"bmp"}},
    {5, {"icon", "ico"}},
    {6, {"flv"}},
    {7, {"shockwave-flash", "swf"}},
    {8, {"html"}},
    {9, {"xml"}},
    {10, {"css"}},
    {11, {"javascript", "js"}},
    {17, {"mpg", "video/mpeg"}},
    {12, {"audio/mpeg", "mp3"}},
    {13, {"wav"}},
    {14, {"pdf"}},
    {15, {"plain"}},
    {16, {"zip"}},
    {18, {"wmv"}},
    {19, {"mp4"}},
    {20, {"webp"}},
    {21, {"avif"}},
    {22, {"heic", "heif"}},
    {23, {"jxl"}},
    {24, {"webm"}},
    {25, {"ogg", "opus"}},
    {26, {"m4a", "audio/aac", "audio/x-m4a"}},
    {27, {"flac"}},
    {28, {"woff"}},
    {29, {"wasm"}},
}};

struct KindGroup {
  KindCode Code;
  std::string_view Name;
  std::span<const KindCode> Members;
};

constexpr std::array<KindCode, 9> kPictures = {1, 2, 3, 4, 5, 20, 21, 22, 23};
constexpr std::array<KindCode, 5> kAudio = {12, 13, 25, 26, 27};
constexpr std::array<KindCode, 5> kVideo = {6, 17, 18, 19, 24};

constexpr std::array<KindGroup, 3> kGroups = {{
    {KindEveryPicture, "pictures", kPictures},
    {KindEveryAudio, "audio", kAudio},
    {KindEveryVideo, "video", kVideo},
}};

const KindGroup* FindGroup(KindCode code) {
  for (const KindGroup& group : kGroups) {
    if (group.Code == code) return &group;
  }
  return nullptr;
}

bool IsUtf8Continuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string_view KindName(KindCode code) {
  if (const KindGroup* group = FindGroup(code)) return group->Name;
  if (code < 1 || code >= KindCount) return kNames[0];
  return kNames[static_cast<size_t>(code)];
}

bool IsKindGroup(KindCode code) {
  return FindGroup(code) != nullptr;
}

bool KindMatches(KindCode filterKind, KindCode entryKind) {
  if (filterKind == KindAll) return true;
  if (const KindGroup* group = FindGroup(filterKind)) {
    return std::find(group->Members.begin(), group->Members.end(), entryKind) !=
           group->Members.end();
  }
  return filterKind > KindAll && filterKind < KindCount && filterKind == entryKind;
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
