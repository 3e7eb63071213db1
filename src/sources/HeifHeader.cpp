#include <algorithm>
#include <array>
#include <limits>
#include <string_view>
#include <vector>

#include "base/ByteReader.h"
#include "sources/ImageHeaders.h"
#include "sources/IsoBoxWalk.h"

// AVIF and HEIC are HEIF files: `ftyp`, then a `meta` box that names the primary
// item (`pitm`) and gives each item its properties: `iprp` holds the properties
// (`ipco`) and the table of which item has which (`ipma`). The pixel size is the
// primary item's `ispe`, or for a grid of tiles the grid's output size. Only box
// headers and the few payloads needed are read.
namespace ImageHeaders {

namespace {

// Real files have three to six top-level boxes and about ten in `meta`; the bounds
// stop a crafted chain of tiny boxes long before the read budget would.
constexpr int MaxTopBoxes = 64;
constexpr int MaxMetaBoxes = 64;
constexpr int MaxPropertiesBoxes = 8;
// A photo split into tiles has a few hundred items and some dozen properties.
constexpr int MaxProperties = 1024;
constexpr int MaxItemInfos = 512;
constexpr size_t MaxAssociations = 64;
constexpr size_t MaxBrands = 32;
// Payloads read whole; an iPhone photo's association table is under 1 KiB.
constexpr uint64_t MaxAssociationBytes = 8 * 1024;
constexpr uint64_t MaxLocationBytes = 8 * 1024;

constexpr std::string_view ImageBrands[] = {"mif1", "mif2", "msf1", "avif", "avis", "heic",
                                            "heix", "heim", "heis", "hevc", "hevx"};

bool HasImageBrand(ImageByteSource& source, const IsoBox& ftyp) {
  // Major brand, minor version, then compatible brands; an MP4 video also starts
  // with `ftyp` but names none of the image brands.
  std::array<uint8_t, 8 + 4 * MaxBrands> payload{};
  const uint64_t length = std::min<uint64_t>(ftyp.PayloadSize(), payload.size());
  if (length < 8 || !source.Read(ftyp.PayloadOffset, std::span(payload.data(), length))) {
    return false;
  }
  const Bytes::ByteReader brands(std::span<const uint8_t>(payload.data(), length));
  for (uint64_t at = 0; at + 4 <= length; at += at == 0 ? 8 : 4) {
    const std::string_view brand = brands.Text(at, 4).value_or("");
    if (std::find(std::begin(ImageBrands), std::end(ImageBrands), brand) != std::end(ImageBrands)) {
      return true;
    }
  }
  return false;
}

// Reads up to `limit` bytes from the start of a box's payload.
std::vector<uint8_t> ReadPayload(ImageByteSource& source, const IsoBox& box, uint64_t limit) {
  if (box.PayloadSize() > limit) return {};
  std::vector<uint8_t> bytes(static_cast<size_t>(box.PayloadSize()));
  if (!source.Read(box.PayloadOffset, bytes)) return {};
  return bytes;
}

// An integer of 0, 4 or 8 bytes, as `iloc` sizes its fields.
uint64_t SizedField(Bytes::ByteCursor& cursor, uint32_t size) {
  if (size == 4) return cursor.BE32();
  if (size == 8) return cursor.BE64();
  if (size != 0) cursor.Skip(std::numeric_limits<uint64_t>::max());  // fails the cursor
  return 0;
}

struct MetaBoxes {
  std::optional<IsoBox> PrimaryItem;  // pitm
  std::optional<IsoBox> Properties;   // iprp
  std::optional<IsoBox> ItemInfo;     // iinf
  std::optional<IsoBox> Locations;    // iloc
  std::optional<IsoBox> ItemData;     // idat
};

std::optional<uint32_t> ReadPrimaryItem(ImageByteSource& source, const IsoBox& pitm) {
  std::array<uint8_t, 8> payload{};
  const uint64_t length = std::min<uint64_t>(pitm.PayloadSize(), payload.size());
  if (!source.Read(pitm.PayloadOffset, std::span(payload.data(), length))) return std::nullopt;
  Bytes::ByteCursor fields{Bytes::ByteReader(std::span<const uint8_t>(payload.data(), length))};
  const uint8_t version = fields.U8();
  fields.Skip(3);  // flags
  const uint32_t item = version == 0 ? fields.BE16() : fields.BE32();
  if (!fields.Ok()) return std::nullopt;
  return item;
}

// The property indices (1-based, into `ipco`) that an `ipma` box gives `item`.
void ReadAssociations(ImageByteSource& source, const IsoBox& ipma, uint32_t item,
                      std::vector<uint32_t>& indices) {
  const std::vector<uint8_t> payload = ReadPayload(source, ipma, MaxAssociationBytes);
  Bytes::ByteCursor fields{Bytes::ByteReader(payload)};
  const uint8_t version = fields.U8();
  fields.Skip(2);
  const bool wideIndices = (fields.U8() & 1) != 0;
  const uint32_t entries = fields.BE32();
  // Each entry takes at least three bytes, so the payload bounds the loop.
  for (uint32_t entry = 0; entry < entries && fields.Ok(); ++entry) {
    const uint32_t id = version < 1 ? fields.BE16() : fields.BE32();
    const uint8_t count = fields.U8();
    for (uint8_t n = 0; n < count && fields.Ok(); ++n) {
      // The top bit marks an essential property; the rest is the index.
      const uint32_t index = wideIndices ? (fields.BE16() & 0x7FFFu) : (fields.U8() & 0x7Fu);
      if (fields.Ok() && id == item && index != 0 && indices.size() < MaxAssociations) {
        indices.push_back(index);
      }
    }
  }
}

struct ItemProperties {
  std::optional<ImageDimensions> Extent;  // ispe
  bool QuarterTurn = false;               // irot by 90 or 270 degrees
};

ItemProperties ReadProperties(ImageByteSource& source, const IsoBox& ipco,
                              const std::vector<uint32_t>& indices) {
  ItemProperties properties;
  if (indices.empty()) return properties;
  const uint32_t last = *std::max_element(indices.begin(), indices.end());
  IsoBoxWalk walk(source, ipco, 0, MaxProperties);
  for (uint32_t index = 1; index <= last; ++index) {
    const std::optional<IsoBox> property = walk.Next();
    if (!property) break;
    if (std::find(indices.begin(), indices.end(), index) == indices.end()) continue;
    if (property->Is("ispe") && !properties.Extent) {
      // Version and flags, then the width and height in 32 bits each.
      std::array<uint8_t, 12> payload{};
      if (property->PayloadSize() < payload.size() ||
          !source.Read(property->PayloadOffset, payload)) {
        continue;
      }
      const Bytes::ByteReader fields(payload);
      properties.Extent = Measured(fields.BE32(4).value_or(0), fields.BE32(8).value_or(0));
    } else if (property->Is("irot")) {
      // Six reserved bits, then the anticlockwise angle in quarter turns.
      std::array<uint8_t, 1> angle{};
      if (property->PayloadSize() < 1 || !source.Read(property->PayloadOffset, angle)) continue;
      properties.QuarterTurn = (angle[0] & 3) == 1 || (angle[0] & 3) == 3;
    }
  }
  return properties;
}

bool IsGridItem(ImageByteSource& source, const IsoBox& iinf, uint32_t item) {
  std::array<uint8_t, 12> head{};
  if (iinf.PayloadSize() < 6 || !source.Read(iinf.PayloadOffset, std::span(head.data(), 1))) {
    return false;
  }
  // Version 0 counts its entries in 16 bits, later versions in 32.
  IsoBoxWalk walk(source, iinf, head[0] == 0 ? 6 : 8, MaxItemInfos);
  while (const std::optional<IsoBox> infe = walk.Next()) {
    // Versions 2 and 3 (the only ones that name an item type): version, flags, the
    // item's id in 16 or 32 bits, the protection index, the type.
    const uint64_t length = std::min<uint64_t>(infe->PayloadSize(), head.size());
    if (!infe->Is("infe") || !source.Read(infe->PayloadOffset, std::span(head.data(), length))) {
      continue;
    }
    Bytes::ByteCursor fields{Bytes::ByteReader(std::span<const uint8_t>(head.data(), length))};
    const uint8_t version = fields.U8();
    if (version < 2) continue;
    fields.Skip(3);
    const uint32_t id = version == 2 ? fields.BE16() : fields.BE32();
    fields.Skip(2);
    const std::string_view type = fields.Text(4);
    if (fields.Ok() && id == item) return type == "grid";
  }
  return false;
}

// Where the first extent of `item` begins in the file, by `iloc`.
std::optional<uint64_t> ItemDataOffset(ImageByteSource& source, const MetaBoxes& meta,
                                       uint32_t item) {
  const std::vector<uint8_t> payload = ReadPayload(source, *meta.Locations, MaxLocationBytes);
  Bytes::ByteCursor fields{Bytes::ByteReader(payload)};
  const uint8_t version = fields.U8();
  fields.Skip(3);
  const uint8_t sizes = fields.U8();
  const uint8_t moreSizes = fields.U8();
  const uint32_t offsetSize = sizes >> 4;
  const uint32_t lengthSize = sizes & 0x0F;
  const uint32_t baseOffsetSize = moreSizes >> 4;
  const uint32_t indexSize = version == 1 || version == 2 ? moreSizes & 0x0F : 0;
  const uint32_t items = version < 2 ? fields.BE16() : fields.BE32();
  for (uint32_t n = 0; n < items && fields.Ok(); ++n) {
    const uint32_t id = version < 2 ? fields.BE16() : fields.BE32();
    const uint16_t method = version == 1 || version == 2 ? fields.BE16() & 0x0F : 0;
    fields.Skip(2);  // data reference index
    const uint64_t base = SizedField(fields, baseOffsetSize);
    const uint16_t extents = fields.BE16();
    std::optional<uint64_t> first;
    for (uint16_t e = 0; e < extents && fields.Ok(); ++e) {
      SizedField(fields, indexSize);
      const uint64_t offset = SizedField(fields, offsetSize);
      SizedField(fields, lengthSize);
      if (!first) first = offset;
    }
    if (!fields.Ok() || id != item) continue;
    if (!first || base > std::numeric_limits<uint64_t>::max() - *first) return std::nullopt;
    const uint64_t relative = base + *first;
    if (method == 0) return relative;  // in the file
    // In the `idat` box of the same `meta`; offsets into other items are not followed.
    if (method != 1 || !meta.ItemData || relative > meta.ItemData->PayloadSize()) {
      return std::nullopt;
    }
    return meta.ItemData->PayloadOffset + relative;
  }
  return std::nullopt;
}

// A grid's own data: version, flags, rows and columns less one, then the output
// width and height in 16 bits, or 32 when flag 1 is set.
std::optional<ImageDimensions> ReadGridSize(ImageByteSource& source, const MetaBoxes& meta,
                                            uint32_t item) {
  if (!meta.ItemInfo || !meta.Locations || !IsGridItem(source, *meta.ItemInfo, item)) {
    return std::nullopt;
  }
  const std::optional<uint64_t> offset = ItemDataOffset(source, meta, item);
  std::array<uint8_t, 12> grid{};
  if (!offset || !source.Read(*offset, std::span(grid.data(), 8))) return std::nullopt;
  const bool wide = (grid[1] & 1) != 0;
  if (grid[0] != 0 || (wide && !source.Read(*offset + 8, std::span(grid.data() + 8, 4)))) {
    return std::nullopt;
  }
  const Bytes::ByteReader fields(grid);
  if (wide) return Measured(fields.BE32(4).value_or(0), fields.BE32(8).value_or(0));
  return Measured(fields.BE16(4).value_or(0), fields.BE16(6).value_or(0));
}

}  // namespace

std::optional<ImageDimensions> ProbeHeif(ImageByteSource& source) {
  IsoBoxWalk top(source, MaxTopBoxes);
  const std::optional<IsoBox> ftyp = top.Next();
  if (!ftyp || !ftyp->Is("ftyp") || !HasImageBrand(source, *ftyp)) return std::nullopt;

  std::optional<IsoBox> meta;
  while (const std::optional<IsoBox> box = top.Next()) {
    if (box->Is("meta")) {
      meta = box;
      break;
    }
  }
  // A full box: version and flags come before the children.
  if (!meta || meta->PayloadSize() < 4) return std::nullopt;

  MetaBoxes boxes;
  IsoBoxWalk children(source, *meta, 4, MaxMetaBoxes);
  while (const std::optional<IsoBox> box = children.Next()) {
    // Of a download that stopped inside `meta`, only whole boxes count: a cut
    // association table or property list could give another item's size.
    if (box->Cut) break;
    if (box->Is("pitm")) boxes.PrimaryItem = box;
    if (box->Is("iprp")) boxes.Properties = box;
    if (box->Is("iinf")) boxes.ItemInfo = box;
    if (box->Is("iloc")) boxes.Locations = box;
    if (box->Is("idat")) boxes.ItemData = box;
  }
  if (!boxes.PrimaryItem || !boxes.Properties) return std::nullopt;
  const std::optional<uint32_t> primary = ReadPrimaryItem(source, *boxes.PrimaryItem);
  if (!primary) return std::nullopt;

  std::optional<IsoBox> ipco;
  std::vector<uint32_t> indices;
  IsoBoxWalk properties(source, *boxes.Properties, 0, MaxPropertiesBoxes);
  while (const std::optional<IsoBox> box = properties.Next()) {
    if (box->Is("ipco") && !ipco) ipco = box;
    if (box->Is("ipma")) ReadAssociations(source, *box, *primary, indices);
  }
  if (!ipco) return std::nullopt;

  const ItemProperties item = ReadProperties(source, *ipco, indices);
  // A grid's output size is the canvas its tiles are drawn on, which decoders show;
  // its `ispe` should say the same, but libheif 1.14 and 1.15 write it already
  // rotated, so the output size is taken first and the `ispe` when it is unreadable.
  std::optional<ImageDimensions> size = ReadGridSize(source, boxes, *primary);
  if (!size) size = item.Extent;
  if (size && item.QuarterTurn) std::swap(size->Width, size->Height);
  return size;
}

}  // namespace ImageHeaders
