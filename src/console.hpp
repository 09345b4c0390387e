// Everything the tool prints goes through one Console on standard output.
#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

#include "io/stream.hpp"

namespace dozovor {

// On a terminal the newest progress line is shown at least this often while lines keep coming.
constexpr std::chrono::milliseconds PROGRESS_INTERVAL{100};
// Progress lines between two looks at the clock on a terminal.
constexpr std::int64_t PROGRESS_CLOCK_STRIDE = 256;

// Standard output. When it is not a terminal it receives every byte the tool prints, buffered.
// On a terminal each message is flushed at once, and progress lines are coalesced: writing and
// flushing millions of them would cost far more than the clip itself.
struct Console {
    OutputStream out;
    bool terminal = false;

    // Progress lines not yet written: the run of consecutive counts progress_first to
    // progress_last, empty when progress_first is above progress_last. The hot loop only
    // extends it; the lines are made in bulk when something else is printed.
    std::int64_t progress_first = 1;
    std::int64_t progress_last = 0;
    // Calls that may extend the run before note_progress must look at it again: on a terminal
    // that is when the clock is read.
    std::int64_t progress_budget = 0;
    // Terminal only: when a progress line was last shown.
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

// The slow path of show_progress: a count that does not extend the run, or a terminal's turn to
// look at the clock.
void note_progress(Console& console, std::int64_t count);

// Prints the progress line "<count> processed\r" (count from 0 to below the largest int64_t: a
// count of records is far below that). It is called for half of all records, so in the common
// case it only extends the run of pending counts.
inline void show_progress(Console& console, std::int64_t count) {
    if (count == console.progress_last + 1 && console.progress_budget > 0) {
        console.progress_last = count;
        --console.progress_budget;
        return;
    }
    note_progress(console, count);
}

}  // namespace dozovor
