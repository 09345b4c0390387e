#include "console.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>

namespace dozovor {

// Small enough to stay in the processor's cache while progress text streams through it.
constexpr std::size_t CONSOLE_BUFFER_SIZE = std::size_t{64} * 1024;
constexpr std::string_view PROGRESS_SUFFIX = " processed\r";

void open_console(Console& console, int fd, WriteFunction write_function) {
    attach_output(console.out, fd, "standard output", write_function, CONSOLE_BUFFER_SIZE);
    console.terminal = is_terminal(fd);
    console.progress_first = 1;
    console.progress_last = 0;
    console.progress_budget = 0;
    console.progress_shown = std::chrono::steady_clock::now();
}

static void write_pending_progress(Console& console);

void flush_console(Console& console) {
    write_pending_progress(console);
    (void)flush_output(console.out);
}

static void put_bytes(Console& console, std::string_view text) {
    (void)write_bytes(console.out, reinterpret_cast<const std::byte*>(text.data()), text.size());
}

// Writes the lines "<count> processed\r" for every count from `first` to `last` (both at least
// 0). Lines whose counts differ only in the units digit are copies of one template with that digit
// patched, so the template changes once per ten lines.
static void write_progress_lines(Console& console, std::int64_t first, std::int64_t last) {
    // The template: the count's digits end at UNITS, the suffix follows, and the rest is room
    // for copying a fixed COPY bytes, which compiles to two moves.
    constexpr std::size_t UNITS = 19;
    constexpr std::size_t COPY = 32;
    static_assert(UNITS + 1 + PROGRESS_SUFFIX.size() <= COPY);
    std::array<char, UNITS + 1 + COPY> text{};
    std::memcpy(text.data() + UNITS + 1, PROGRESS_SUFFIX.data(), PROGRESS_SUFFIX.size());
    std::array<char, 24> formatted{};
    const auto result = std::to_chars(formatted.data(), formatted.data() + formatted.size(), first);
    std::size_t digits = static_cast<std::size_t>(result.ptr - formatted.data());
    std::memcpy(text.data() + UNITS + 1 - digits, formatted.data(), digits);

    OutputStream& out = console.out;
    std::int64_t count = first;
    for (;;) {
        // This block's lines share every digit but the units.
        const std::int64_t units = count % 10;
        const std::int64_t lines = std::min(last - count, 9 - units) + 1;
        const std::size_t length = digits + PROGRESS_SUFFIX.size();
        const char* line = text.data() + UNITS + 1 - digits;
        if (out.capacity - out.used < 10 * COPY && flush_output(out) != 0) {
            return;  // standard output is gone; what the tool prints is informational
        }
        for (std::int64_t k = 0; k < lines; ++k) {
            std::byte* at = out.buffer.get() + out.used;
            std::memcpy(at, line, COPY);
            at[digits - 1] = static_cast<std::byte>('0' + units + k);
            out.used += length;
        }
        const std::int64_t block_last = count + (lines - 1);
        if (block_last == last) {
            return;
        }
        count = block_last + 1;
        // Step the tens and above, carrying; a carry out of the top digit adds a digit.
        std::size_t i = UNITS - 1;
        while (i + digits > UNITS && text[i] == '9') {
            text[i--] = '0';
        }
        if (i + digits > UNITS) {
            ++text[i];
        } else {
            text[i] = '1';
            ++digits;
        }
    }
}

// Writes what the run of pending progress counts stands for: every line when standard output is
// not a terminal, the newest alone (flushed) on a terminal. Empties the run.
static void write_pending_progress(Console& console) {
    const std::int64_t first = console.progress_first;
    const std::int64_t last = console.progress_last;
    if (first > last) {
        return;
    }
    console.progress_first = last + 1;
    if (console.terminal) {
        write_progress_lines(console, last, last);
        (void)flush_output(console.out);
        console.progress_shown = std::chrono::steady_clock::now();
    } else {
        write_progress_lines(console, first, last);
    }
}

void note_progress(Console& console, std::int64_t count) {
    if (count != console.progress_last + 1) {
        // A repeat or a jump starts a new run. A terminal shows only the newest line, so there
        // an older run is dropped unseen.
        if (!console.terminal) {
            write_pending_progress(console);
        }
        console.progress_first = count;
    }
    console.progress_last = count;
    if (console.terminal) {
        console.progress_budget = PROGRESS_CLOCK_STRIDE;
        if (std::chrono::steady_clock::now() - console.progress_shown >= PROGRESS_INTERVAL) {
            write_pending_progress(console);
        }
    } else {
        console.progress_budget = std::numeric_limits<std::int64_t>::max();
    }
}

void begin_message(Console& console) { write_pending_progress(console); }

void put_piece(Console& console, std::string_view text) { put_bytes(console, text); }

void put_piece(Console& console, std::int64_t number) {
    std::array<char, 24> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), number);
    put_bytes(console, std::string_view(digits.data(), result.ptr));
}

void end_message(Console& console) {
    if (console.terminal) {
        flush_console(console);
    }
}

}  // namespace dozovor
