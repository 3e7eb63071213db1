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

// Image bytes read through a function, within the budget every probe keeps.
class FetchedImageSource final : public ImageByteSource {
 public:
  FetchedImageSource(uint64_t size, const CGraphicLT::FetchFunction& fetch)
      : Length(size), Fetcher(fetch) {}
  uint64_t Size() const override { return Length; }

 protected:
  bool Fetch(uint64_t offset, std::span<uint8_t> out) override { return Fetcher(offset, out); }

 private:
  uint64_t Length;
  const CGraphicLT::FetchFunction& Fetcher;
};

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

CGraphicLT::ImageSize CGraphicLT::ProbeAt(uint64_t size, const FetchFunction& fetch) {
  FetchedImageSource source(size, fetch);
  return ToImageSize(ImageHeaders::Probe(source));
}
