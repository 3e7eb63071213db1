#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>

#include "sources/CGraphicLT.h"
#include "sources/ImageHeaders.h"
#include "sources/MemoryImageSource.h"

namespace {

// A size a probe reports is always positive, and no probe exceeds its read budget.
void Check(const std::optional<ImageDimensions>& size, const ImageByteSource& source) {
  if (size && (size->Width <= 0 || size->Height <= 0)) std::abort();
  if (source.BytesRead() > ImageByteSource::ReadBudget) std::abort();
}

}  // namespace

// Any bytes: the probe must neither read outside them nor exceed its read budget,
// and a size it reports is always positive. The box and codestream readers are also
// run on the bytes whatever they begin with, so mutations need not keep a signature.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  const CGraphicLT::ImageSize measured = CGraphicLT::ProbeImage(bytes);
  if ((measured.Width == 0) != (measured.Height == 0) || measured.Width < 0 ||
      measured.Height < 0) {
    std::abort();
  }
  MemoryImageSource source(bytes);
  Check(ImageHeaders::Probe(source), source);
  MemoryImageSource heif(bytes);
  Check(ImageHeaders::ProbeHeif(heif), heif);
  MemoryImageSource jxl(bytes);
  Check(ImageHeaders::ProbeJxl(jxl), jxl);
  const std::optional<ImageDimensions> codestream =
      ImageHeaders::ParseJxlCodestream(std::as_bytes(bytes));
  if (codestream && (codestream->Width <= 0 || codestream->Height <= 0)) std::abort();
  return 0;
}
