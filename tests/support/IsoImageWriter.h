#pragma once

// Builds HEIF (AVIF, HEIC) files and JPEG XL codestreams and containers byte by byte,
// so tests can pin every rule of the image probe on layouts no encoder writes on
// request. Deliberately independent of the probe's own code.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorlane::test {

std::string Be16(uint32_t value);
std::string Be32(uint32_t value);
std::string Be64(uint64_t value);

// A box with a 32-bit size; `largeSize` writes size 1 and a 64-bit size instead,
// `toEnd` writes size 0 (the box runs to the end of its parent).
std::string IsoBox(std::string_view type, std::string_view payload, bool largeSize = false,
                   bool toEnd = false);
// A box whose payload begins with a version byte and 24 bits of flags.
std::string IsoFullBox(std::string_view type, uint8_t version, uint32_t flags,
                       std::string_view payload);

// Item properties.
std::string Ispe(uint32_t width, uint32_t height);
std::string Irot(uint8_t quarterTurns);
std::string Imir(uint8_t axis);
// A grid item's data: rows and columns, the output size (32-bit sides when `wide`).
std::string GridData(uint8_t rows, uint8_t columns, uint32_t width, uint32_t height,
                     bool wide = false);

struct HeifItem {
  uint32_t Id = 1;
  std::string Type = "av01";
  std::vector<uint16_t> Properties;  // 1-based indices into HeifFile::Properties
  std::string Data;                  // in mdat, or in idat when InIdat
  bool InIdat = false;
};

struct HeifFile {
  std::string MajorBrand = "avif";
  std::vector<std::string> Brands = {"mif1", "miaf"};
  uint32_t Primary = 1;
  std::vector<std::string> Properties;  // the boxes of ipco, in order
  std::vector<HeifItem> Items;
  uint8_t PitmVersion = 0;
  uint8_t IinfVersion = 0;
  uint8_t InfeVersion = 2;
  uint8_t IlocVersion = 1;
  uint8_t IlocOffsetSize = 4;      // also the length size
  uint8_t IlocBaseOffsetSize = 0;  // base offset 0 when written
  uint8_t IpmaVersion = 0;
  bool IpmaWideIndices = false;
  bool MetaLargeSize = false;  // meta with a 64-bit size
  bool MdatToEnd = false;      // mdat with size 0
  std::vector<std::string> BoxesBeforeMeta;
  std::string Build() const;
};

// Bits packed least significant first, as a JPEG XL codestream holds them.
class JxlBits {
 public:
  JxlBits& Put(uint32_t value, int count);
  // A side coded with the two-bit selector (0..3: 9, 13, 18, 30 bits) and value-1.
  JxlBits& Side(uint32_t selector, uint32_t side);
  // The signature followed by the bits, padded with zeros to `minimumBytes`.
  std::string Codestream(size_t minimumBytes = 16) const;

 private:
  std::vector<bool> Bits;
};

// A JPEG XL container: the signature box, ftyp, then `boxes` as given.
std::string JxlContainer(const std::vector<std::string>& boxes);
// A jxlp box: the part counter (top bit on the last part), then the bytes.
std::string JxlPart(uint32_t index, bool last, std::string_view bytes);

}  // namespace vorlane::test
