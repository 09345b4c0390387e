#include "clip.hpp"

namespace dozovor {

std::int64_t estimate_points(std::int64_t input_size, std::int32_t header_size) {
    if (input_size < 0) {
        return 0;
    }
    return (input_size - header_size) / static_cast<std::int64_t>(RECORD_SIZE);
}

int clip_points(InputStream& in, OutputStream& out, const ClipRect& rect, std::int64_t input_size,
                std::int32_t header_size, Console& console) {
    say(console, "File ", in.name,
        ", estimated points count: ", estimate_points(input_size, header_size), "\n");

    RawPointRecord raw{};
    PointRecord point{};
    std::int64_t records_read = 0;
    std::int64_t records_written = 0;
    // The end-of-file flag is set by the read that finds no more data, so after the last whole
    // record one more iteration runs, reads nothing and prints the progress line once more.
    while (!in.eof) {
        if (read_point_record(in, point, raw) == 0) {
            ++records_read;
            if (is_inside(point, rect)) {
                if (write_bytes_fixed<RECORD_SIZE>(out, raw.data()) != 0) {
                    say(console, "ERROR: Can't write output file ", out.name, "!\n");
                    return -1;
                }
                ++records_written;
            }
        } else if (in.error) {
            say(console, "ERROR: Can't read input file ", in.name, "!\n");
            return -1;
        }
        if ((records_read & PROGRESS_BIT) != 0) {
            show_progress(console, records_read);
        }
    }

    if (close_output(out) != 0) {
        say(console, "ERROR: Can't write output file ", out.name, "!\n");
        return -1;
    }
    say(console, records_written, " records written succesfully to ", out.name, ".");
    (void)close_input(in);
    return 0;
}

}  // namespace dozovor
