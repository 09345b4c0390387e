// The qvt 2.2 point file: a header (an 8-byte prefix and an opaque body) followed by 43-byte point
// records. Every multi-byte value is little-endian; floating-point values are IEEE 754 binary64.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "console.hpp"
#include "io/stream.hpp"

namespace dozovor {

static_assert(std::endian::native == std::endian::little,
              "the file's little-endian fields are loaded as they are stored");
static_assert(std::numeric_limits<double>::is_iec559, "x and y are IEEE 754 binary64");

// The prefix: header_size (int32), version_major (int16), version_minor (int16).
constexpr std::size_t HEADER_PREFIX_SIZE = 8;
constexpr std::size_t HEADER_SIZE_OFFSET = 0;
constexpr std::size_t VERSION_MAJOR_OFFSET = 4;
constexpr std::size_t VERSION_MINOR_OFFSET = 6;
constexpr std::int16_t SUPPORTED_VERSION_MAJOR = 2;
constexpr std::int16_t SUPPORTED_VERSION_MINOR = 2;

// The header as stored. header_size counts the whole header, its 8-byte prefix included, and is
// the offset of the first point record. The body is never held: it is copied through a bounded
// buffer, whatever its length.
struct FileHeader {
    std::int32_t header_size = 0;
    std::int16_t version_major = 0;
    std::int16_t version_minor = 0;
};

constexpr std::size_t RECORD_SIZE = 43;

// One point record exactly as stored: the only form that is read from or written to a file.
using RawPointRecord = std::array<std::byte, RECORD_SIZE>;
static_assert(sizeof(RawPointRecord) == RECORD_SIZE);

// Where each field starts within a stored record. word2 starts at an odd offset.
constexpr std::size_t VALUE0_OFFSET = 0;
constexpr std::size_t X_OFFSET = 8;
constexpr std::size_t Y_OFFSET = 16;
constexpr std::size_t VALUE3_OFFSET = 24;
constexpr std::size_t WORD0_OFFSET = 32;
constexpr std::size_t WORD1_OFFSET = 34;
constexpr std::size_t BYTE0_OFFSET = 36;
constexpr std::size_t BYTE1_OFFSET = 37;
constexpr std::size_t BYTE2_OFFSET = 38;
constexpr std::size_t WORD2_OFFSET = 39;
constexpr std::size_t BYTE3_OFFSET = 41;
constexpr std::size_t BYTE4_OFFSET = 42;

// A record unpacked into naturally aligned fields. Only x (easting) and y (northing) mean anything
// to the tool; value0 and value3 are kept as raw 64-bit patterns, so that no bit can change.
struct PointRecord {
    std::uint64_t value0 = 0;
    double x = 0.0;
    double y = 0.0;
    std::uint64_t value3 = 0;
    std::uint16_t word0 = 0;
    std::uint16_t word1 = 0;
    std::uint8_t byte0 = 0;
    std::uint8_t byte1 = 0;
    std::uint8_t byte2 = 0;
    std::uint16_t word2 = 0;
    std::uint8_t byte3 = 0;
    std::uint8_t byte4 = 0;
};

// Loads a little-endian field from any offset of a byte buffer, aligned or not.
template <typename T>
T load_field(const std::byte* bytes, std::size_t offset) {
    T value;
    std::memcpy(&value, bytes + offset, sizeof value);
    return value;
}

// Reads the header from the input (standing at offset 0), checks it and writes it unchanged to
// the output. Returns 0 with the input standing at the first record, or -1 after printing why.
int copy_header(InputStream& in, OutputStream& out, FileHeader& header, Console& console);

// Copies each stored field of `raw` into the field of the same name, bit for bit.
inline void unpack_point_record(const RawPointRecord& raw, PointRecord& point) {
    const std::byte* bytes = raw.data();
    point.value0 = load_field<std::uint64_t>(bytes, VALUE0_OFFSET);
    point.x = load_field<double>(bytes, X_OFFSET);
    point.y = load_field<double>(bytes, Y_OFFSET);
    point.value3 = load_field<std::uint64_t>(bytes, VALUE3_OFFSET);
    point.word0 = load_field<std::uint16_t>(bytes, WORD0_OFFSET);
    point.word1 = load_field<std::uint16_t>(bytes, WORD1_OFFSET);
    point.byte0 = load_field<std::uint8_t>(bytes, BYTE0_OFFSET);
    point.byte1 = load_field<std::uint8_t>(bytes, BYTE1_OFFSET);
    point.byte2 = load_field<std::uint8_t>(bytes, BYTE2_OFFSET);
    point.word2 = load_field<std::uint16_t>(bytes, WORD2_OFFSET);
    point.byte3 = load_field<std::uint8_t>(bytes, BYTE3_OFFSET);
    point.byte4 = load_field<std::uint8_t>(bytes, BYTE4_OFFSET);
}

// Reads the next record into `raw` and unpacks it into `point`. Returns 0, or -1 when no whole
// record was read: at the end of the data (eof set, after 0 to 42 trailing bytes) or after a read
// that failed (error set). Both buffers are the caller's and reused for every record.
inline int read_point_record(InputStream& in, PointRecord& point, RawPointRecord& raw) {
    if (read_bytes_fixed<RECORD_SIZE>(in, raw.data()) != RECORD_SIZE) {
        return -1;
    }
    unpack_point_record(raw, point);
    return 0;
}

}  // namespace dozovor
