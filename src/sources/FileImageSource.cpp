#include "sources/FileImageSource.h"

#include <algorithm>

FileImageSource::FileImageSource(const Platform::ReadOnlyFile& file) : File(file) {
  const int64_t got = File.ReadAt(0, Head.data(), Head.size());
  // A failed read leaves the head empty; later reads then go to the file and fail there.
  HeadLength = got > 0 ? static_cast<size_t>(got) : 0;
}

bool FileImageSource::Fetch(uint64_t offset, std::span<uint8_t> out) {
  if (offset <= HeadLength && out.size() <= HeadLength - offset) {
    std::copy_n(Head.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
    return true;
  }
  // The file may have shrunk since it was opened: a short read is a failure.
  const int64_t got = File.ReadAt(offset, out.data(), out.size());
  return got >= 0 && static_cast<uint64_t>(got) == out.size();
}
