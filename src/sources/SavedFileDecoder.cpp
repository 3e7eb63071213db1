#include "sources/SavedFileDecoder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>

#include "platform/Platform.h"
#include "sources/ContentDecoder.h"

namespace {

constexpr int kNameAttempts = 8;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using OutputFile = std::unique_ptr<std::FILE, FileCloser>;

// A hidden sibling, so a listing of the output folder never takes it for a capture.
std::string TemporarySibling(const std::string& path, uint32_t salt) {
  const std::filesystem::path target(path);
  constexpr char kDigits[] = "0123456789abcdef";
  // Appended piece by piece: GCC 12 at -O3 warns falsely about "." + std::string.
  std::string name(1, '.');
  name += target.filename().string();
  name += '.';
  for (int shift = 28; shift >= 0; shift -= 4) name += kDigits[(salt >> shift) & 0xF];
  name += ".decoding";
  return (target.parent_path() / name).string();
}

}  // namespace

DecodeToFileResult DecodeRangeToFile(const std::string& source, uint64_t offset, uint64_t length,
                                     std::string_view contentEncoding,
                                     const std::string& destination, bool failIfExists,
                                     uint64_t& decoded) {
  decoded = 0;
  const std::optional<ContentDecoder::Coding> coding = ContentDecoder::ParseCoding(contentEncoding);
  if (!coding || *coding == ContentDecoder::Coding::Identity) return DecodeToFileResult::Failed;
  Platform::ReadOnlyFile stored;
  if (!stored.Open(source) || offset > stored.Size()) return DecodeToFileResult::Failed;
  // Never past the range, nor past the end of the file as it was when opened.
  const uint64_t end = offset + std::min(length, stored.Size() - offset);

  OutputFile out(std::fopen(destination.c_str(), failIfExists ? "wbx" : "wb"));
  if (!out) {
    return failIfExists && errno == EEXIST ? DecodeToFileResult::DestinationExists
                                           : DecodeToFileResult::Failed;
  }
  uint64_t position = offset;
  const ContentDecoder::Reader reader = [&](std::span<std::byte> buffer) -> int64_t {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), end - position));
    const int64_t n = want == 0 ? 0 : stored.ReadAt(position, buffer.data(), want);
    if (n > 0) position += static_cast<uint64_t>(n);
    return n;
  };
  const ContentDecoder::Writer writer = [&](std::span<const std::byte> bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), out.get()) == bytes.size();
  };
  const ContentDecoder::Result result = ContentDecoder::Decode(
      *coding, reader, writer, ContentDecoder::DecodedSizeCap(end - offset), &decoded);
  const bool closed = std::fclose(out.release()) == 0;
  if (result == ContentDecoder::Result::Ok && closed) return DecodeToFileResult::Decoded;
  if (failIfExists) Platform::DeleteFile(destination);
  decoded = 0;
  return DecodeToFileResult::Failed;
}

std::optional<uint64_t> DecodeSavedFile(const std::string& path, std::string_view contentEncoding) {
  const std::optional<uint64_t> size = Platform::FileSize(path);
  if (!size) return std::nullopt;
  std::random_device entropy;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    // Created exclusively, so an existing file of the same name is never truncated.
    const std::string temporary = TemporarySibling(path, entropy());
    uint64_t decoded = 0;
    switch (DecodeRangeToFile(path, 0, *size, contentEncoding, temporary, true, decoded)) {
      case DecodeToFileResult::Decoded: {
        std::error_code error;
        std::filesystem::rename(temporary, path, error);
        if (!error) return decoded;
        Platform::DeleteFile(temporary);
        return std::nullopt;
      }
      case DecodeToFileResult::DestinationExists:
        continue;
      case DecodeToFileResult::Failed:
        return std::nullopt;
    }
  }
  return std::nullopt;
}
