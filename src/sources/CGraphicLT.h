#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

// Measures images by their headers, never decoding pixels. Anything unreadable
// measures 0 x 0.
class CGraphicLT {
 public:
  struct ImageSize {
    int32_t Width = 0;
    int32_t Height = 0;
    bool operator==(const ImageSize&) const = default;
  };

  virtual ~CGraphicLT() = default;

  // Reads at most a few kilobytes of the file.
  static ImageSize GetImageSize(const std::string& path);
  // The same on bytes already in memory (the start of a file).
  static ImageSize ProbeImage(std::span<const uint8_t> bytes);
  // The same on an image of `size` bytes read through `fetch` (a cache entry's body):
  // fetch fills `out` from `offset`, false when it cannot.
  using FetchFunction = std::function<bool(uint64_t offset, std::span<uint8_t> out)>;
  static ImageSize ProbeAt(uint64_t size, const FetchFunction& fetch);
};
