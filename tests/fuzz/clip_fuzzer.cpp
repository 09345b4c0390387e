// libFuzzer target: the header step and the clip pass, in process, over arbitrary bytes.
//
// The first 32 bytes of a fuzz input are the rectangle (four little-endian doubles: west, north,
// east, south; NaN read as 0, bounds put in order); the rest is the input file. After a run that
// succeeds, the output must be the input's header followed by exactly the whole records of the
// input that lie inside the rectangle, in input order; after a run that fails, it must be empty.
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "clip.hpp"
#include "console.hpp"
#include "format/qvt.hpp"
#include "io/stream.hpp"

namespace {

double bound_at(const std::uint8_t* data, std::size_t index) {
    double value = 0.0;
    std::memcpy(&value, data + 8 * index, sizeof value);
    return std::isnan(value) ? 0.0 : value;
}

int memory_file(const char* name, const std::uint8_t* data, std::size_t size) {
    const int fd = ::memfd_create(name, 0);
    if (fd < 0) {
        std::abort();
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = ::write(fd, data + done, size - done);
        if (put <= 0) {
            std::abort();
        }
        done += static_cast<std::size_t>(put);
    }
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        std::abort();
    }
    return fd;
}

std::string contents(int fd) {
    std::string bytes;
    char chunk[4096];
    for (off_t offset = 0;;) {
        const ssize_t got = ::pread(fd, chunk, sizeof chunk, offset);
        if (got <= 0) {
            return bytes;
        }
        bytes.append(chunk, static_cast<std::size_t>(got));
        offset += got;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 32) {
        return 0;
    }
    dozovor::ClipRect rect{bound_at(data, 0), bound_at(data, 1), bound_at(data, 2),
                           bound_at(data, 3)};
    if (rect.left_upper_x > rect.right_lower_x) {
        std::swap(rect.left_upper_x, rect.right_lower_x);
    }
    if (rect.left_upper_y < rect.right_lower_y) {
        std::swap(rect.left_upper_y, rect.right_lower_y);
    }
    const std::uint8_t* file = data + 32;
    const std::size_t file_size = size - 32;

    dozovor::InputStream in;
    dozovor::attach_input(in, memory_file("input", file, file_size), "input");
    const int out_fd = ::memfd_create("output", 0);
    const int check_fd = ::dup(out_fd);  // the streams close theirs
    dozovor::OutputStream out;
    dozovor::attach_output(out, out_fd, "output");
    dozovor::Console console;
    dozovor::open_console(console, ::memfd_create("console", 0));

    dozovor::FileHeader header;
    int status = dozovor::copy_header(in, out, header, console);
    if (status == 0) {
        status = dozovor::clip_points(in, out, rect, dozovor::input_file_size(in),
                                      header.header_size, console);
    }
    if (status != 0) {
        dozovor::discard_output(out);
    }
    const std::string output = contents(check_fd);
    ::close(check_fd);

    if (status != 0) {
        if (!output.empty()) {
            std::abort();  // a failed run left data behind
        }
        return 0;
    }
    // The expected output, worked out independently of the tool's code.
    const auto header_size = static_cast<std::size_t>(header.header_size);
    if (header_size < 8 || header_size > file_size) {
        std::abort();  // a header that was not whole was accepted
    }
    std::string expected(reinterpret_cast<const char*>(file), header_size);
    for (std::size_t at = header_size; at + 43 <= file_size; at += 43) {
        double x = 0.0;
        double y = 0.0;
        std::memcpy(&x, file + at + 8, 8);
        std::memcpy(&y, file + at + 16, 8);
        if (x >= rect.left_upper_x && x <= rect.right_lower_x && y >= rect.right_lower_y &&
            y <= rect.left_upper_y) {
            expected.append(reinterpret_cast<const char*>(file + at), 43);
        }
    }
    if (output != expected) {
        std::abort();
    }
    return 0;
}
