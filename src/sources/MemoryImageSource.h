#pragma once

#include <algorithm>

#include "sources/ImageByteSource.h"

// Image bytes already in memory (the start of a file, or all of it).
class MemoryImageSource final : public ImageByteSource {
 public:
  explicit MemoryImageSource(std::span<const uint8_t> bytes) : Bytes(bytes) {}

  uint64_t Size() const override { return Bytes.size(); }

 protected:
  bool Fetch(uint64_t offset, std::span<uint8_t> out) override {
    std::copy_n(Bytes.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
    return true;
  }

 private:
  std::span<const uint8_t> Bytes;
};
