#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "sources/ImageByteSource.h"

// Pixel size of an image, as its headers state it.
struct ImageDimensions {
  int32_t Width = 0;
  int32_t Height = 0;
  bool operator==(const ImageDimensions&) const = default;
};

// Readers of the headers that state an image's pixel size. Each returns nothing
// for a header that is missing, truncated or malformed, or whose size is 0 or does
// not fit a signed 32-bit value. None of them decodes pixel data.
namespace ImageHeaders {

// Recognises the format by its first bytes (never by a file name) and measures it.
std::optional<ImageDimensions> Probe(ImageByteSource& source);

std::optional<ImageDimensions> ProbeJpeg(ImageByteSource& source);
std::optional<ImageDimensions> ProbePng(ImageByteSource& source, uint64_t offset = 0);
std::optional<ImageDimensions> ProbeGif(ImageByteSource& source);
std::optional<ImageDimensions> ProbeBmp(ImageByteSource& source);
// ICO and CUR: the largest image of the directory.
std::optional<ImageDimensions> ProbeIcon(ImageByteSource& source);
std::optional<ImageDimensions> ProbeWebp(ImageByteSource& source);
std::optional<ImageDimensions> ProbeTiff(ImageByteSource& source);
// AVIF and HEIC (ISO base media files with an image brand): the primary item's
// `ispe`, for a grid the grid's output size (its `ispe` when that cannot be read); a
// rotation by 90 or 270 degrees (`irot`) swaps the sides, mirroring does not. The
// clean aperture (`clap`) is not applied: the size is the one the image was coded at.
std::optional<ImageDimensions> ProbeHeif(ImageByteSource& source);
// JPEG XL, a bare codestream or the container with the codestream in a `jxlc` box or
// split over `jxlp` boxes. An orientation that transposes (5 to 8) swaps the sides.
std::optional<ImageDimensions> ProbeJxl(ImageByteSource& source);
// The size stated at the start of a JPEG XL codestream (from its FF 0A signature);
// nothing when the bytes stop before the orientation is known.
std::optional<ImageDimensions> ParseJxlCodestream(std::span<const std::byte> codestream);

// A size stated by a header, or nothing when either side is 0 or too large.
std::optional<ImageDimensions> Measured(uint64_t width, uint64_t height);

}  // namespace ImageHeaders
