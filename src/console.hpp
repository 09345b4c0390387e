// Everything the tool prints goes through one Console on standard output.
#pragma once

#include <array>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "io/stream.hpp"

namespace dozovor {

// On a terminal the newest progress line is shown at least this often while lines keep coming.
constexpr std::chrono::milliseconds PROGRESS_INTERVAL{100};
// Progress lines between two looks at the clock on a terminal.
constexpr std::uint32_t PROGRESS_CLOCK_STRIDE = 256;
// Index of the units digit in a progress line's buffer: room for 20 digits before it.
constexpr std::size_t PROGRESS_UNITS = 19;
constexpr std::string_view PROGRESS_SUFFIX = " processed\r";

// Standard output. When it is not a terminal it receives every byte the tool prints, buffered.
// On a terminal each message is flushed at once, and progress lines are coalesced: writing and
// flushing millions of them would cost far more than the clip itself.
struct Console {
    OutputStream out;
    bool terminal = false;

    // The latest progress line: the count's digits end at PROGRESS_UNITS and PROGRESS_SUFFIX
    // follows them.
    std::array<char, PROGRESS_UNITS + 1 + PROGRESS_SUFFIX.size()> progress_text{};
    std::size_t progress_digits = 0;
    std::int64_t progress_count = -1;

    // Terminal only: a count whose line has not been shown yet, and when a line last was.
    bool progress_pending = false;
    std::int64_t pending_count = 0;
    std::uint32_t progress_calls = 0;
    std::chrono::steady_clock::time_point progress_shown{};
};

// Sets the console up on `fd`, usually standard output.
void open_console(Console& console, int fd, WriteFunction write_function = system_write);

// Writes what is still buffered. A standard output that cannot be written is no failure of the
// run: what the tool prints is informational.
void flush_console(Console& console);

// The pieces of a message: begin_message first shows a pending progress line, so that the
// screen shows what it would have shown had every line been printed; end_message flushes on a
// terminal.
void begin_message(Console& console);
void put_piece(Console& console, std::string_view text);
void put_piece(Console& console, std::int64_t number);
void end_message(Console& console);

// Prints one message made of text and signed decimal numbers: say(c, "File ", name, "\n").
template <typename... Pieces>
void say(Console& console, const Pieces&... pieces) {
    begin_message(console);
    (put_piece(console, pieces), ...);
    end_message(console);
}

// Sets the progress line to `count`: one step up from the last count is an increment of the
// digits in place, anything else is formatted anew.
inline void set_progress_count(Console& console, std::int64_t count) {
    if (count == console.progress_count) {
        return;
    }
    char* const text = console.progress_text.data();
    std::size_t& digits = console.progress_digits;
    if (console.progress_count >= 0 && count == console.progress_count + 1) {
        std::size_t i = PROGRESS_UNITS;
        while (text[i] == '9' && i + digits > PROGRESS_UNITS) {
            text[i--] = '0';
        }
        if (i + digits > PROGRESS_UNITS) {
            ++text[i];
        } else {
            text[i] = '1';
            ++digits;
        }
    } else {
        std::array<char, 24> formatted{};
        const auto result =
            std::to_chars(formatted.data(), formatted.data() + formatted.size(), count);
        digits = static_cast<std::size_t>(result.ptr - formatted.data());
        std::memcpy(text + PROGRESS_UNITS + 1 - digits, formatted.data(), digits);
    }
    console.progress_count = count;
}

// The current progress line, "<count> processed\r".
inline std::string_view progress_line(const Console& console) {
    const std::size_t start = PROGRESS_UNITS + 1 - console.progress_digits;
    return {console.progress_text.data() + start, console.progress_digits + PROGRESS_SUFFIX.size()};
}

// On a terminal: shows the pending progress line once PROGRESS_INTERVAL has passed.
void tick_terminal_progress(Console& console);

// Prints the progress line "<count> processed\r". Called for half of all records, so it formats
// without printf and, on a terminal, only notes the count until the clock says to show it.
inline void show_progress(Console& console, std::int64_t count) {
    if (console.terminal) {
        console.pending_count = count;
        console.progress_pending = true;
        if (++console.progress_calls == PROGRESS_CLOCK_STRIDE) {
            tick_terminal_progress(console);
        }
        return;
    }
    set_progress_count(console, count);
    const std::string_view line = progress_line(console);
    (void)write_bytes(console.out, reinterpret_cast<const std::byte*>(line.data()), line.size());
}

}  // namespace dozovor
