#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "sources/ContentDecoder.h"
#include "sources/DecodeBudget.h"
#include "support/MozillaCache2Writer.h"

using namespace vorlane::test;
using ContentDecoder::Coding;
using ContentDecoder::Result;

namespace {

// Text with enough variety that every coder has real work to do.
std::string Body(size_t length) {
  std::string text;
  uint32_t seed = 7;
  while (text.size() < length) {
    seed = seed * 1103515245u + 12345u;
    text +=
        "function f" + std::to_string(seed % 997) + "(){return " + std::to_string(seed) + ";}\n";
  }
  text.resize(length);
  return text;
}

struct Decoded {
  Result Status = Result::Failed;
  std::string Bytes;
  uint64_t Count = 0;
};

// Feeds the input `step` bytes per read, so streams are cut at every kind of place.
Decoded DecodeAll(std::string_view encoding, const std::string& input, uint64_t cap = 1 << 30,
                  size_t step = 1 << 20, bool failWrites = false, bool failReads = false) {
  Decoded out;
  size_t position = 0;
  const ContentDecoder::Reader reader = [&](std::span<std::byte> buffer) -> int64_t {
    if (failReads && position > 0) return -1;
    const size_t n = std::min({step, buffer.size(), input.size() - position});
    std::memcpy(buffer.data(), input.data() + position, n);
    position += n;
    return static_cast<int64_t>(n);
  };
  const ContentDecoder::Writer writer = [&](std::span<const std::byte> bytes) {
    if (failWrites) return false;
    out.Bytes.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return true;
  };
  out.Status = ContentDecoder::Decode(encoding, reader, writer, cap, &out.Count);
  return out;
}

}  // namespace

TEST(ContentDecoder, ParsesTheContentEncodingValue) {
  const std::pair<const char*, std::optional<Coding>> cases[] = {
      {"", Coding::Identity},
      {"identity", Coding::Identity},
      {" Identity ,", Coding::Identity},
      {"gzip", Coding::Gzip},
      {"GZIP", Coding::Gzip},
      {"x-gzip", Coding::Gzip},
      {" gzip\t", Coding::Gzip},
      {"deflate", Coding::Deflate},
      {"br", Coding::Brotli},
      {"zstd", Coding::Zstd},
      {"identity, br", Coding::Brotli},
      {"gzip, br", std::nullopt},
      {"gzip,gzip", std::nullopt},
      {"compress", std::nullopt},
      {"x-compress", std::nullopt},
      {"bzip2", std::nullopt},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(ContentDecoder::ParseCoding(text), expected) << '"' << text << '"';
  }
  EXPECT_EQ(DecodeAll("", "stored").Status, Result::NothingToDo);
  EXPECT_EQ(DecodeAll("gzip, br", "stored").Status, Result::Unsupported);
  EXPECT_EQ(DecodeAll("compress", "stored").Status, Result::Unsupported);
}

TEST(ContentDecoder, CapIsSixtyFourTimesTheStoredSizeWithinBounds) {
  constexpr uint64_t MiB = uint64_t{1} << 20;
  const std::pair<uint64_t, uint64_t> cases[] = {
      {0, 64 * MiB},
      {1 * MiB, 64 * MiB},
      {1 * MiB + 1, 64 * MiB + 64},
      {10 * MiB, 640 * MiB},
      {16 * MiB, 1024 * MiB},
      {17 * MiB, 1024 * MiB},
      {UINT64_MAX, 1024 * MiB},
  };
  for (const auto& [stored, cap] : cases) {
    EXPECT_EQ(ContentDecoder::DecodedSizeCap(stored), cap) << stored;
  }
}

TEST(ContentDecoder, EveryCodingDecodesAcrossAnyReadSize) {
  const std::string body = Body(300 * 1024);  // several output buffers' worth
  for (const char* encoding : {"gzip", "x-gzip", "deflate", "deflate-raw", "br", "zstd"}) {
    const std::string stored = CompressBody(encoding, body);
    const std::string name = std::string(encoding) == "deflate-raw" ? "deflate" : encoding;
    for (size_t step : {size_t{1}, size_t{7}, size_t{1} << 20}) {
      if (step == 1 && stored.size() > 100000) continue;
      SCOPED_TRACE(std::string(encoding) + " step " + std::to_string(step));
      const Decoded out = DecodeAll(name, stored, uint64_t{1} << 30, step);
      ASSERT_EQ(out.Status, Result::Ok);
      EXPECT_EQ(out.Count, body.size());
      EXPECT_TRUE(out.Bytes == body);
    }
  }
}

TEST(ContentDecoder, DamagedInputFails) {
  const std::string body = Body(50000);
  for (const char* encoding : {"gzip", "deflate", "br", "zstd"}) {
    SCOPED_TRACE(encoding);
    const std::string stored = CompressBody(encoding, body);
    EXPECT_EQ(DecodeAll(encoding, stored.substr(0, stored.size() / 2)).Status, Result::Failed);
    EXPECT_EQ(DecodeAll(encoding, stored.substr(0, stored.size() - 1)).Status, Result::Failed);
    std::string corrupt = stored;
    for (size_t i = 10; i < 40 && i < corrupt.size(); ++i) corrupt[i] = static_cast<char>(0xA5);
    EXPECT_EQ(DecodeAll(encoding, corrupt).Status, Result::Failed);
    EXPECT_EQ(DecodeAll(encoding, "").Status, Result::Failed);
    EXPECT_EQ(DecodeAll(encoding, "plain text that was never compressed").Status, Result::Failed);
    EXPECT_EQ(DecodeAll(encoding, stored, 1 << 30, 1 << 20, true).Status, Result::Failed);
    EXPECT_EQ(DecodeAll(encoding, stored, 1 << 30, 100, false, true).Status, Result::Failed);
  }
}

TEST(ContentDecoder, CapStopsDecompressionBombs) {
  const std::string zeros(4 << 20, '\0');
  for (const char* encoding : {"gzip", "deflate", "br", "zstd"}) {
    SCOPED_TRACE(encoding);
    const std::string bomb = CompressBody(encoding, zeros);
    ASSERT_LT(bomb.size(), 64u * 1024);
    const Decoded over = DecodeAll(encoding, bomb, zeros.size() - 1);
    EXPECT_EQ(over.Status, Result::Failed);
    EXPECT_LE(over.Bytes.size(), zeros.size() - 1);
    const Decoded exact = DecodeAll(encoding, bomb, zeros.size());
    EXPECT_EQ(exact.Status, Result::Ok);
    EXPECT_EQ(exact.Count, zeros.size());
  }
}

TEST(ContentDecoder, WhatFollowsTheStream) {
  const std::string first = Body(5000), second = Body(7000).substr(100);
  // gzip members that follow one another are all decoded.
  const std::string members = CompressBody("gzip", first) + CompressBody("gzip", second);
  EXPECT_EQ(DecodeAll("gzip", members).Bytes, first + second);
  // So are zstd frames.
  const std::string frames = CompressBody("zstd", first) + CompressBody("zstd", second);
  EXPECT_EQ(DecodeAll("zstd", frames).Bytes, first + second);
  // Padding after a stream that carries its own check is ignored; after one that does
  // not, it means the body was something else.
  const std::string padding(64, '\0');
  const std::pair<const char*, Result> cases[] = {
      {"gzip", Result::Ok},   {"deflate", Result::Ok},         {"zstd", Result::Ok},
      {"br", Result::Failed}, {"deflate-raw", Result::Failed},
  };
  for (const auto& [encoding, expected] : cases) {
    SCOPED_TRACE(encoding);
    const std::string stored = CompressBody(encoding, first);
    const char* name = std::string_view(encoding) == "deflate-raw" ? "deflate" : encoding;
    const Decoded padded = DecodeAll(name, stored + padding);
    EXPECT_EQ(padded.Status, expected);
    if (expected == Result::Ok) {
      EXPECT_EQ(padded.Bytes, first);
    }
    EXPECT_EQ(DecodeAll(name, stored).Status, Result::Ok);
  }
}

// The pass's budget: the allowance plus sixteen times what was stored, less what was
// decoded, never into the last 64 MiB of free space, without overflow.
TEST(DecodeBudget, GrowsWithStoredBytesAndKeepsFreeSpaceSpare) {
  constexpr uint64_t MiB = uint64_t{1} << 20;
  DecodeBudget budget(100 * MiB);
  EXPECT_EQ(budget.Allow(1000, std::nullopt), 100 * MiB + 16000);
  budget.Spend(1000, 100 * MiB);
  EXPECT_EQ(budget.Allow(1000, std::nullopt), 32000u);
  EXPECT_EQ(budget.Allow(0, std::nullopt), 16000u);
  EXPECT_EQ(budget.Allow(1000, 64 * MiB + 5), 5u);
  EXPECT_EQ(budget.Allow(1000, 10 * MiB), 0u);
  budget.Spend(0, 1);
  EXPECT_EQ(budget.DecodedSoFar(), 100 * MiB + 1);
  EXPECT_EQ(budget.Allow(UINT64_MAX, std::nullopt), UINT64_MAX - budget.DecodedSoFar());
  DecodeBudget spent;
  spent.Spend(0, UINT64_MAX);
  EXPECT_EQ(spent.Allow(1 << 20, std::nullopt), 0u);
}
