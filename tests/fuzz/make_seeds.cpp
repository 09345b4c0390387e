// Writes the fuzzer's seed corpus into the folder given as argument: small valid and broken files,
// each behind the 32 bytes of a rectangle.
#include <cstdio>
#include <string>
#include <vector>

#include "qvt_writer.hpp"

namespace {

std::string rectangle(double west, double north, double east, double south) {
    std::string bytes;
    qvt_writer::put_le(bytes, west);
    qvt_writer::put_le(bytes, north);
    qvt_writer::put_le(bytes, east);
    qvt_writer::put_le(bytes, south);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_seeds FOLDER\n", stderr);
        return 2;
    }
    using qvt_writer::make_header;
    using qvt_writer::make_record;
    std::string records;
    for (int i = 0; i < 12; ++i) {
        qvt_writer::put_record(records, make_record(i % 4, i % 3, static_cast<std::uint64_t>(i)));
    }
    const std::string rect = rectangle(1, 2, 2, 1);
    const std::vector<std::string> seeds{
        rect + make_header(8) + records,
        rect + make_header(9, 2, 2, "\x1A") + records,
        rect + make_header(100, 2, 2, "header body") + records + records.substr(0, 20),
        rect + make_header(64),
        rect + make_header(64, 2, 1) + records,
        rect + make_header(7) + records,
        rect + make_header(1000).substr(0, 500),
        rect + make_header(8).substr(0, 5),
        rectangle(-1e308, 1e308, 1e308, -1e308) + make_header(16, 2, 2, "x") + records,
        rectangle(0, 0, 0, 0) + make_header(8) + records,
    };
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        const std::string path = std::string(argv[1]) + "/seed-" + std::to_string(i);
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr ||
            std::fwrite(seeds[i].data(), 1, seeds[i].size(), file) != seeds[i].size() ||
            std::fclose(file) != 0) {
            std::perror(path.c_str());
            return 1;
        }
    }
    return 0;
}
