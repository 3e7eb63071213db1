#pragma once

#include <array>

#include "platform/CacheFiles.h"
#include "sources/ImageByteSource.h"

// Image bytes read from an open file with positioned reads. The first page is read
// once, since nearly every header lies there; anything further (a JPEG frame header
// behind a large EXIF block, a TIFF directory at the end) is read where it lies.
class FileImageSource final : public ImageByteSource {
 public:
  explicit FileImageSource(const Platform::ReadOnlyFile& file);

  uint64_t Size() const override { return File.Size(); }

 protected:
  bool Fetch(uint64_t offset, std::span<uint8_t> out) override;

 private:
  static constexpr size_t HeadSize = 4096;

  const Platform::ReadOnlyFile& File;
  std::array<uint8_t, HeadSize> Head{};
  size_t HeadLength = 0;
};
