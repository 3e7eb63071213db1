#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "sources/CGraphicLT.h"
#include "sources/ImageHeaders.h"
#include "sources/MemoryImageSource.h"

// Any bytes: the probe must neither read outside them nor exceed its read budget,
// and a size it reports is always positive.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  const CGraphicLT::ImageSize measured = CGraphicLT::ProbeImage(bytes);
  if ((measured.Width == 0) != (measured.Height == 0) || measured.Width < 0 ||
      measured.Height < 0) {
    std::abort();
  }
  MemoryImageSource source(bytes);
  ImageHeaders::Probe(source);
  if (source.BytesRead() > ImageByteSource::ReadBudget) std::abort();
  return 0;
}
