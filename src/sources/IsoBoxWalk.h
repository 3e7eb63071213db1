#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "sources/ImageByteSource.h"

// One box of an ISO base media file (HEIF, AVIF, the JPEG XL container): its type and
// where its payload lies in the file.
struct IsoBox {
  std::array<char, 4> Type{};
  uint64_t Offset = 0;         // the first byte of the header
  uint64_t PayloadOffset = 0;  // the first byte after the header
  uint64_t End = 0;            // one past the last byte
  bool Cut = false;            // ran past the end of the file and was clipped to it

  bool Is(std::string_view type) const {
    return type == std::string_view(Type.data(), Type.size());
  }
  uint64_t PayloadSize() const { return End - PayloadOffset; }
};

// Walks the boxes that follow one another from `begin` to `end` (the whole file or a
// parent's payload), reading only their headers, so a box of any size costs eight or
// sixteen bytes of the probe's budget.
class IsoBoxWalk {
 public:
  // The top level of a file.
  IsoBoxWalk(ImageByteSource& source, int maxBoxes);
  // The children of `parent`, from `skip` bytes into its payload.
  IsoBoxWalk(ImageByteSource& source, const IsoBox& parent, uint64_t skip, int maxBoxes);

  // The next box. Nothing once the range is used up, after `maxBoxes` boxes, or at a
  // damaged header (a size smaller than the header, a box running past its parent):
  // the boxes behind a damaged one cannot be found. At the top level, or inside a
  // cut box, a box running past the end of the file (a download that stopped) is
  // clipped to it, marked Cut, and ends the walk. Size 0 runs to the end of the
  // range; size 1 takes a 64-bit size after the type.
  std::optional<IsoBox> Next();

 private:
  ImageByteSource& Source;
  uint64_t Position;
  uint64_t End;
  int Left;
  bool MayBeCut;
};
