#include "ContentStream.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace vorlane::bench {

namespace {

constexpr size_t kUnit = 4096;

constexpr std::array<std::string_view, 16> kWords = {
    "the",   "cache", "entry", "browser", "var",    "function", "return", "div",
    "class", "style", "width", "height",  "color:", "margin",   "{",      "}"};

// A 1x1 GIF whose two palette colours carry the content number, so no two
// originals are equal although all have the same size.
std::string TinyGif(uint32_t content) {
  std::string gif("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13);
  gif += static_cast<char>(content);
  gif += static_cast<char>(content >> 8);
  gif += static_cast<char>(content >> 16);
  gif += static_cast<char>(content >> 24);
  gif += '\0';
  gif += '\0';
  gif.append("\x21\xF9\x04\x01\x00\x00\x00\x00", 8);
  gif.append("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10);
  gif.append("\x02\x02\x44\x01\x00\x3B", 6);
  return gif;
}

}  // namespace

ContentStream::ContentStream(const PlannedEntry& entry, uint64_t planSeed)
    : Entry(entry),
      Random(planSeed ^ (uint64_t{entry.Content} * 0xD6E8FEB86659FD93ull)),
      Left(entry.Size) {}

void ContentStream::Refill() {
  Carry.clear();
  CarryPos = 0;
  const bool first = !Started;
  Started = true;
  if (Entry.Category == EntryCategory::TinyImage) {
    Carry = TinyGif(Entry.Content);
    if (Carry.size() < Left) Carry.resize(static_cast<size_t>(Left), '\0');
    return;
  }
  if (first) Carry = std::to_string(Entry.Content) + "\n";
  if (Entry.Text) {
    while (Carry.size() < kUnit) {
      const uint64_t pick = Random.Next();
      Carry += kWords[pick % kWords.size()];
      Carry += (pick >> 8) % 12 == 0 ? '\n' : ' ';
    }
    return;
  }
  const size_t start = Carry.size();
  Carry.resize(start + kUnit);
  for (size_t at = start; at + 8 <= Carry.size(); at += 8) {
    const uint64_t word = Random.Next();
    std::memcpy(Carry.data() + at, &word, 8);
  }
}

size_t ContentStream::Read(std::span<char> buffer) {
  const size_t wanted = static_cast<size_t>(std::min<uint64_t>(buffer.size(), Left));
  size_t done = 0;
  while (done < wanted) {
    if (CarryPos == Carry.size()) Refill();
    const size_t take = std::min(wanted - done, Carry.size() - CarryPos);
    std::memcpy(buffer.data() + done, Carry.data() + CarryPos, take);
    CarryPos += take;
    done += take;
  }
  Left -= done;
  return done;
}

std::string ContentStream::All(const PlannedEntry& entry, uint64_t planSeed) {
  ContentStream stream(entry, planSeed);
  std::string bytes(entry.Size, '\0');
  stream.Read(bytes);
  return bytes;
}

}  // namespace vorlane::bench
