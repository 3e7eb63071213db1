#pragma once

#include <cstdint>
#include <optional>

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

// A size stated by a header, or nothing when either side is 0 or too large.
std::optional<ImageDimensions> Measured(uint64_t width, uint64_t height);

}  // namespace ImageHeaders
