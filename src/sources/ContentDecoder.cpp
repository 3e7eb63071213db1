#include "sources/ContentDecoder.h"

#include <brotli/decode.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/Text.h"

namespace ContentDecoder {

namespace {

constexpr size_t kBufferSize = 64 * 1024;
constexpr uint64_t kMinCap = uint64_t{64} << 20;
constexpr uint64_t kMaxCap = uint64_t{1} << 30;
constexpr uint64_t kCapFactor = 64;
// Calls in a row that neither take input nor give output; a sound decoder makes few.
constexpr int kMaxStalls = 4;

// The input side: a bounded buffer refilled from the reader.
class Source {
 public:
  explicit Source(const Reader& reader) : Read(reader), Buffer(kBufferSize) {}

  std::byte* Data() { return Buffer.data() + Begin; }
  size_t Available() const { return End - Begin; }
  void Consume(size_t count) { Begin += std::min(count, Available()); }
  bool Failed() const { return ReadFailed; }

  // Reads until at least `wanted` bytes are buffered or the input ends; true when
  // that many are there.
  bool FillAtLeast(size_t wanted) {
    if (Begin > 0) {
      std::memmove(Buffer.data(), Buffer.data() + Begin, Available());
      End -= Begin;
      Begin = 0;
    }
    while (Available() < wanted && !Ended && End < Buffer.size()) {
      const int64_t n = Read(std::span<std::byte>(Buffer).subspan(End));
      if (n < 0 || static_cast<uint64_t>(n) > Buffer.size() - End) {
        ReadFailed = true;
        Ended = true;
      } else if (n == 0) {
        Ended = true;
      } else {
        End += static_cast<size_t>(n);
      }
    }
    return Available() >= wanted;
  }
  bool Fill() { return FillAtLeast(Available() + 1); }
  // True when every byte of the input has been taken.
  bool AtEnd() {
    if (Available() > 0) return false;
    return !Fill() && !ReadFailed;
  }

 private:
  const Reader& Read;
  std::vector<std::byte> Buffer;
  size_t Begin = 0;
  size_t End = 0;
  bool Ended = false;
  bool ReadFailed = false;
};

// The output side: counts what passes and refuses anything past the cap.
class Sink {
 public:
  Sink(const Writer& writer, uint64_t cap) : Write(writer), Cap(cap), Buffer(kBufferSize) {}

  std::byte* Data() { return Buffer.data(); }
  size_t Size() const { return Buffer.size(); }
  uint64_t Total() const { return Written; }

  bool Put(size_t count) {
    if (count == 0) return true;
    if (count > Cap - Written) return false;
    if (!Write(std::span<const std::byte>(Buffer.data(), count))) return false;
    Written += count;
    return true;
  }

 private:
  const Writer& Write;
  uint64_t Cap;
  uint64_t Written = 0;
  std::vector<std::byte> Buffer;
};

// RFC 1950: compression method 8, a window of at most 32 KiB and a check that makes
// the first two bytes a multiple of 31. Servers send "deflate" with or without it.
bool LooksLikeZlibHeader(const std::byte* bytes) {
  const auto cmf = std::to_integer<unsigned>(bytes[0]);
  const auto flg = std::to_integer<unsigned>(bytes[1]);
  return (cmf & 0x0F) == 8 && (cmf >> 4) <= 7 && ((cmf << 8) | flg) % 31 == 0;
}

Result DecodeZlib(Coding coding, Source& in, Sink& out) {
  int windowBits = 15 + 16;  // gzip wrapper
  if (coding == Coding::Deflate) {
    if (!in.FillAtLeast(2)) return Result::Failed;
    windowBits = LooksLikeZlibHeader(in.Data()) ? 15 : -15;
  }
  z_stream stream{};
  if (inflateInit2(&stream, windowBits) != Z_OK) return Result::Failed;
  const std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&stream, inflateEnd);
  int stalls = 0;
  while (true) {
    if (in.Available() == 0 && !in.Fill()) return Result::Failed;  // cut short
    stream.next_in = reinterpret_cast<Bytef*>(in.Data());
    stream.avail_in = static_cast<uInt>(in.Available());
    stream.next_out = reinterpret_cast<Bytef*>(out.Data());
    stream.avail_out = static_cast<uInt>(out.Size());
    const int status = inflate(&stream, Z_NO_FLUSH);
    const size_t consumed = in.Available() - stream.avail_in;
    const size_t produced = out.Size() - stream.avail_out;
    in.Consume(consumed);
    if (!out.Put(produced)) return Result::Failed;
    if (status == Z_STREAM_END) {
      // Raw deflate carries no check: bytes after its end mean it was no deflate body.
      if (windowBits < 0) return in.AtEnd() ? Result::Ok : Result::Failed;
      if (coding != Coding::Gzip) return Result::Ok;
      // gzip members may follow one another; anything else after the end is padding.
      if (in.Available() == 0) in.Fill();
      if (in.Failed()) return Result::Failed;
      if (in.Available() == 0 || std::to_integer<unsigned>(in.Data()[0]) != 0x1F) {
        return Result::Ok;
      }
      if (inflateReset(&stream) != Z_OK) return Result::Failed;
      continue;
    }
    if (status != Z_OK && status != Z_BUF_ERROR) return Result::Failed;
    stalls = (consumed == 0 && produced == 0) ? stalls + 1 : 0;
    if (stalls > kMaxStalls) return Result::Failed;
  }
}

Result DecodeBrotli(Source& in, Sink& out) {
  const std::unique_ptr<BrotliDecoderState, void (*)(BrotliDecoderState*)> state(
      BrotliDecoderCreateInstance(nullptr, nullptr, nullptr), BrotliDecoderDestroyInstance);
  if (!state) return Result::Failed;
  int stalls = 0;
  while (true) {
    size_t availableIn = in.Available();
    const auto* nextIn = reinterpret_cast<const uint8_t*>(in.Data());
    size_t availableOut = out.Size();
    auto* nextOut = reinterpret_cast<uint8_t*>(out.Data());
    const BrotliDecoderResult status = BrotliDecoderDecompressStream(
        state.get(), &availableIn, &nextIn, &availableOut, &nextOut, nullptr);
    const size_t consumed = in.Available() - availableIn;
    const size_t produced = out.Size() - availableOut;
    in.Consume(consumed);
    if (!out.Put(produced)) return Result::Failed;
    switch (status) {
      case BROTLI_DECODER_RESULT_SUCCESS:
        // Brotli carries no check either; a body that is not brotli at all can look
        // like a short stream followed by more bytes.
        return in.AtEnd() ? Result::Ok : Result::Failed;
      case BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT:
        break;
      case BROTLI_DECODER_RESULT_NEEDS_MORE_INPUT:
        if (!in.Fill()) return Result::Failed;
        break;
      default:
        return Result::Failed;
    }
    stalls = (consumed == 0 && produced == 0) ? stalls + 1 : 0;
    if (stalls > kMaxStalls) return Result::Failed;
  }
}

Result DecodeZstd(Source& in, Sink& out) {
  const std::unique_ptr<ZSTD_DCtx, size_t (*)(ZSTD_DCtx*)> context(ZSTD_createDCtx(),
                                                                   ZSTD_freeDCtx);
  if (!context) return Result::Failed;
  size_t hint = 1;  // 0 once a frame is complete and flushed
  bool sawFrame = false;
  bool outputFull = false;
  int stalls = 0;
  while (true) {
    // A full output buffer in the middle of a frame may hide more output; ask for it
    // before reading on. (After a complete frame, a call without input would start
    // the next frame instead.)
    const bool pendingOutput = outputFull && hint != 0;
    if (in.Available() == 0 && !pendingOutput && !in.Fill()) {
      if (in.Failed()) return Result::Failed;
      return sawFrame && hint == 0 ? Result::Ok : Result::Failed;
    }
    ZSTD_inBuffer input{in.Data(), in.Available(), 0};
    ZSTD_outBuffer output{out.Data(), out.Size(), 0};
    const bool frameDone = sawFrame && hint == 0;
    hint = ZSTD_decompressStream(context.get(), &output, &input);
    if (ZSTD_isError(hint)) return frameDone && output.pos == 0 ? Result::Ok : Result::Failed;
    sawFrame = true;
    in.Consume(input.pos);
    if (!out.Put(output.pos)) return Result::Failed;
    outputFull = output.pos == output.size;
    stalls = (input.pos == 0 && output.pos == 0) ? stalls + 1 : 0;
    if (stalls > kMaxStalls) return Result::Failed;
  }
}

}  // namespace

std::optional<Coding> ParseCoding(std::string_view contentEncoding) {
  std::optional<Coding> found;
  size_t count = 0;
  while (true) {
    const size_t comma = contentEncoding.find(',');
    const std::string name = Text::ToLowerAscii(Text::TrimBlanks(contentEncoding.substr(0, comma)));
    if (!name.empty() && name != "identity") {
      ++count;
      if (name == "gzip" || name == "x-gzip") {
        found = Coding::Gzip;
      } else if (name == "deflate") {
        found = Coding::Deflate;
      } else if (name == "br") {
        found = Coding::Brotli;
      } else if (name == "zstd") {
        found = Coding::Zstd;
      } else {
        return std::nullopt;
      }
    }
    if (comma == std::string_view::npos) break;
    contentEncoding.remove_prefix(comma + 1);
  }
  if (count > 1) return std::nullopt;
  return count == 0 ? Coding::Identity : found;
}

uint64_t DecodedSizeCap(uint64_t storedSize) {
  const uint64_t scaled = storedSize > kMaxCap / kCapFactor ? kMaxCap : storedSize * kCapFactor;
  return std::clamp(scaled, kMinCap, kMaxCap);
}

Result Decode(Coding coding, const Reader& input, const Writer& output, uint64_t cap,
              uint64_t* decodedBytes) {
  if (decodedBytes) *decodedBytes = 0;
  if (coding == Coding::Identity) return Result::NothingToDo;
  Source in(input);
  Sink out(output, cap);
  Result result = Result::Failed;
  switch (coding) {
    case Coding::Gzip:
    case Coding::Deflate:
      result = DecodeZlib(coding, in, out);
      break;
    case Coding::Brotli:
      result = DecodeBrotli(in, out);
      break;
    case Coding::Zstd:
      result = DecodeZstd(in, out);
      break;
    case Coding::Identity:
      break;
  }
  if (decodedBytes) *decodedBytes = out.Total();
  return result;
}

Result Decode(std::string_view contentEncoding, const Reader& input, const Writer& output,
              uint64_t cap, uint64_t* decodedBytes) {
  if (decodedBytes) *decodedBytes = 0;
  const std::optional<Coding> coding = ParseCoding(contentEncoding);
  if (!coding) return Result::Unsupported;
  return Decode(*coding, input, output, cap, decodedBytes);
}

}  // namespace ContentDecoder
