#include "sources/CGraphicLT.h"

#include "platform/CacheFiles.h"
#include "sources/FileImageSource.h"
#include "sources/ImageHeaders.h"
#include "sources/MemoryImageSource.h"

namespace {

CGraphicLT::ImageSize ToImageSize(const std::optional<ImageDimensions>& dimensions) {
  if (!dimensions) return {};
  return {dimensions->Width, dimensions->Height};
}

}  // namespace

CGraphicLT::ImageSize CGraphicLT::GetImageSize(const std::string& path) {
  Platform::ReadOnlyFile file;
  if (!file.Open(path)) return {};
  FileImageSource source(file);
  return ToImageSize(ImageHeaders::Probe(source));
}

CGraphicLT::ImageSize CGraphicLT::ProbeImage(std::span<const uint8_t> bytes) {
  MemoryImageSource source(bytes);
  return ToImageSize(ImageHeaders::Probe(source));
}
