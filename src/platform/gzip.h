#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// gzip streams, as emulators compress their cartridge memories.
namespace quillmere::platform {

// Whether `bytes` start as a gzip stream does (1F 8B).
bool LooksGzipped(const std::vector<std::uint8_t>& bytes);

// The bytes of the gzip stream `bytes`; nothing when it is no whole, sound
// stream or would come to more than `limit` bytes: decompression stops there,
// so no stream can make it take more.
std::optional<std::vector<std::uint8_t>> Gunzip(const std::vector<std::uint8_t>& bytes, std::size_t limit);

// `bytes` as a gzip stream.
std::vector<std::uint8_t> Gzip(const std::vector<std::uint8_t>& bytes);

}  // namespace quillmere::platform
