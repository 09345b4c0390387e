#include "run.hpp"

#include <cstdlib>
#include <string>
#include <string_view>

#include "clip.hpp"
#include "format/qvt.hpp"
#include "io/stream.hpp"

namespace dozovor {

static bool is_digit(char c) { return c >= '0' && c <= '9'; }

static bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

double parse_coordinate(const char* text) {
    // The syntax is scanned here and only the accepted characters are handed to strtod, which on
    // its own would also take "inf", "nan" and hexadecimal numbers.
    const char* p = text;
    while (is_space(*p)) {
        ++p;
    }
    std::string token;
    if (*p == '+' || *p == '-') {
        token += *p++;
    }
    bool has_digit = false;
    while (is_digit(*p)) {
        token += *p++;
        has_digit = true;
    }
    if (*p == '.') {
        token += *p++;
        while (is_digit(*p)) {
            token += *p++;
            has_digit = true;
        }
    }
    if (!has_digit) {
        return 0.0;
    }
    if (*p == 'e' || *p == 'E' || *p == 'd' || *p == 'D') {
        const char* exponent = p + 1;
        char sign = '+';
        if (*exponent == '+' || *exponent == '-') {
            sign = *exponent++;
        }
        // A letter that no digit follows ends the number before the letter.
        if (is_digit(*exponent)) {
            token += 'e';
            token += sign;
            while (is_digit(*exponent)) {
                token += *exponent++;
            }
        }
    }
    return std::strtod(token.c_str(), nullptr);
}

void print_usage(Console& console) {
    say(console,
        "Usage: dozovor infile outfile left-upp-x left-upp-y right-low-x right-low-y\n\n"
        "Clips qvt file version 2.2 <infile> to qvt file <outfile>, including points in\n"
        "given rectangle. Coordinates (both in qvt and clip rectangle) must be in UTM.\n"
        " infile  - file to clip\n"
        " outfile - file to save result\n"
        " left-upper-x, left-upper-y, right-lower-x, right-lower-y - coords in UTM\n");
}

int run(int argc, const char* const* argv, Console& console) {
    if (argc != 7) {
        print_usage(console);
        return -1;
    }
    const std::string_view first = argv[1];
    if (first == "-?" || first == "help") {
        print_usage(console);
        return -1;
    }
    const char* const input_name = argv[1];
    const char* const output_name = argv[2];

    InputStream in;
    if (open_input(in, input_name) != 0) {
        say(console, "ERROR: Can't open input file ", input_name, " for reading!");
        return -1;
    }
    const std::int64_t input_size = input_file_size(in);

    const ClipRect rect{parse_coordinate(argv[3]), parse_coordinate(argv[4]),
                        parse_coordinate(argv[5]), parse_coordinate(argv[6])};
    if (rect.left_upper_x > rect.right_lower_x || rect.left_upper_y < rect.right_lower_y) {
        say(console, "ERROR: Incorrect coordinates!");
        return -1;
    }

    // Opening the output empties it: it must not be the input under any name.
    if (is_same_file(in, output_name)) {
        say(console, "ERROR: Input file ", input_name, " and output file ", output_name,
            " are the same file!\n");
        return -1;
    }
    // Records written to standard output would be mixed with the messages.
    if (is_standard_output(output_name)) {
        say(console, "ERROR: Output file ", output_name, " is the standard output!\n");
        return -1;
    }
    OutputStream out;
    if (open_output(out, output_name) != 0) {
        say(console, "ERROR: Can't open output file ", output_name, " for writing!");
        return -1;
    }
    guard_on_interrupt(out);

    FileHeader header;
    if (copy_header(in, out, header, console) != 0 ||
        clip_points(in, out, rect, input_size, header.header_size, console) != 0) {
        // A failed run leaves nothing that could be taken for a valid clip.
        discard_output(out);
        return -1;
    }
    return 0;
}

}  // namespace dozovor
