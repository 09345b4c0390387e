// Builds qvt 2.2 files byte by byte: shared by the sample generator and the tests.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "format/qvt.hpp"

namespace qvt_writer {

// Appends `value` in little-endian byte order.
template <typename T>
void put_le(std::string& bytes, T value) {
    auto bits = std::bit_cast<std::array<char, sizeof(T)>>(value);
    if constexpr (std::endian::native == std::endian::big) {
        std::reverse(bits.begin(), bits.end());
    }
    bytes.append(bits.data(), bits.size());
}

// A header of `header_size` bytes: the 8-byte prefix, then a body of `body` repeated (or zeros
// when it is empty) up to that length.
inline std::string make_header(std::int32_t header_size, std::int16_t major = 2,
                               std::int16_t minor = 2, std::string_view body = {}) {
    std::string bytes;
    put_le(bytes, header_size);
    put_le(bytes, major);
    put_le(bytes, minor);
    for (std::int64_t i = 8; i < header_size; ++i) {
        bytes += body.empty() ? '\0' : body[static_cast<std::size_t>(i - 8) % body.size()];
    }
    return bytes;
}

// The twelve stored fields of one record, as the tool unpacks them.
using Record = dozovor::PointRecord;

// Appends the 43 stored bytes of `r`.
inline void put_record(std::string& bytes, const Record& r) {
    put_le(bytes, r.value0);
    put_le(bytes, r.x);
    put_le(bytes, r.y);
    put_le(bytes, r.value3);
    put_le(bytes, r.word0);
    put_le(bytes, r.word1);
    put_le(bytes, r.byte0);
    put_le(bytes, r.byte1);
    put_le(bytes, r.byte2);
    put_le(bytes, r.word2);
    put_le(bytes, r.byte3);
    put_le(bytes, r.byte4);
}

// splitmix64: a small, fast and fully determined sequence of 64-bit values.
inline std::uint64_t mix(std::uint64_t seed) {
    std::uint64_t z = seed + 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// A record at (x, y) whose other fields hold bytes derived from `filler`.
inline Record make_record(double x, double y, std::uint64_t filler = 0) {
    const std::uint64_t a = mix(filler);
    const std::uint64_t b = mix(a);
    Record r;
    r.value0 = a;
    r.x = x;
    r.y = y;
    r.value3 = b;
    r.word0 = static_cast<std::uint16_t>(a >> 7);
    r.word1 = static_cast<std::uint16_t>(a >> 23);
    r.byte0 = static_cast<std::uint8_t>(b >> 3);
    r.byte1 = static_cast<std::uint8_t>(b >> 13);
    r.byte2 = static_cast<std::uint8_t>(b >> 21);
    r.word2 = static_cast<std::uint16_t>(b >> 31);
    r.byte3 = static_cast<std::uint8_t>(b >> 47);
    r.byte4 = static_cast<std::uint8_t>(b >> 57);
    return r;
}

// The sample generator's record number `index`: a point on a centimetre grid within the square
// of 1000 m from (500000, 5000000), spread evenly by `seed`.
inline Record sample_record(std::uint64_t seed, std::uint64_t index) {
    const std::uint64_t r = mix(seed ^ mix(index));
    const double x = 500000.0 + static_cast<double>(r % 100000) / 100.0;
    const double y = 5000000.0 + static_cast<double>((r >> 32) % 100000) / 100.0;
    return make_record(x, y, r);
}

}  // namespace qvt_writer
