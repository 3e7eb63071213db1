#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Bytes of an image read at absolute offsets, from memory or from a file. Every
// read is checked against the size and against a small budget, so no probe can
// read more than a few kilobytes of any image, whatever its headers claim.
class ImageByteSource {
 public:
  // Enough for every header walk (a JPEG's segment chain, a TIFF directory, an
  // icon directory, the boxes of a HEIF `meta`, whose headers alone are read); a
  // file whose header lies further in is not measured.
  static constexpr uint64_t ReadBudget = 16 * 1024;

  virtual ~ImageByteSource() = default;

  virtual uint64_t Size() const = 0;

  // Fills `out` with the bytes at `offset`; false when they are not all there or
  // the budget would be exceeded (nothing is read then).
  bool Read(uint64_t offset, std::span<uint8_t> out);

  // Bytes handed out so far.
  uint64_t BytesRead() const { return Spent; }

 protected:
  // Reads exactly out.size() bytes at offset, which Read has checked lie inside Size().
  virtual bool Fetch(uint64_t offset, std::span<uint8_t> out) = 0;

 private:
  uint64_t Spent = 0;
};
