#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "base/ByteReader.h"
#include "sources/ImageHeaders.h"
#include "sources/IsoBoxWalk.h"

// JPEG XL states its size in the first bytes of the codestream: the FF 0A signature,
// then a SizeHeader of bit fields, then the image metadata, whose first fields hold
// the orientation. The container wraps the codestream in ISO boxes.
namespace ImageHeaders {

namespace {

// The signature, the longest SizeHeader (9 bytes) and the orientation's bits.
constexpr size_t CodestreamHead = 16;
// The signature box, ftyp, a level, metadata boxes and the codestream parts.
constexpr int MaxContainerBoxes = 64;

// Bits of the codestream, least significant first within each byte.
class BitStream {
 public:
  explicit BitStream(Bytes::ByteReader bytes) : Data(bytes) {}

  bool Ok() const { return !Failed; }
  uint32_t Bits(int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
      const std::optional<uint8_t> byte = Data.U8(Position / 8);
      if (!byte) {
        Failed = true;
        return 0;
      }
      value |= static_cast<uint32_t>((*byte >> (Position % 8)) & 1u) << i;
      ++Position;
    }
    return value;
  }
  // A side of more than 256 pixels or not a multiple of 8: a two-bit selector picks
  // 9, 13, 18 or 30 bits for the side less one.
  uint32_t Side() {
    constexpr int Widths[] = {9, 13, 18, 30};
    return Bits(Widths[Bits(2)]) + 1;
  }

 private:
  Bytes::ByteReader Data;
  uint64_t Position = 0;
  bool Failed = false;
};

// Width from height for the aspect ratios the header can name instead of a width.
uint64_t WidthForRatio(uint32_t ratio, uint64_t height) {
  constexpr std::array<std::array<uint64_t, 2>, 7> Ratios = {
      {{1, 1}, {12, 10}, {4, 3}, {3, 2}, {16, 9}, {5, 4}, {2, 1}}};
  const auto& [numerator, denominator] = Ratios[ratio - 1];
  return height * numerator / denominator;
}

bool IsContainerSignature(ImageByteSource& source, const IsoBox& box) {
  std::array<uint8_t, 4> payload{};
  return box.Is("JXL ") && box.PayloadSize() == payload.size() &&
         source.Read(box.PayloadOffset, payload) &&
         Bytes::ByteReader(payload).Matches(0, "\r\n\x87\n");
}

}  // namespace

std::optional<ImageDimensions> ParseJxlCodestream(std::span<const std::byte> codestream) {
  const Bytes::ByteReader reader(codestream);
  if (!reader.Matches(0, "\xFF\x0A")) return std::nullopt;
  BitStream bits(reader.Clip(2, codestream.size()));

  // A small image has sides that are multiples of 8 up to 256, stored in 5 bits.
  const bool small = bits.Bits(1) != 0;
  uint64_t height = small ? (uint64_t{bits.Bits(5)} + 1) * 8 : bits.Side();
  const uint32_t ratio = bits.Bits(3);
  uint64_t width = 0;
  if (ratio != 0) {
    width = WidthForRatio(ratio, height);
  } else {
    width = small ? (uint64_t{bits.Bits(5)} + 1) * 8 : bits.Side();
  }

  // The metadata: all-default, else a flag for extra fields, which begin with the
  // orientation less one; 5 to 8 turn the image by a quarter.
  uint32_t orientation = 1;
  if (bits.Bits(1) == 0 && bits.Bits(1) != 0) orientation = bits.Bits(3) + 1;
  if (!bits.Ok()) return std::nullopt;
  if (orientation > 4) std::swap(width, height);
  return Measured(width, height);
}

std::optional<ImageDimensions> ProbeJxl(ImageByteSource& source) {
  std::array<uint8_t, CodestreamHead> head{};
  std::array<uint8_t, 2> signature{};
  if (!source.Read(0, signature)) return std::nullopt;
  if (Bytes::ByteReader(signature).Matches(0, "\xFF\x0A")) {
    const auto length = static_cast<size_t>(std::min<uint64_t>(source.Size(), head.size()));
    if (!source.Read(0, std::span(head.data(), length))) return std::nullopt;
    return ParseJxlCodestream(std::as_bytes(std::span(head.data(), length)));
  }

  // The container: the signature box, then boxes among which the codestream is a
  // `jxlc` box or `jxlp` parts, each after a 4-byte counter whose top bit marks
  // the last part. The head may be split over parts.
  IsoBoxWalk walk(source, MaxContainerBoxes);
  const std::optional<IsoBox> first = walk.Next();
  if (!first || !IsContainerSignature(source, *first)) return std::nullopt;
  size_t filled = 0;
  while (const std::optional<IsoBox> box = walk.Next()) {
    const bool whole = box->Is("jxlc");
    if (!whole && !box->Is("jxlp")) continue;
    const uint64_t skip = whole ? 0 : 4;
    if (box->PayloadSize() < skip) return std::nullopt;
    std::array<uint8_t, 4> counter{};
    if (!whole && !source.Read(box->PayloadOffset, counter)) return std::nullopt;
    const auto length =
        static_cast<size_t>(std::min<uint64_t>(box->PayloadSize() - skip, head.size() - filled));
    if (!source.Read(box->PayloadOffset + skip, std::span(head.data() + filled, length))) {
      return std::nullopt;
    }
    filled += length;
    const bool last = whole || (counter[0] & 0x80) != 0;
    if (last || filled == head.size()) break;
  }
  return ParseJxlCodestream(std::as_bytes(std::span(head.data(), filled)));
}

}  // namespace ImageHeaders
