#include <algorithm>

#include "format/qvt.hpp"

namespace dozovor {

// The header body goes through a buffer of this size, so memory stays bounded whatever
// header_size says (up to 2^31 - 1 bytes).
constexpr std::size_t HEADER_COPY_CHUNK = std::size_t{64} * 1024;

int copy_header(InputStream& in, OutputStream& out, FileHeader& header, Console& console) {
    std::array<std::byte, HEADER_PREFIX_SIZE> prefix{};
    if (read_bytes(in, prefix.data(), prefix.size()) != prefix.size()) {
        say(console, "ERROR: Can't read header of input file ", in.name, "!\n");
        return -1;
    }
    header.header_size = load_field<std::int32_t>(prefix.data(), HEADER_SIZE_OFFSET);
    header.version_major = load_field<std::int16_t>(prefix.data(), VERSION_MAJOR_OFFSET);
    header.version_minor = load_field<std::int16_t>(prefix.data(), VERSION_MINOR_OFFSET);

    if (header.version_major != SUPPORTED_VERSION_MAJOR ||
        header.version_minor != SUPPORTED_VERSION_MINOR) {
        say(console, "ERROR: File is in qvt format version ", header.version_major, ".",
            header.version_minor, ". Only qvt version 2.2 supported!\n");
        return -1;
    }
    // The header's length includes its own 8-byte prefix.
    if (header.header_size < static_cast<std::int32_t>(HEADER_PREFIX_SIZE)) {
        say(console, "ERROR: Incorrect header size ", header.header_size, " in input file ",
            in.name, "!\n");
        return -1;
    }

    // The prefix goes out as it was read, so its bit patterns cannot change.
    if (write_bytes(out, prefix.data(), prefix.size()) != 0) {
        say(console, "ERROR: Can't write output file ", out.name, "!\n");
        return -1;
    }
    std::array<std::byte, HEADER_COPY_CHUNK> chunk;
    auto remaining = static_cast<std::size_t>(header.header_size) - HEADER_PREFIX_SIZE;
    while (remaining > 0) {
        const std::size_t count = std::min(remaining, chunk.size());
        if (read_bytes(in, chunk.data(), count) != count) {
            say(console, "ERROR: Can't read header of input file ", in.name, "!\n");
            return -1;
        }
        if (write_bytes(out, chunk.data(), count) != 0) {
            say(console, "ERROR: Can't write output file ", out.name, "!\n");
            return -1;
        }
        remaining -= count;
    }
    return 0;
}

}  // namespace dozovor
