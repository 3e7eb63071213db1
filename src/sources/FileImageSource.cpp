#include "sources/FileImageSource.h"

#include <algorithm>

FileImageSource::FileImageSource(const Platform::ReadOnlyFile& file) : File(file) {
  // A failed read leaves the head empty; later reads then go to the file and fail there.
  HeadLength = File.ReadAt(0, Head.data(), Head.size()).value_or(0);
}

bool FileImageSource::Fetch(uint64_t offset, std::span<uint8_t> out) {
  if (offset <= HeadLength && out.size() <= HeadLength - offset) {
    std::copy_n(Head.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
    return true;
  }
  // The file may have shrunk since it was opened: a short read is a failure.
  return File.ReadAt(offset, out.data(), out.size()) == out.size();
}
