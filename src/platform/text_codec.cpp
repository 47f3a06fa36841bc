#ifndef _WIN32  // Windows decodes with its own code pages: text_codec_win32.cpp
#include "platform/text_codec.h"
#include "platform/utf8.h"

#include <iconv.h>

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

std::string DecodeToUtf8(const std::vector<std::uint8_t>& bytes, const char* encoding) {
  std::string out;
  Converter& converter = CachedConverter("UTF-8", encoding);
  if (!converter.ok()) {
    // No converter on this system: keep ASCII, mark everything else.
    for (const std::uint8_t byte : bytes) {
      if (byte < 0x80) out += static_cast<char>(byte);
      else out += utf8::kReplacement;
    }
    return out;
  }
  const char* in = reinterpret_cast<const char*>(bytes.data());
  std::size_t inLeft = bytes.size();
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
  return out;
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
