#include "platform/gzip.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace quillmere::platform {

namespace {

// zlib's window bits, plus 16: a gzip header and trailer rather than zlib's.
constexpr int kGzipWindowBits = 15 + 16;
// zlib counts in unsigned int: feed and take at most this much per call.
constexpr std::size_t kChunk = 1 << 20;

}  // namespace

bool LooksGzipped(const std::vector<std::uint8_t>& bytes) {
  return bytes.size() >= 2 && bytes[0] == 0x1F && bytes[1] == 0x8B;
}

std::optional<std::vector<std::uint8_t>> Gunzip(const std::vector<std::uint8_t>& bytes, std::size_t limit) {
  if (!LooksGzipped(bytes)) return std::nullopt;
  z_stream stream{};
  if (inflateInit2(&stream, kGzipWindowBits) != Z_OK) return std::nullopt;
  std::vector<std::uint8_t> out;
  std::size_t fed = 0;
  int status = Z_OK;
  // One byte past the limit tells a stream that is too long from one that fits exactly.
  std::vector<std::uint8_t> chunk(std::min(kChunk, limit + 1));
  while (status == Z_OK) {
    if (stream.avail_in == 0) {
      const std::size_t take = std::min(kChunk, bytes.size() - fed);
      stream.next_in = const_cast<Bytef*>(bytes.data() + fed);
      stream.avail_in = static_cast<uInt>(take);
      fed += take;
    }
    stream.next_out = chunk.data();
    stream.avail_out = static_cast<uInt>(chunk.size());
    status = inflate(&stream, Z_NO_FLUSH);
    out.insert(out.end(), chunk.data(), chunk.data() + (chunk.size() - stream.avail_out));
    // Z_BUF_ERROR: no input left and no progress, the stream was cut short.
    if (out.size() > limit || status == Z_BUF_ERROR) status = Z_DATA_ERROR;
  }
  inflateEnd(&stream);
  // Bytes after the stream's trailer (a second member, or junk) are not ours to drop silently.
  if (status != Z_STREAM_END || stream.avail_in != 0 || fed != bytes.size()) return std::nullopt;
  return out;
}

std::vector<std::uint8_t> Gzip(const std::vector<std::uint8_t>& bytes) {
  z_stream stream{};
  deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, kGzipWindowBits, 8, Z_DEFAULT_STRATEGY);
  std::vector<std::uint8_t> out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 32);
  stream.next_in = const_cast<Bytef*>(bytes.data());
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

}  // namespace quillmere::platform
