#include "sources/ImageByteSource.h"

#include "base/ByteReader.h"

bool ImageByteSource::Read(uint64_t offset, std::span<uint8_t> out) {
  if (!Bytes::HasRange(Size(), offset, out.size())) return false;
  if (out.size() > ReadBudget - Spent) return false;
  Spent += out.size();
  return Fetch(offset, out);
}
