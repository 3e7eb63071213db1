#include "support/IsoImageWriter.h"

namespace vorlane::test {

std::string Be16(uint32_t value) {
  return {static_cast<char>(value >> 8), static_cast<char>(value)};
}

std::string Be32(uint32_t value) {
  return Be16(value >> 16) + Be16(value & 0xFFFF);
}

std::string Be64(uint64_t value) {
  return Be32(static_cast<uint32_t>(value >> 32)) + Be32(static_cast<uint32_t>(value));
}

std::string IsoBox(std::string_view type, std::string_view payload, bool largeSize, bool toEnd) {
  std::string box;
  if (largeSize) {
    box = Be32(1) + std::string(type) + Be64(16 + payload.size());
  } else {
    box = Be32(toEnd ? 0 : static_cast<uint32_t>(8 + payload.size())) + std::string(type);
  }
  return box + std::string(payload);
}

std::string IsoFullBox(std::string_view type, uint8_t version, uint32_t flags,
                       std::string_view payload) {
  const std::string head = std::string(1, static_cast<char>(version)) + Be32(flags).substr(1);
  return IsoBox(type, head + std::string(payload));
}

std::string Ispe(uint32_t width, uint32_t height) {
  return IsoFullBox("ispe", 0, 0, Be32(width) + Be32(height));
}

std::string Irot(uint8_t quarterTurns) {
  return IsoBox("irot", std::string(1, static_cast<char>(quarterTurns)));
}

std::string Imir(uint8_t axis) {
  return IsoBox("imir", std::string(1, static_cast<char>(axis)));
}

std::string GridData(uint8_t rows, uint8_t columns, uint32_t width, uint32_t height, bool wide) {
  std::string data = {0, static_cast<char>(wide ? 1 : 0), static_cast<char>(rows - 1),
                      static_cast<char>(columns - 1)};
  return data + (wide ? Be32(width) + Be32(height) : Be16(width) + Be16(height));
}

namespace {

std::string Sized(uint64_t value, uint8_t size) {
  if (size == 4) return Be32(static_cast<uint32_t>(value));
  if (size == 8) return Be64(value);
  return {};
}

}  // namespace

std::string HeifFile::Build() const {
  std::string brands = MajorBrand + Be32(0);
  for (const std::string& brand : Brands) brands += brand;
  const std::string ftyp = IsoBox("ftyp", brands);

  std::string infos;
  for (const HeifItem& item : Items) {
    const std::string id = InfeVersion == 3 ? Be32(item.Id) : Be16(item.Id);
    infos += IsoFullBox("infe", InfeVersion, 0, id + Be16(0) + item.Type + std::string(1, '\0'));
  }
  const std::string count =
      IinfVersion == 0 ? Be16(static_cast<uint32_t>(Items.size())) : Be32(uint32_t(Items.size()));
  const std::string iinf = IsoFullBox("iinf", IinfVersion, 0, count + infos);

  std::string ipma = Be32(static_cast<uint32_t>(Items.size()));
  for (const HeifItem& item : Items) {
    ipma += IpmaVersion < 1 ? Be16(item.Id) : Be32(item.Id);
    ipma += static_cast<char>(item.Properties.size());
    for (uint16_t index : item.Properties) {
      ipma += IpmaWideIndices ? Be16(index) : std::string(1, static_cast<char>(index));
    }
  }
  std::string ipco;
  for (const std::string& property : Properties) ipco += property;
  const std::string iprp =
      IsoBox("iprp",
             IsoBox("ipco", ipco) + IsoFullBox("ipma", IpmaVersion, IpmaWideIndices ? 1 : 0, ipma));
  const std::string pitm =
      IsoFullBox("pitm", PitmVersion, 0, PitmVersion == 0 ? Be16(Primary) : Be32(Primary));
  const std::string hdlr =
      IsoFullBox("hdlr", 0, 0, Be32(0) + "pict" + Be32(0) + Be32(0) + Be32(0) + '\0');

  std::string idat;
  for (const HeifItem& item : Items) {
    if (item.InIdat) idat += item.Data;
  }
  const std::string idatBox = idat.empty() ? std::string() : IsoBox("idat", idat);

  // iloc sits before the data it locates, so its size is known before the offsets:
  // build it once with placeholder offsets to learn where mdat begins.
  const auto buildIloc = [&](uint64_t mdatPayload) {
    std::string entries;
    uint64_t mdatOffset = mdatPayload;
    uint64_t idatOffset = 0;
    for (const HeifItem& item : Items) {
      entries += IlocVersion < 2 ? Be16(item.Id) : Be32(item.Id);
      if (IlocVersion == 1 || IlocVersion == 2) entries += Be16(item.InIdat ? 1 : 0);
      entries += Be16(0) + Sized(0, IlocBaseOffsetSize) + Be16(1);
      const uint64_t offset = item.InIdat ? idatOffset : mdatOffset;
      entries += Sized(offset, IlocOffsetSize) + Sized(item.Data.size(), IlocOffsetSize);
      (item.InIdat ? idatOffset : mdatOffset) += item.Data.size();
    }
    const std::string sizes = {static_cast<char>(IlocOffsetSize << 4 | IlocOffsetSize),
                               static_cast<char>(IlocBaseOffsetSize << 4)};
    const std::string items =
        IlocVersion < 2 ? Be16(static_cast<uint32_t>(Items.size())) : Be32(uint32_t(Items.size()));
    return IsoFullBox("iloc", IlocVersion, 0, sizes + items + entries);
  };
  const auto buildMeta = [&](uint64_t mdatPayload) {
    const std::string children = hdlr + pitm + buildIloc(mdatPayload) + iinf + iprp + idatBox;
    const std::string head = Be32(0);  // version and flags
    return MetaLargeSize ? IsoBox("meta", head + children, true) : IsoBox("meta", head + children);
  };
  std::string before;
  for (const std::string& box : BoxesBeforeMeta) before += box;
  const uint64_t prefix = ftyp.size() + before.size() + buildMeta(0).size() + 8;

  std::string mdat;
  for (const HeifItem& item : Items) {
    if (!item.InIdat) mdat += item.Data;
  }
  return ftyp + before + buildMeta(prefix) + IsoBox("mdat", mdat, false, MdatToEnd);
}

JxlBits& JxlBits::Put(uint32_t value, int count) {
  for (int i = 0; i < count; ++i) Bits.push_back(((value >> i) & 1) != 0);
  return *this;
}

JxlBits& JxlBits::Side(uint32_t selector, uint32_t side) {
  constexpr int widths[] = {9, 13, 18, 30};
  return Put(selector, 2).Put(side - 1, widths[selector & 3]);
}

std::string JxlBits::Codestream(size_t minimumBytes) const {
  std::string bytes = "\xFF\x0A";
  for (size_t i = 0; i < Bits.size(); i += 8) {
    unsigned byte = 0;
    for (size_t b = 0; b < 8 && i + b < Bits.size(); ++b) byte |= (Bits[i + b] ? 1u : 0u) << b;
    bytes += static_cast<char>(byte);
  }
  if (bytes.size() < minimumBytes) bytes.resize(minimumBytes, '\0');
  return bytes;
}

std::string JxlContainer(const std::vector<std::string>& boxes) {
  std::string file = IsoBox("JXL ", "\r\n\x87\n") + IsoBox("ftyp", "jxl " + Be32(0) + "jxl ");
  for (const std::string& box : boxes) file += box;
  return file;
}

std::string JxlPart(uint32_t index, bool last, std::string_view bytes) {
  return IsoBox("jxlp", Be32(index | (last ? 0x80000000u : 0)) + std::string(bytes));
}

}  // namespace vorlane::test
