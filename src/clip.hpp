// The clip pass: copies the point records that lie inside a rectangle.
#pragma once

#include <cstdint>

#include "console.hpp"
#include "format/qvt.hpp"
#include "io/stream.hpp"

namespace dozovor {

// The clip rectangle in the file's own UTM units. After the command line's check
// left_upper_x <= right_lower_x and right_lower_y <= left_upper_y; no bound is a NaN.
struct ClipRect {
    double left_upper_x = 0.0;   // western bound: the smallest easting inside
    double left_upper_y = 0.0;   // northern bound: the largest northing inside
    double right_lower_x = 0.0;  // eastern bound: the largest easting inside
    double right_lower_y = 0.0;  // southern bound: the smallest northing inside
};

// The bit of the records-read count that switches the progress line on: lines are printed for
// counts 16384 to 32767, 49152 to 65535, and so on.
constexpr std::int64_t PROGRESS_BIT = 0x4000;

// Whether a point lies inside the rectangle, borders included. The x test is ">=" and not
// "not <" so that a NaN x fails it; likewise the last test for a NaN y.
inline bool is_inside(const PointRecord& point, const ClipRect& rect) {
    return (point.x >= rect.left_upper_x) && !(point.x > rect.right_lower_x) &&
           !(point.y > rect.left_upper_y) && (point.y >= rect.right_lower_y);
}

// The estimate of the records in an input of `input_size` bytes (-1 when unknown, giving 0): the
// bytes after the header divided by the record size, any remainder dropped.
std::int64_t estimate_points(std::int64_t input_size, std::int32_t header_size);

// Reads every record after the header and writes those inside `rect` to the output, printing the
// estimate, the progress lines and the summary. Closes both streams and returns 0; returns -1
// after printing why when a read or a write fails, with both streams left open.
int clip_points(InputStream& in, OutputStream& out, const ClipRect& rect, std::int64_t input_size,
                std::int32_t header_size, Console& console);

}  // namespace dozovor
