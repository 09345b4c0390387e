// The progress line's count is kept as text and stepped in place; it must always read as the
// number it stands for.
#include <gtest/gtest.h>

#include <string>

#include "console.hpp"
#include "test_support.hpp"

namespace {

std::string line_for(std::int64_t count) { return std::to_string(count) + " processed\r"; }

TEST(ProgressLine, StepsAcrossEveryCarry) {
    test::CapturedConsole captured;
    dozovor::Console& console = captured.console;
    // Steps one by one through carries into new digits, a repeat and a jump in between.
    const std::int64_t starts[] = {0, 1, 8, 98, 16383, 99998, 999999, 9999999998, 32767};
    for (const std::int64_t start : starts) {
        for (std::int64_t count = start; count < start + 4; ++count) {
            dozovor::set_progress_count(console, count);
            ASSERT_EQ(std::string(dozovor::progress_line(console)), line_for(count));
            dozovor::set_progress_count(console, count);  // a repeat changes nothing
            ASSERT_EQ(std::string(dozovor::progress_line(console)), line_for(count));
        }
    }
}

TEST(ProgressLine, HandlesTheWidestCounts) {
    test::CapturedConsole captured;
    dozovor::Console& console = captured.console;
    const std::int64_t largest = std::numeric_limits<std::int64_t>::max();
    for (const std::int64_t count : {largest - 1, largest, std::int64_t{5}, std::int64_t{-3}}) {
        dozovor::set_progress_count(console, count);
        EXPECT_EQ(std::string(dozovor::progress_line(console)), line_for(count));
    }
}

TEST(ProgressLine, PrintsEveryLineWhenNotATerminal) {
    test::CapturedConsole captured;
    for (std::int64_t count = 16384; count <= 16390; ++count) {
        dozovor::show_progress(captured.console, count);
    }
    dozovor::show_progress(captured.console, 16390);
    dozovor::say(captured.console, "done");
    std::string expected;
    for (std::int64_t count = 16384; count <= 16390; ++count) {
        expected += line_for(count);
    }
    EXPECT_EQ(captured.text(), expected + line_for(16390) + "done");
}

// On a terminal the lines are coalesced, but the last one always comes before the next message.
TEST(ProgressLine, TerminalShowsTheLastLineBeforeAMessage) {
    test::CapturedConsole captured;
    captured.console.terminal = true;
    for (std::int64_t count = 16384; count <= 20000; ++count) {
        dozovor::show_progress(captured.console, count);
    }
    dozovor::say(captured.console, "7 records written succesfully to out.qvt.");
    const std::string text = captured.text();
    EXPECT_TRUE(text.ends_with(line_for(20000) + "7 records written succesfully to out.qvt."))
        << text;
}

}  // namespace
