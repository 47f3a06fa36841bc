#ifndef _WIN32  // Windows decodes with its own code pages: text_codec_win32.cpp
#include "platform/text_codec.h"
#include "platform/utf8.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace quillmere::platform {

namespace {

// iconv's input pointer is `char**` on glibc and macOS but `const char**` in
// some libiconv builds (Windows); this adapter accepts both.
template <typename InPtr>
std::size_t CallIconv(std::size_t (*fn)(iconv_t, InPtr, std::size_t*, char**, std::size_t*),
                      iconv_t cd, char** in, std::size_t* inLeft, char** out, std::size_t* outLeft) {
  return fn(cd, const_cast<InPtr>(in), inLeft, out, outLeft);
}

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much as it can. On a stop, `error` holds errno: EILSEQ for an
  // invalid sequence at `in`, EINVAL for an incomplete one at the end.
  void Run(const char*& in, std::size_t& inLeft, std::string& out, int& error) {
    error = 0;
    char buffer[1024];
    while (inLeft > 0) {
      char* outPtr = buffer;
      std::size_t outLeft = sizeof buffer;
      char* inPtr = const_cast<char*>(in);
      const std::size_t result = CallIconv(&iconv, cd_, &inPtr, &inLeft, &outPtr, &outLeft);
      out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
      in = inPtr;
      if (result == static_cast<std::size_t>(-1)) {
        if (errno == E2BIG) continue;
        error = errno;
        return;
      }
    }
  }

  void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

 private:
  iconv_t cd_;
};

// Opening a converter costs more than decoding a name or a comment, and a
// listing decodes two texts per save, so each thread keeps the converters it
// opened, reset to their initial state for every text.
Converter& CachedConverter(const char* to, const char* from) {
  thread_local std::map<std::pair<std::string, std::string>, std::unique_ptr<Converter>> cache;
  std::unique_ptr<Converter>& converter = cache[{to, from}];
  if (!converter) converter = std::make_unique<Converter>(to, from);
  if (converter->ok()) converter->Reset();
  return *converter;
}

}  // namespace

namespace {

// The whole text through iconv: each byte that starts no character becomes
// U+FFFD and the decoding goes on after it; a character cut off by the end
// becomes U+FFFD and ends it.
void DecodeWithIconv(Converter& converter, const std::uint8_t* bytes, std::size_t size, std::string& out) {
  converter.Reset();
  const char* in = reinterpret_cast<const char*>(bytes);
  std::size_t inLeft = size;
  while (inLeft > 0) {
    int error = 0;
    converter.Run(in, inLeft, out, error);
    if (error == 0) break;
    out += utf8::kReplacement;
    if (error != EILSEQ) break;  // an incomplete character at the end, or worse
    ++in;
    --inLeft;
    converter.Reset();
  }
}

// What iconv makes of one byte, or of a lead byte and the byte after it,
// decoded alone.
struct Decoded {
  enum class Kind : std::uint8_t {
    kUnknown,  // not asked yet
    kChar,     // a character: `utf8`
    kLead,     // (a byte alone) the first byte of two: the pair decides
    kInvalid,  // no character starts here: U+FFFD, and the next byte goes on
    kOther,    // anything else: texts holding it are left to iconv whole
  };
  Kind kind = Kind::kUnknown;
  std::uint8_t length = 0;
  char utf8[6] = {};
};

// Names and comments are Shift-JIS and GBK: stateless encodings of one or
// two bytes, whose every character iconv decodes the same wherever it
// stands. Decoding a text costs an iconv call of its own, more than the
// text's characters; each character costs one call here, the first time it
// is met, and is then looked up. A byte or pair iconv does not treat as
// that model expects (kOther) sends its texts to iconv whole.
class DecodingTable {
 public:
  explicit DecodingTable(Converter& converter) : converter_(converter) {}

  // False when a text holds something the table leaves to iconv.
  bool Decode(const std::uint8_t* bytes, std::size_t size, std::string& out) {
    out.reserve(out.size() + size * 2);
    for (std::size_t i = 0; i < size;) {
      const Decoded& single = Single(bytes[i]);
      switch (single.kind) {
        case Decoded::Kind::kChar:
          out.append(single.utf8, single.length);
          ++i;
          break;
        case Decoded::Kind::kInvalid:
          out += utf8::kReplacement;
          ++i;
          break;
        case Decoded::Kind::kLead: {
          if (i + 1 == size) {  // cut off by the end
            out += utf8::kReplacement;
            return true;
          }
          const Decoded& pair = Pair(bytes[i], bytes[i + 1]);
          if (pair.kind == Decoded::Kind::kChar) {
            out.append(pair.utf8, pair.length);
            i += 2;
          } else if (pair.kind == Decoded::Kind::kInvalid) {
            out += utf8::kReplacement;
            ++i;
          } else {
            return false;
          }
          break;
        }
        default: return false;
      }
    }
    return true;
  }

 private:
  using Row = std::array<Decoded, 256>;

  const Decoded& Single(std::uint8_t byte) {
    Decoded& entry = singles_[byte];
    if (entry.kind == Decoded::Kind::kUnknown) entry = Probe(&byte, 1);
    return entry;
  }

  const Decoded& Pair(std::uint8_t lead, std::uint8_t next) {
    std::unique_ptr<Row>& row = pairs_[lead];
    if (!row) row = std::make_unique<Row>();
    Decoded& entry = (*row)[next];
    if (entry.kind == Decoded::Kind::kUnknown) {
      const std::uint8_t bytes[2] = {lead, next};
      entry = Probe(bytes, 2);
      // A lead byte and the byte after it are one character or none.
      if (entry.kind == Decoded::Kind::kLead) entry.kind = Decoded::Kind::kOther;
    }
    return entry;
  }

  // Decodes `size` bytes alone: all of them as one character, nothing at
  // all (an invalid start), or a lead byte cut off by the end.
  Decoded Probe(const std::uint8_t* bytes, std::size_t size) {
    Decoded decoded;
    decoded.kind = Decoded::Kind::kOther;
    converter_.Reset();
    const char* in = reinterpret_cast<const char*>(bytes);
    std::size_t inLeft = size;
    std::string text;
    int error = 0;
    converter_.Run(in, inLeft, text, error);
    const bool consumedNothing = inLeft == size && text.empty();
    if (error == 0 && inLeft == 0 && !text.empty() && text.size() <= sizeof decoded.utf8) {
      decoded.kind = Decoded::Kind::kChar;
      decoded.length = static_cast<std::uint8_t>(text.size());
      std::copy(text.begin(), text.end(), decoded.utf8);
    } else if (error == EILSEQ && consumedNothing) {
      decoded.kind = Decoded::Kind::kInvalid;
    } else if (error == EINVAL && consumedNothing && size == 1) {
      decoded.kind = Decoded::Kind::kLead;
    }
    return decoded;
  }

  Converter& converter_;
  Row singles_{};
  std::array<std::unique_ptr<Row>, 256> pairs_{};
};

// A converter to UTF-8 and its table, kept by each thread like the converters.
struct Decoder {
  Decoder(const char* name, Converter& converter) : encoding(name), converter(converter), table(converter) {}
  std::string encoding;
  Converter& converter;
  DecodingTable table;
};

Decoder& CachedDecoder(const char* encoding) {
  thread_local std::vector<std::unique_ptr<Decoder>> decoders;
  for (const std::unique_ptr<Decoder>& decoder : decoders) {
    if (decoder->encoding == encoding) return *decoder;
  }
  decoders.push_back(std::make_unique<Decoder>(encoding, CachedConverter("UTF-8", encoding)));
  return *decoders.back();
}

}  // namespace

std::string DecodeToUtf8(const std::uint8_t* bytes, std::size_t size, const char* encoding) {
  std::string out;
  Decoder& decoder = CachedDecoder(encoding);
  if (!decoder.converter.ok()) {
    // No converter on this system: keep ASCII, mark everything else.
    for (std::size_t i = 0; i < size; ++i) {
      if (bytes[i] < 0x80) out += static_cast<char>(bytes[i]);
      else out += utf8::kReplacement;
    }
    return out;
  }
  if (decoder.table.Decode(bytes, size, out)) return out;
  out.clear();
  DecodeWithIconv(decoder.converter, bytes, size, out);
  return out;
}

std::string DecodeToUtf8(const std::vector<std::uint8_t>& bytes, const char* encoding) {
  return DecodeToUtf8(bytes.data(), bytes.size(), encoding);
}

std::vector<std::uint8_t> EncodeFromUtf8(std::string_view text, const char* encoding) {
  std::string out;
  Converter& converter = CachedConverter(encoding, "UTF-8");
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t length = utf8::SequenceLength(text, i);
    if (length == 0) {
      out += '?';
      ++i;
      continue;
    }
    // One character at a time, so an unmappable one costs only itself.
    const char* in = text.data() + i;
    std::size_t inLeft = length;
    std::string piece;
    int error = 0;
    if (converter.ok()) converter.Run(in, inLeft, piece, error);
    if (!converter.ok() || error != 0) {
      out += length == 1 ? text[i] : '?';
      if (converter.ok()) converter.Reset();
    } else {
      out += piece;
    }
    i += length;
  }
  return std::vector<std::uint8_t>(out.begin(), out.end());
}

}  // namespace quillmere::platform

#endif  // _WIN32
