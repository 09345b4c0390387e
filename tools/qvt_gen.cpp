// qvt_gen: writes a deterministic qvt 2.2 sample file for demos, tests and benchmarks.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "qvt_writer.hpp"

namespace {

constexpr const char* USAGE =
    "Usage: qvt_gen [--records N] [--header-size N] [--seed N] OUTPUT\n"
    "\n"
    "Writes a qvt 2.2 file: a header of --header-size bytes (default 512; its body a\n"
    "description text padded with zeros), then --records point records (default 50000).\n"
    "Points lie on a centimetre grid in the square x 500000..501000, y 5000000..5001000\n"
    "(UTM metres), spread evenly; the other fields hold bytes derived from --seed\n"
    "(default 1). The same arguments always give the same file.\n";

bool parse_number(const char* text, std::uint64_t& value) {
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || text[0] == '-') {
        return false;
    }
    value = parsed;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t records = 50000;
    std::uint64_t header_size = 512;
    std::uint64_t seed = 1;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        std::uint64_t* target = nullptr;
        if (arg == "--help" || arg == "-h") {
            return std::fputs(USAGE, stdout) < 0 ? 1 : 0;
        } else if (arg == "--records") {
            target = &records;
        } else if (arg == "--header-size") {
            target = &header_size;
        } else if (arg == "--seed") {
            target = &seed;
        } else if (output == nullptr && !arg.starts_with("--")) {
            output = argv[i];
            continue;
        }
        if (target == nullptr || i + 1 == argc || !parse_number(argv[++i], *target)) {
            (void)std::fputs(USAGE, stderr);
            return 2;
        }
    }
    if (output == nullptr || header_size < 8 || header_size > 0x7FFFFFFF) {
        (void)std::fputs(USAGE, stderr);
        return 2;
    }

    std::FILE* file = std::fopen(output, "wb");
    if (file == nullptr) {
        (void)std::fprintf(stderr, "qvt_gen: can't open %s: %s\n", output, std::strerror(errno));
        return 1;
    }
    std::string bytes = qvt_writer::make_header(static_cast<std::int32_t>(header_size));
    const std::string_view description = "qvt_gen sample file";
    const std::size_t shown = std::min(description.size(), bytes.size() - 8);
    bytes.replace(8, shown, description.substr(0, shown));
    bool ok = true;
    constexpr std::size_t FLUSH_AT = std::size_t{1} << 20;
    for (std::uint64_t i = 0; i < records && ok; ++i) {
        qvt_writer::put_record(bytes, qvt_writer::sample_record(seed, i));
        if (bytes.size() >= FLUSH_AT) {
            ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
            bytes.clear();
        }
    }
    ok = ok && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = (std::fclose(file) == 0) && ok;
    if (!ok) {
        (void)std::fprintf(stderr, "qvt_gen: can't write %s: %s\n", output, std::strerror(errno));
        return 1;
    }
    return 0;
}
