#include "sources/IsoBoxWalk.h"

#include <algorithm>

#include "base/ByteReader.h"

IsoBoxWalk::IsoBoxWalk(ImageByteSource& source, int maxBoxes)
    : Source(source), Position(0), End(source.Size()), Left(maxBoxes), MayBeCut(true) {}

IsoBoxWalk::IsoBoxWalk(ImageByteSource& source, const IsoBox& parent, uint64_t skip, int maxBoxes)
    : Source(source),
      Position(skip > parent.PayloadSize() ? parent.End : parent.PayloadOffset + skip),
      End(std::min(parent.End, source.Size())),
      Left(maxBoxes),
      MayBeCut(parent.Cut) {}

std::optional<IsoBox> IsoBoxWalk::Next() {
  constexpr uint64_t HeaderSize = 8;
  constexpr uint64_t LargeHeaderSize = 16;
  if (Left <= 0 || Position >= End || End - Position < HeaderSize) return std::nullopt;
  --Left;

  std::array<uint8_t, LargeHeaderSize> header{};
  const std::span<uint8_t> small(header.data(), HeaderSize);
  if (!Source.Read(Position, small)) return std::nullopt;
  Bytes::ByteCursor fields{Bytes::ByteReader(header)};
  const uint32_t size32 = fields.BE32();
  const std::string_view type = fields.Text(4);

  IsoBox box;
  std::copy(type.begin(), type.end(), box.Type.begin());
  box.Offset = Position;
  uint64_t size = size32;
  uint64_t headerSize = HeaderSize;
  if (size32 == 1) {
    if (End - Position < LargeHeaderSize ||
        !Source.Read(Position + HeaderSize, std::span<uint8_t>(header).subspan(HeaderSize))) {
      Left = 0;
      return std::nullopt;
    }
    size = fields.BE64();
    headerSize = LargeHeaderSize;
  } else if (size32 == 0) {
    size = End - Position;
  }
  if (!fields.Ok() || size < headerSize) {
    Left = 0;
    return std::nullopt;
  }
  box.PayloadOffset = Position + headerSize;
  if (Bytes::HasRange(End, Position, size)) {
    box.End = Position + size;
  } else if (MayBeCut && End == Source.Size()) {
    // Cut off by the end of the file: taken as far as it goes, as the last box, so
    // a header at its start is still found.
    box.End = End;
    box.Cut = true;
    Left = 0;
  } else {
    Left = 0;
    return std::nullopt;
  }
  Position = box.End;
  return box;
}
