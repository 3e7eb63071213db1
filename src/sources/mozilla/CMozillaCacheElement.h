#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sources/CCacheBrowser.h"

// One entry of the Firefox disk cache, in either format. A header of its own, so the
// parsers that fill it need not see the source that lists it.
struct CMozillaCacheElement : CCacheBrowser::CCacheElement {
  // The nine big-endian words at the start of the metadata, in host order: word 4
  // is the entry's time, word 6 its data size, words 7 and 8 the key and metadata
  // sizes.
  std::array<uint32_t, 9> EntryHeader{};
  uint8_t KeyLeadByte = 0;
  int32_t MetaFile = 0;     // 0 = separate metadata file, 1..3 = block file
  int32_t DataFile = 0;     // 0 = separate data file, 1..3 = block file
  uint64_t DataOffset = 0;  // in block file DataFile
  uint64_t DataLength = 0;  // bytes allotted there (whole blocks)
  std::string Server;
  std::string AcceptRanges;
  std::string ETag;
};
