#include "console.hpp"

#include <unistd.h>

namespace dozovor {

void open_console(Console& console, int fd, WriteFunction write_function) {
    attach_output(console.out, fd, "standard output", write_function);
    console.terminal = ::isatty(fd) == 1;
    std::memcpy(console.progress_text.data() + PROGRESS_UNITS + 1, PROGRESS_SUFFIX.data(),
                PROGRESS_SUFFIX.size());
    console.progress_digits = 0;
    console.progress_count = -1;
    console.progress_pending = false;
    console.progress_calls = 0;
    console.progress_shown = std::chrono::steady_clock::now();
}

void flush_console(Console& console) { (void)flush_output(console.out); }

static void put_bytes(Console& console, std::string_view text) {
    (void)write_bytes(console.out, reinterpret_cast<const std::byte*>(text.data()), text.size());
}

// Writes the pending progress line and flushes it to the terminal.
static void show_pending_progress(Console& console) {
    console.progress_pending = false;
    set_progress_count(console, console.pending_count);
    put_bytes(console, progress_line(console));
    flush_console(console);
    console.progress_shown = std::chrono::steady_clock::now();
}

void tick_terminal_progress(Console& console) {
    console.progress_calls = 0;
    if (std::chrono::steady_clock::now() - console.progress_shown >= PROGRESS_INTERVAL) {
        show_pending_progress(console);
    }
}

void begin_message(Console& console) {
    if (console.progress_pending) {
        show_pending_progress(console);
    }
}

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
