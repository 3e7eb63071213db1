#include "sources/mozilla/MozillaHash.h"

namespace {

void Mix(uint32_t& a, uint32_t& b, uint32_t& c) {
  a -= b;
  a -= c;
  a ^= (c >> 13);
  b -= c;
  b -= a;
  b ^= (a << 8);
  c -= a;
  c -= b;
  c ^= (b >> 13);
  a -= b;
  a -= c;
  a ^= (c >> 12);
  b -= c;
  b -= a;
  b ^= (a << 16);
  c -= a;
  c -= b;
  c ^= (b >> 5);
  a -= b;
  a -= c;
  a ^= (c >> 3);
  b -= c;
  b -= a;
  b ^= (a << 10);
  c -= a;
  c -= b;
  c ^= (b >> 15);
}

uint32_t Byte(std::string_view text, size_t i) {
  return static_cast<uint8_t>(text[i]);
}

uint32_t Little32(std::string_view text, size_t i) {
  return Byte(text, i) | Byte(text, i + 1) << 8 | Byte(text, i + 2) << 16 | Byte(text, i + 3) << 24;
}

}  // namespace

uint32_t MozillaHash(std::string_view key) {
  uint32_t a = 0x9E3779B9, b = 0x9E3779B9, c = 0;
  size_t i = 0;
  size_t left = key.size();
  for (; left >= 12; left -= 12, i += 12) {
    a += Little32(key, i);
    b += Little32(key, i + 4);
    c += Little32(key, i + 8);
    Mix(a, b, c);
  }
  c += static_cast<uint32_t>(key.size());
  // The lowest byte of c holds the length, so the tail's bytes 8..10 go above it.
  for (size_t j = left; j-- > 0;) {
    const uint32_t value = Byte(key, i + j);
    if (j >= 8) {
      c += value << (8 * (j - 7));
    } else if (j >= 4) {
      b += value << (8 * (j - 4));
    } else {
      a += value << (8 * j);
    }
  }
  Mix(a, b, c);
  return c;
}
