#include "support/MozillaCache2Writer.h"

#include <brotli/encode.h>
#include <zlib.h>
#include <zstd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "support/MozillaV1Writer.h"

namespace vorlane::test {

namespace {

void AppendBig32(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift);
}

void AppendBig16(std::string& out, uint16_t value) {
  out += static_cast<char>(value >> 8);
  out += static_cast<char>(value);
}

uint32_t RotateLeft(uint32_t value, int bits) {
  return (value << bits) | (value >> (32 - bits));
}

std::array<uint32_t, 5> Sha1(std::string_view text) {
  std::array<uint32_t, 5> h = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  std::string message(text);
  const uint64_t bits = uint64_t{text.size()} * 8;
  message += '\x80';
  while (message.size() % 64 != 56) message += '\0';
  AppendBig32(message, static_cast<uint32_t>(bits >> 32));
  AppendBig32(message, static_cast<uint32_t>(bits));
  for (size_t block = 0; block < message.size(); block += 64) {
    std::array<uint32_t, 80> w{};
    for (size_t i = 0; i < 16; ++i) {
      for (size_t j = 0; j < 4; ++j) {
        w[i] = (w[i] << 8) | static_cast<uint8_t>(message[block + 4 * i + j]);
      }
    }
    for (size_t i = 16; i < 80; ++i)
      w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (size_t i = 0; i < 80; ++i) {
      uint32_t f, k;
      if (i < 20) {
        f = (b & c) | (~b & d), k = 0x5A827999;
      } else if (i < 40) {
        f = b ^ c ^ d, k = 0x6ED9EBA1;
      } else if (i < 60) {
        f = (b & c) | (b & d) | (c & d), k = 0x8F1BBCDC;
      } else {
        f = b ^ c ^ d, k = 0xCA62C1D6;
      }
      const uint32_t next = RotateLeft(a, 5) + f + e + k + w[i];
      e = d, d = c, c = RotateLeft(b, 30), b = a, a = next;
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
  }
  return h;
}

std::string Deflate(std::string_view body, int windowBits) {
  z_stream stream{};
  if (deflateInit2(&stream, 9, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(body.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
  stream.avail_in = static_cast<uInt>(body.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int status = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (status != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

}  // namespace

std::string MozillaCache2FileName(std::string_view key) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::string name;
  for (uint32_t word : Sha1(key)) {
    for (int shift = 28; shift >= 0; shift -= 4) name += kDigits[(word >> shift) & 0xF];
  }
  return name;
}

std::string MozillaCache2Key(std::string_view url, const std::vector<std::string>& tags) {
  std::string key;
  for (const std::string& tag : tags) {
    for (char c : tag) {
      key += c;
      if (c == ',') key += ',';
    }
    key += ',';
  }
  key += ':';
  key += url;
  return key;
}

std::string MozillaCache2AltData(uint64_t offset, std::string_view type) {
  return "1;" + std::to_string(offset) + "," + std::string(type);
}

std::string CompressBody(std::string_view encoding, std::string_view body) {
  if (encoding == "gzip" || encoding == "x-gzip") return Deflate(body, 15 + 16);
  if (encoding == "deflate") return Deflate(body, 15);
  if (encoding == "deflate-raw") return Deflate(body, -15);
  if (encoding == "br") {
    std::string out(BrotliEncoderMaxCompressedSize(body.size()) + 16, '\0');
    size_t size = out.size();
    if (!BrotliEncoderCompress(BROTLI_DEFAULT_QUALITY, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_GENERIC,
                               body.size(), reinterpret_cast<const uint8_t*>(body.data()), &size,
                               reinterpret_cast<uint8_t*>(out.data()))) {
      throw std::runtime_error("brotli");
    }
    out.resize(size);
    return out;
  }
  if (encoding == "zstd") {
    std::string out(ZSTD_compressBound(body.size()), '\0');
    const size_t size = ZSTD_compress(out.data(), out.size(), body.data(), body.size(), 3);
    if (ZSTD_isError(size)) throw std::runtime_error("zstd");
    out.resize(size);
    return out;
  }
  throw std::invalid_argument("unknown encoding");
}

std::string MozillaCache2Writer::KeyOf(const MozillaCache2Item& item) {
  return item.Key ? *item.Key : MozillaCache2Key(item.Url, item.Tags);
}

std::string MozillaCache2Writer::EntryBytes(const MozillaCache2Item& item) {
  const std::string key = KeyOf(item);
  std::string data = item.Data;
  std::vector<std::pair<std::string, std::string>> elements;
  if (!item.RequestMethod.empty()) elements.emplace_back("request-method", item.RequestMethod);
  if (!item.ResponseHead.empty()) elements.emplace_back("response-head", item.ResponseHead);
  elements.insert(elements.end(), item.Elements.begin(), item.Elements.end());
  if (item.AltData) {
    elements.emplace_back("alt-data", MozillaCache2AltData(data.size(), item.AltDataType));
    data += *item.AltData;
  }

  // Everything the metadata hash covers: chunk hashes, header, key, elements.
  std::string hashed;
  for (size_t chunk = 0; chunk < data.size(); chunk += kCache2ChunkSize) {
    const std::string_view piece = std::string_view(data).substr(chunk, kCache2ChunkSize);
    AppendBig16(hashed, static_cast<uint16_t>(MozillaKeyHash(piece)));
  }
  for (uint32_t word : {item.Version, item.FetchCount, item.LastFetched, item.LastModified,
                        item.Frecency, item.ExpirationTime}) {
    AppendBig32(hashed, word);
  }
  AppendBig32(hashed, item.KeySize.value_or(static_cast<uint32_t>(key.size())));
  if (item.Version >= 2) AppendBig32(hashed, item.Flags);
  hashed += key;
  hashed += '\0';
  for (const auto& [name, value] : elements) {
    hashed += name;
    hashed += '\0';
    hashed += value;
    hashed += '\0';
  }

  std::string file = data;
  AppendBig32(file, MozillaKeyHash(hashed));
  file += hashed;
  file += item.UnhashedTail;
  AppendBig32(file, item.Trailer.value_or(static_cast<uint32_t>(data.size())));
  return file;
}

std::string MozillaCache2Writer::Add(const MozillaCache2Item& item) {
  const std::string name = MozillaCache2FileName(KeyOf(item));
  Files["entries/" + name] = EntryBytes(item);
  return name;
}

void MozillaCache2Writer::Put(std::string relativePath, std::string bytes) {
  Files[std::move(relativePath)] = std::move(bytes);
}

bool MozillaCache2Writer::Write(const std::string& folder) const {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::create_directories(fs::path(folder) / "entries", error);
  if (error) return false;
  for (const auto& [path, bytes] : Files) {
    const fs::path target = fs::path(folder) / path;
    fs::create_directories(target.parent_path(), error);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) return false;
  }
  return true;
}

}  // namespace vorlane::test
